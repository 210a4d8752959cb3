#!/bin/sh
# Checks a built CONFIG.dll: exactly the sixteen exports, by name, at ordinals
# 1 to 16, undecorated; and imports from Windows system DLLs only.
set -eu
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
