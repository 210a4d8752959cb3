#!/usr/bin/env python3
"""The main job, run on the embedded sample profile (demo/profile/).

Creates a fresh Wine prefix in build/demo, loads the sample profile into it
(registry and files of all eight mail clients), then through corvane-config:
shows every client's incoming accounts, points them all at 127.0.0.1, shows
them again, exports the white lists and the black list, restores the
clients, and says whether every value is back as it was.  The configuration
log of the whole run is printed last.

Exit status 0 only when every call gave its expected result and every value
came back ("all restored").
"""
import json
import os
import shutil
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build", "win64")
DEMO = os.path.join(ROOT, "build", "demo")
PREFIX = os.path.join(DEMO, "wineprefix")
PROFILE = os.path.join(ROOT, "demo", "profile")
WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver64"
PROXY = "127.0.0.1"
# The tool's name of each client and its title, in the tool's order.
TITLES = {"outlook": "Outlook", "outlook2007": "Outlook 2007", "outlookexpress": "Outlook Express",
          "opera": "Opera", "netscape": "Netscape/Mozilla", "eudora": "Eudora",
          "thunderbird": "Thunderbird", "windowsmail": "Windows Mail"}
CLIENTS = list(TITLES)
# Every client has an address book to export but Outlook 2007.
WHITE_LISTS = [client for client in CLIENTS if client != "outlook2007"]
BIN_WIN = "C:\\corvane-demo"          # the library, the tool and the stand-ins
LISTS_WIN = BIN_WIN + "\\lists"

ENV = dict(os.environ, WINEPREFIX=PREFIX, WINEDEBUG="-all", WINESERVER=WINESERVER,
           # The MAPI stand-in beside the tool is taken before Wine's own.
           WINEDLLOVERRIDES="mscoree,mshtml=;mapi32=n,b")


def wine(*args, check=True):
    # Output goes through a file, not a pipe: services that Wine starts on the
    # way inherit the handles and would keep a pipe open.
    with open(os.path.join(DEMO, "wine-output.txt"), "w+b") as output:
        code = subprocess.run([WINE, *args], env=ENV, stdin=subprocess.DEVNULL, stdout=output,
                              stderr=subprocess.STDOUT).returncode
        output.seek(0)
        out = output.read().decode("latin-1").replace("\r\n", "\n")
    if check and code != 0:
        sys.exit(f"demo: '{' '.join(args)}' failed ({code}):\n{out}")
    return code, out


def tool(*args):
    return wine(os.path.join(PREFIX, "drive_c", "corvane-demo", "corvane-config.exe"), *args,
                check=False)


def heading(text):
    print()
    print("=" * 78)
    print(text)
    print("=" * 78)


def copy_tree(source, target):
    for folder, _, files in os.walk(source):
        relative = os.path.relpath(folder, source)
        os.makedirs(os.path.join(target, relative), exist_ok=True)
        for name in files:
            shutil.copy2(os.path.join(folder, name), os.path.join(target, relative, name))


def folder_unix(variable):
    """The Unix path of the folder that a Windows environment variable names."""
    _, out = wine("cmd", "/c", "echo", f"%{variable}%")
    windows_path = out.strip().splitlines()[-1]
    _, unix = wine("winepath", "-u", windows_path)
    return unix.strip()


def make_prefix():
    shutil.rmtree(DEMO, ignore_errors=True)
    os.makedirs(PREFIX)
    print("creating a fresh Wine prefix in build/demo/wineprefix ...", flush=True)
    started = time.time()
    # One server for the whole run: every call below starts faster.
    subprocess.run([WINESERVER, "-p"], env=ENV)
    wine("wineboot", "--init")
    print(f"prefix ready in {time.time() - started:.1f} s")


def load_profile():
    drive_c = os.path.join(PREFIX, "drive_c")
    bin_dir = os.path.join(drive_c, "corvane-demo")
    os.makedirs(os.path.join(bin_dir, "lists"))
    for source in [os.path.join(BUILD, "bin", "CONFIG.dll"),
                   os.path.join(BUILD, "bin", "corvane-config.exe"),
                   os.path.join(BUILD, "mapi-bed", "mapi32.dll"),
                   os.path.join(BUILD, "bin", "wab", "wabdouble.dll")]:
        shutil.copy2(source, bin_dir)
    copy_tree(os.path.join(PROFILE, "corvane-demo"), bin_dir)
    copy_tree(os.path.join(PROFILE, "Program Files"), os.path.join(drive_c, "Program Files"))
    for folder, variable in [("AppData", "APPDATA"), ("LocalAppData", "LOCALAPPDATA"),
                             ("UserProfile", "USERPROFILE")]:
        copy_tree(os.path.join(PROFILE, folder), folder_unix(variable))
    wine("regedit", "/S", "Z:" + os.path.join(PROFILE, "registry.reg").replace("/", "\\"))
    # The product's logging switch: the whole run goes to C:\corvane-demo\ConfigLog.txt.
    wine("reg", "add", "HKCU\\Software\\Vantrel\\Corvane", "/v", "Logging", "/t", "REG_DWORD",
         "/d", "0", "/f")
    print("sample profile loaded: registry (demo/profile/registry.reg), Application Data,")
    print("Local Application Data, the user's Contacts, Program Files\\Opera6, and the")
    print("address-book stand-ins in " + BIN_WIN)


def accounts():
    code, out = tool("--json", "--proxy", PROXY, "show", "all")
    if code != 0:
        sys.exit("demo: 'show all' failed:\n" + out)
    return json.loads(out)


def show():
    _, out = tool("--proxy", PROXY, "show", "all")
    print(out, end="")


# What 'show' must report after Set on this profile: every incoming account
# configured but Opera's news account.  (Outlook stops at the 2000 accounts,
# but Outlook 2007's Set reaches the 2002/2003 profile, listed under both.)
EXPECTED_DIRECT_AFTER_SET = {("opera", "NNTP")}
# The accounts 'show all' lists on this profile, the 2002/2003 one twice.
ACCOUNTS = 22


def check_states(view, configured_expected):
    problems = []
    total = 0
    for client in view["clients"]:
        for account in client["accounts"]:
            total += 1
            key = (client["client"], account["protocol"])
            expect = "configured" if configured_expected and key not in EXPECTED_DIRECT_AFTER_SET \
                else "direct"
            if account["state"] != expect:
                problems.append(f"{client['client']} {account['store']}: {account['state']}, "
                                f"expected {expect}")
    if total != ACCOUNTS:
        problems.append(f"{total} accounts listed, the profile holds {ACCOUNTS}")
    for problem in problems:
        print("UNEXPECTED: " + problem)
    return not problems


def call(expect, *args):
    code, out = tool(*args)
    print(out.strip())
    return code == expect


def export_list(client, kind):
    """Exports one address list through the tool and prints the file it wrote."""
    name = f"{client}-{kind}.txt"
    ok = call(0, "import", client, kind, f"{LISTS_WIN}\\{name}")
    path = os.path.join(PREFIX, "drive_c", "corvane-demo", "lists", name)
    if os.path.exists(path):
        with open(path, "rb") as f:
            data = f.read()
        lines = data.count(b"\r\n")
        print(f"--- {TITLES[client]}, {kind} list: {name} ({lines} addresses, CR LF lines)")
        print(data.decode("latin-1").replace("\r\n", "\n"), end="")
    return ok


def ini_values(path):
    """Section -> key -> value of an INI file (the profile functions' view)."""
    values, section = {}, None
    with open(path, "rb") as f:
        for raw in f.read().decode("latin-1").splitlines():
            line = raw.strip()
            if line.startswith("[") and line.endswith("]"):
                section = line[1:-1].lower()
                values.setdefault(section, {})
            elif "=" in line and section is not None and not line.startswith(";"):
                key, value = line.split("=", 1)
                values[section][key.strip().lower()] = value.strip()
    return values


# The files whose bytes must come back unchanged: by name, and by extension.
BYTE_FILES = ("prefs.js", "contacts.adr", "abook.mab", "nndbase.txt", "abook.sqlite")
BYTE_EXTENSIONS = (".oeaccount", ".contact")


def snapshot():
    """Every value the clients keep, as the profile stores it."""
    state = {"accounts": accounts()}
    drive_c = os.path.join(PREFIX, "drive_c")
    for folder, _, files in os.walk(drive_c):
        for name in files:
            path = os.path.join(folder, name)
            lower = name.lower()
            if lower in ("accounts.ini", "account.ini", "eudora.ini"):
                state[os.path.relpath(path, drive_c)] = ini_values(path)
            elif lower in BYTE_FILES or lower.endswith(BYTE_EXTENSIONS):
                with open(path, "rb") as f:
                    state[os.path.relpath(path, drive_c)] = f.read()
    exported = os.path.join(DEMO, "snapshot.reg")
    for key in ["HKEY_CURRENT_USER\\Software\\Microsoft", "HKEY_CURRENT_USER\\Identities"]:
        wine("regedit", "/E", "Z:" + exported.replace("/", "\\"), key)
        with open(exported, "rb") as f:
            state["registry " + key] = f.read().decode("utf-16")
    return state


def differences(before, after):
    found = []
    for key in sorted(set(before) | set(after)):
        if before.get(key) != after.get(key):
            found.append(key)
    return found


def main():
    started = time.time()
    make_prefix()
    load_profile()
    ok = True

    heading("Before: where each mail client is pointed now")
    show()
    before = snapshot()
    ok &= check_states(before["accounts"], False)

    heading(f"Set: every client pointed at the mail proxy {PROXY}")
    for client in CLIENTS:
        ok &= call(0, "set", client, PROXY)
    heading("After Set")
    show()
    print("(Outlook rewrites the accounts of the first version it finds, here Outlook 2000's;")
    print(" the 2002/2003 messaging profile, listed under both, is configured by Outlook 2007,")
    print(" which keeps its 2007/2010 profiles under the same key.)")
    ok &= check_states(accounts(), True)

    heading("Address lists exported to " + LISTS_WIN)
    for client in WHITE_LISTS:
        ok &= export_list(client, "white")
    ok &= export_list("outlookexpress", "black")

    heading(f"Reset: every client restored from {PROXY}")
    for client in CLIENTS:
        ok &= call(0, "reset", client, PROXY)
    heading("After Reset")
    show()
    after = snapshot()
    ok &= check_states(after["accounts"], False)

    changed = differences(before, after)
    heading("Round trip")
    if not changed:
        print("all restored: every account value, INI value, preference file, address book")
        print("and registry value of the eight clients is as it was before Set.")
    else:
        ok = False
        print("NOT all restored; these differ from before Set:")
        for key in changed:
            print("  " + key)

    heading("ConfigLog.txt of this run (" + BIN_WIN + "\\ConfigLog.txt)")
    with open(os.path.join(PREFIX, "drive_c", "corvane-demo", "ConfigLog.txt"), "rb") as f:
        print(f.read().decode("latin-1").replace("\r\n", "\n"), end="")

    subprocess.run([WINESERVER, "-k"], env=ENV)
    print()
    print(f"demo finished in {time.time() - started:.0f} s: "
          + ("every call succeeded, all restored" if ok and not changed else "FAILED"))
    return 0 if ok and not changed else 1


if __name__ == "__main__":
    sys.exit(main())
