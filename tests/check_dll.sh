#!/bin/sh
# Checks a built CONFIG.dll: its export table is exactly CONFIG.def (the
# build writes it from exports/ExportList.h)
# (every name undecorated at its ordinal); it imports from Windows system DLLs
# only; and with an allow-list (tests/data/imports-allowed.txt: DLL, function,
# the oldest 9x and NT versions that export it), the DLL and the programs
# named after it import only listed functions, and the list names nothing
# newer than Windows 98 SE and NT 4.0.
# Usage: check_dll.sh OBJDUMP DLL DEF [ALLOW-LIST [PROGRAM...]]
set -eu
export LC_ALL=C
objdump="$1"; dll="$2"; def="$3"; failed=0
fail() { echo "FAIL: $*"; failed=1; }
imports() {  # "dll function" lines of a module's import table, DLL names in lower case
  "$objdump" -p "$1" | awk '/^[ \t]*DLL Name:/ { d = tolower($3); next }
    d != "" && /^[ \t]*$/ { d = "" }
    d != "" && NF == 3 && $1 ~ /^[0-9a-f]+$/ { print d, $3 }' | sort -u
}
# The name table lists "[  i] Name", i the 0-based index into the address
# table: with ordinal base 1 the ordinal is i + 1.
"$objdump" -p "$dll" | grep -q 'Ordinal Base 1$' || fail "ordinal base is not 1"
actual=$("$objdump" -p "$dll" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *\([0-9]*\)\] \(.*\)$/\1 \2/p' |
  awk '{ print $1 + 1, $2 }' | sort -n)
expected=$(sed -n 's/^[[:space:]]*\([A-Za-z0-9]*\)[[:space:]]*@\([0-9]*\).*/\2 \1/p' "$def" | sort -n)
[ "$actual" = "$expected" ] || fail "export table differs from $def: $(echo $actual)"
other=$(imports "$dll" | awk '{ print $1 }' | sort -u | grep -v -x -E 'kernel32.dll|advapi32.dll|shell32.dll|ole32.dll|msvcrt.dll' || true)
[ -z "$other" ] || fail "imports from non-system DLLs: $(echo $other)"
if [ $# -ge 4 ]; then
  list="$4"; shift 4
  bad=$(awk '!/^#/ && NF && (NF < 4 || $3 !~ /^(95|98|98SE)\*?$/ || $4 !~ /^(3\.1|3\.5|3\.51|4\.0)$/)' "$list")
  [ -z "$bad" ] || fail "$list names versions newer than 98 SE / NT 4.0: $bad"
  allowed=$(mktemp); trap 'rm -f "$allowed"' EXIT
  awk '!/^#/ && NF { print tolower($1), $2 }' "$list" | sort -u >"$allowed"
  for module in "$dll" "$@"; do
    extra=$(imports "$module" | comm -23 - "$allowed")
    [ -z "$extra" ] || fail "$(basename "$module") imports what $list does not allow: $(echo $extra)"
  done
fi
[ $failed -eq 0 ] && echo "1 passed, 0 failed" || { echo "0 passed, 1 failed"; exit 1; }
