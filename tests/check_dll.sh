#!/bin/sh
# Checks a built CONFIG.dll: exactly the sixteen exports, by name, at ordinals
# 1 to 16, undecorated.  With an allow-list (tests/data/imports-allowed.txt),
# also that the DLL and the programs named after it import only the functions
# listed there, and that the list names nothing newer than Windows 98 SE and
# NT 4.0; without one, that the DLL imports from Windows system DLLs only.
# Usage: check_dll.sh OBJDUMP DLL [ALLOW-LIST [PROGRAM...]]
set -eu
export LC_ALL=C
objdump="$1"; dll="$2"
dump=$("$objdump" -p "$dll")

expected="1 SetOutlook
2 ResetOutlook
3 SetOutlookExpress
4 ResetOutlookExpress
5 SetOpera
6 ResetOpera
7 SetNetscape
8 ResetNetscape
9 SetEudora
10 ResetEudora
11 ImportOutlookExpressBlackList
12 ImportOutlookExpressWhiteList
13 ImportEudoraWhiteList
14 ImportOperaWhiteList
15 ImportOutlookWhiteList
16 ImportNetscapeWhiteList"

# The name table lists "[  i] Name" where i is the 0-based index into the
# address table; with ordinal base 1 the ordinal is i + 1.
printf '%s\n' "$dump" | grep -q 'Ordinal Base 1$' || { echo "FAIL: ordinal base is not 1"; exit 1; }
actual=$(printf '%s\n' "$dump" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^[[:space:]]*\[ *\([0-9]*\)\] \(.*\)$/\1 \2/p' |
  while read -r index name; do echo "$((index + 1)) $name"; done | sort -n)
if [ "$actual" != "$expected" ]; then
  echo "FAIL: export table differs"; echo "expected:"; echo "$expected"; echo "actual:"; echo "$actual"
  exit 1
fi

imports() {  # "dll function" lines of a module's import table, DLL names in lower case
  "$objdump" -p "$1" | awk '/^[ \t]*DLL Name:/ { d = tolower($3); next }
    d != "" && /^[ \t]*$/ { d = "" }
    d != "" && NF == 3 && $1 ~ /^[0-9a-f]+$/ { print d, $3 }' | sort -u
}
if [ $# -ge 3 ]; then
  list="$3"; shift 3
  failed=0
  bad=$(awk '!/^#/ && NF {
      ok9x = ($3 ~ /^(95|98|98SE)\*?$/); oknt = ($4 ~ /^(3\.1|3\.5|3\.51|4\.0)$/)
      if (NF < 4 || !ok9x || !oknt) print "  " $0 }' "$list")
  if [ -n "$bad" ]; then echo "FAIL: $list names versions newer than 98 SE / NT 4.0:"; echo "$bad"; failed=1; fi
  allowed=$(mktemp); trap 'rm -f "$allowed"' EXIT
  awk '!/^#/ && NF { print tolower($1), $2 }' "$list" | sort -u > "$allowed"
  for module in "$dll" "$@"; do
    extra=$(imports "$module" | comm -23 - "$allowed")
    if [ -n "$extra" ]; then
      echo "FAIL: $(basename "$module") imports what $list does not allow:"; printf '  %s\n' $extra | paste -d' ' - -
      failed=1
    else
      echo "$(basename "$module"): $(imports "$module" | wc -l) imports, all on the list"
    fi
  done
  [ $failed -eq 0 ] || { echo "0 passed, 1 failed"; exit 1; }
  echo "exports: 16 names at ordinals 1-16; imports: all allowed for Windows 98 SE / NT 4.0"
  echo "1 passed, 0 failed"
  exit 0
fi

allowed="KERNEL32.dll ADVAPI32.dll SHELL32.dll ole32.dll OLE32.dll USER32.dll msvcrt.dll"
imports=$(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p')
for dll_name in $imports; do
  ok=no
  for a in $allowed; do
    if [ "$(echo "$dll_name" | tr A-Z a-z)" = "$(echo "$a" | tr A-Z a-z)" ]; then ok=yes; fi
  done
  if [ $ok = no ]; then echo "FAIL: imports non-system DLL $dll_name"; exit 1; fi
done
echo "exports: 16 names at ordinals 1-16; imports: $(echo $imports)"
echo "1 passed, 0 failed"
