#!/usr/bin/env python3
"""Checks that every function the library binds at run time, and every COM
method it calls, goes through the types the SDK headers declare.

On i686 a function pointer written by hand with the wrong calling convention
(__cdecl for a WINAPI function) compiles, runs on x86_64 and corrupts the
stack only in the shipped 32-bit build.  So, in the library's sources
(Config/, support/, exports/):

  * no hand-written function-pointer type: no typedef or alias of a pointer
    to function, no cast to a spelled-out function-pointer type;
  * no hand-written COM interface (vtables, STDMETHOD, DECLARE_INTERFACE);
  * every GetProcAddress result is converted to the SDK's pointer type of
    the function of that name: LP<NAME> (declared by the SDK as a WINAPI
    function type NAME) or decltype(&::Name) (Name declared by the SDK as
    WINAPI/STDAPI), either at the call or through a binder whose typed
    accessors are named after the functions it looks up.

Usage: check_bindings.py [--self-test] SOURCE_DIR [SDK_INCLUDE_DIR]
Prints every binding with its type; exit status 1 on any finding.  With
--self-test, applies each of a list of faults to a copy of the sources and
fails unless the check finds every one.
"""
import functools
import os
import re
import sys

CONVENTIONS = r"(?:WINAPI|APIENTRY|CALLBACK|PASCAL|STDMETHODCALLTYPE|STDAPICALLTYPE|__stdcall|__cdecl|__fastcall|__thiscall)"
HAND_WRITTEN = [
    (re.compile(r"typedef[^;{}]*\(\s*" + CONVENTIONS + r"\s*\*"),
     "hand-written function-pointer typedef with a calling convention"),
    (re.compile(r"typedef[^;{}]*\(\s*" + CONVENTIONS + r"\s+\w+\s*\)\s*\("),
     "hand-written function typedef with a calling convention"),
    (re.compile(r"\busing\s+\w+\s*=\s*(?!decltype\b)[^;]*\(\s*" + CONVENTIONS + r"\s*\*\s*\)\s*\("),
     "hand-written function-pointer alias with a calling convention"),
    (re.compile(r"_cast\s*<[^;>]*\(\s*" + CONVENTIONS + r"?\s*\*\s*\)\s*\("),
     "cast to a spelled-out function-pointer type"),
    (re.compile(r"\(\s*[\w\s*]+\(\s*" + CONVENTIONS + r"?\s*\*\s*\)\s*\([^()]*\)\s*\)\s*[\w(&]"),
     "C-style cast to a spelled-out function-pointer type"),
    (re.compile(r"\blpVtbl\b|\bDECLARE_INTERFACE|\bSTDMETHOD_?\s*\(|\bMIDL_INTERFACE\b|\w+Vtbl\b"),
     "hand-written COM interface"),
]
# Pointer types of the code's own functions (no calling convention) are
# fine as long as nothing is ever cast to them.
OWN_POINTER_TYPE = re.compile(
    r"(?:\busing\s+(\w+)\s*=\s*[^;]*\(\s*\*\s*\)\s*\(|typedef[^;{}]*\(\s*\*\s*(\w+)\s*\)\s*\()")


def strip_comments(text):
    text = re.sub(r"/\*.*?\*/", lambda m: "\n" * m.group(0).count("\n"), text, flags=re.S)
    return re.sub(r"//[^\n]*", "", text)


class Sdk:
    """The SDK headers that the checked sources include themselves (the
    declarations of what they bind are there; <windows.h> is left out)."""

    def __init__(self, folder, sources):
        names = set()
        for text in sources.values():
            names.update(re.findall(r"#\s*include\s*<(\w+\.h)>", text))
        names.discard("windows.h")
        self.text = ""
        for name in sorted(names):
            path = os.path.join(folder, name)
            if os.path.isfile(path):
                with open(path, encoding="latin-1") as f:
                    self.text += f.read() + "\n"

    def winapi_function_type(self, name):
        """True when the SDK declares name as a WINAPI function type."""
        for m in re.finditer(r"\(\s*(?:WINAPI|STDAPICALLTYPE|STDMETHODCALLTYPE)\s+" + re.escape(name)
                             + r"\s*\)\s*\(", self.text):
            statement = self.text[max(self.text.rfind(";", 0, m.start()), 0):m.start()]
            if "typedef" in statement:
                return True
        return False

    @functools.lru_cache(maxsize=None)
    def winapi_pointer_type(self, pointer):
        """True when the SDK declares pointer as LP<NAME> of a WINAPI function type NAME."""
        m = re.search(r"typedef\s+(\w+)\s*\*\s*" + re.escape(pointer) + r"\s*;", self.text)
        return bool(m) and self.winapi_function_type(m.group(1))

    @functools.lru_cache(maxsize=None)
    def winapi_function(self, name):
        """True when the SDK declares function name as WINAPI/STDAPI."""
        n = re.escape(name)
        if re.search(r"\b(?:STDAPI_\s*\([^)]*\)|STDAPI|STDMETHODIMP|WINAPI)\s+" + n + r"\s*\(", self.text):
            return True
        m = re.search(r"^\s*(\w+)\s+" + n + r"\s*;", self.text, flags=re.M)
        return bool(m) and self.winapi_function_type(m.group(1))


def type_fits(sdk, type_text, function, aliases):
    """The SDK's type for function: LP<FUNCTION> or decltype(&::function)."""
    type_text = aliases.get(type_text, type_text).replace(" ", "")
    if type_text == "decltype(&::" + function + ")":
        return sdk.winapi_function(function), "decltype(&::%s)" % function
    if type_text == "LP" + function.upper():
        return sdk.winapi_pointer_type(type_text), type_text
    return False, type_text


def statement_at(text, index):
    start = max(text.rfind(";", 0, index), text.rfind("{", 0, index), text.rfind("}", 0, index)) + 1
    end = text.find(";", index)
    return text[start:end + 1]


def check(source, sdk_folder):
    findings = []
    bindings = []
    files = {}
    for folder in ("Config", "support", "exports"):
        for base, _, names in os.walk(os.path.join(source, folder)):
            for name in sorted(names):
                if name.endswith((".cpp", ".h", ".c", ".hpp")):
                    path = os.path.join(base, name)
                    with open(path, encoding="latin-1") as f:
                        files[os.path.relpath(path, source)] = strip_comments(f.read())
    sdk = Sdk(sdk_folder, files)

    for rel, text in sorted(files.items()):
        for pattern, what in HAND_WRITTEN:
            for m in pattern.finditer(text):
                line = text.count("\n", 0, m.start()) + 1
                findings.append("%s:%d: %s: %s" % (rel, line, what, m.group(0).strip()))

        for m in OWN_POINTER_TYPE.finditer(text):
            own = m.group(1) or m.group(2)
            for name_text in files.values():
                for c in re.finditer(r"_cast\s*<\s*" + own + r"\s*>|\(\s*" + own + r"\s*\)\s*[\w(&]", name_text):
                    findings.append("%s: cast to the hand-written function-pointer type %s: %s"
                                    % (rel, own, c.group(0)))
        aliases = {m.group(1): m.group(2) for m in
                   re.finditer(r"\busing\s+(\w+)\s*=\s*(decltype\s*\(\s*&\s*::\s*\w+\s*\))\s*;", text)}
        for m in re.finditer(r"\bGetProcAddress\s*\(", text):
            line = text.count("\n", 0, m.start()) + 1
            statement = statement_at(text, m.start())
            cast = re.search(r"reinterpret_cast\s*<\s*([^>]+?)\s*>", statement)
            name = re.search(r'GetProcAddress\s*\([^,]+,\s*"(\w+)"', statement)
            table = re.search(r"GetProcAddress\s*\([^,]+,\s*(\w+)\s*\[", statement)
            if cast and name:
                ok, shown = type_fits(sdk, cast.group(1), name.group(1), aliases)
                bindings.append("%s:%d: %s through %s" % (rel, line, name.group(1), shown))
                if not ok:
                    findings.append("%s:%d: %s is not called through the SDK's type (%s)"
                                    % (rel, line, name.group(1), cast.group(1)))
            elif table:
                findings += check_binder(sdk, files, rel, line, text, table.group(1), bindings)
            else:
                findings.append("%s:%d: GetProcAddress whose result type is not checked: %s"
                                % (rel, line, " ".join(statement.split())))

    return bindings, findings


# Faults the check must catch, each applied alone to a copy of the sources:
# (file, text replaced, replacement).
FAULTS = [
    ("Config/MapiLibrary.h", "using FreeProwsFunction = decltype(&::FreeProws);",
     "using FreeProwsFunction = void (__cdecl*)(LPSRowSet);"),
    ("Config/MapiLibrary.h", "LPMAPILOGONEX MAPILogonEx() const {\n    return As<LPMAPILOGONEX>",
     "LPMAPILOGONEX MAPILogonEx() const {\n    return As<LPMAPIINITIALIZE>"),
    ("Config/MapiLibrary.cpp", '"MAPIUninitialize"};', '"MAPIUninitialize", "MAPIAllocateBuffer"};'),
    ("Config/RegisterOutlookExpress.cpp", "reinterpret_cast<LPWABOPEN>(", "reinterpret_cast<LPWABOPENEX>("),
    ("Config/RegisterOutlookExpress.cpp", "reinterpret_cast<LPWABOPEN>(",
     "reinterpret_cast<HRESULT (*)(LPADRBOOK*, LPWABOBJECT*, LPWAB_PARAM, DWORD)>("),
    ("Config/RegisterOutlookExpress.cpp", "namespace {",
     "namespace {\ntypedef HRESULT (WINAPI *OpenFunction)(void);"),
    ("Config/RegisterOutlookExpress.cpp", "namespace {",
     "namespace {\nFARPROC Unchecked(HMODULE m) { return GetProcAddress(m, \"WABOpen\"); }"),
    ("Config/RegisterOutlookExpress.cpp", "namespace {",
     "namespace {\nstruct IAddrBookVtbl;"),
    ("Config/RegisterOutlook.cpp", "Discovery discovery;",
     "Discovery discovery = reinterpret_cast<Discovery>(nullptr);"),
]


def self_test(source, sdk):
    import shutil
    import tempfile
    failures = 0
    with tempfile.TemporaryDirectory() as scratch:
        for folder in ("Config", "support", "exports"):
            shutil.copytree(os.path.join(source, folder), os.path.join(scratch, folder))
        _, clean = check(scratch, sdk)
        if clean:
            print("SELF-TEST FAIL: the unchanged copy has findings")
            failures += 1
        for rel, old, new in FAULTS:
            path = os.path.join(scratch, rel)
            with open(path, encoding="latin-1") as f:
                original = f.read()
            if old not in original:
                print("SELF-TEST FAIL: %s no longer holds %r" % (rel, old))
                failures += 1
                continue
            with open(path, "w", encoding="latin-1") as f:
                f.write(original.replace(old, new, 1))
            _, findings = check(scratch, sdk)
            with open(path, "w", encoding="latin-1") as f:
                f.write(original)
            caught = "caught" if findings else "SELF-TEST FAIL: not caught"
            if not findings:
                failures += 1
            print("%s: %s: %s" % (caught, rel, " ".join(new.split())[:70]))
    print("self-test: %d faults, %d not caught" % (len(FAULTS), failures))
    return 1 if failures else 0


def main():
    args = sys.argv[1:]
    test = args[:1] == ["--self-test"]
    if test:
        args = args[1:]
    source = args[0]
    sdk = args[1] if len(args) > 1 else "/usr/i686-w64-mingw32/include"
    if test:
        return self_test(source, sdk)
    bindings, findings = check(source, sdk)
    for b in bindings:
        print("binding  " + b)
    for f in findings:
        print("FAIL " + f)
    print("%d run-time bindings, %d findings" % (len(bindings), len(findings)))
    return 1 if findings or not bindings else 0


def check_binder(sdk, files, rel, line, text, table_name, bindings):
    """A binder looks names up from a table and hands them out through typed
    accessors named after the functions (in its header)."""
    findings = []
    m = re.search(re.escape(table_name) + r"\s*\[\s*\]\s*=\s*\{([^}]*)\}", text)
    if not m:
        return ["%s:%d: binder table %s not found" % (rel, line, table_name)]
    names = re.findall(r'"(\w+)"', m.group(1))
    header = os.path.splitext(rel)[0] + ".h"
    header_text = files.get(header, "") + text
    aliases = {a.group(1): a.group(2) for a in
               re.finditer(r"\busing\s+(\w+)\s*=\s*(decltype\s*\(\s*&\s*::\s*\w+\s*\))\s*;", header_text)}
    accessors = {}
    for a in re.finditer(r"([\w:]+)\s+(\w+)\s*\(\s*\)\s*const\s*\{\s*return\s+As\s*<\s*([\w:]+)\s*>",
                         header_text):
        if a.group(1) != a.group(3):
            findings.append("%s: accessor %s returns %s but converts to %s"
                            % (header, a.group(2), a.group(1), a.group(3)))
        accessors[a.group(2)] = a.group(3)
    uses = len(re.findall(r"\bAs\s*<", header_text))
    if uses != len(accessors):
        findings.append("%s: %d conversions of looked-up addresses, %d of them in typed accessors"
                        % (header, uses, len(accessors)))
    for name in names:
        if name not in accessors:
            findings.append("%s:%d: %s is looked up but has no accessor of its name" % (rel, line, name))
            continue
        ok, shown = type_fits(sdk, accessors[name], name, aliases)
        bindings.append("%s:%d: %s through %s (accessor in %s)" % (rel, line, name, shown, header))
        if not ok:
            findings.append("%s: %s is not called through the SDK's type (%s)" % (header, name, accessors[name]))
    for name in accessors:
        if name not in names:
            findings.append("%s: accessor %s names no looked-up function" % (header, name))
    return findings


if __name__ == "__main__":
    sys.exit(main())
