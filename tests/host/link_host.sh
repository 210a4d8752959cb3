#!/bin/sh
# Links tests/host/header_host.c against CONFIG.lib with an MSVC-style linker
# (clang for the i686 MSVC target, lld-link; printf from an import library of
# msvcrt.dll made the same way), and checks that this program and the one
# mingw linked against libCONFIG.dll.a both import SetOpera and ResetEudora,
# undecorated, from CONFIG.dll.
# Usage: link_host.sh CLANG LLD-LINK DLLTOOL OBJDUMP SOURCE_DIR CONFIG.lib MINGW_EXE WORK_DIR
set -eu
clang="$1"; lld_link="$2"; dlltool="$3"; objdump="$4"; source="$5"; implib="$6"
mingw_exe="$7"; work="$8"
mkdir -p "$work"
printf 'LIBRARY msvcrt.dll\nEXPORTS\n  printf\n' > "$work/msvcrt.def"
"$dlltool" -m i386 -d "$work/msvcrt.def" -l "$work/msvcrt.lib"
"$clang" --target=i686-pc-windows-msvc -c -Wall -Wextra -Werror -D__USE_MINGW_ANSI_STDIO=0 \
  -I"$source/include" -isystem /usr/i686-w64-mingw32/include \
  "$source/tests/host/header_host.c" -o "$work/header_host.obj"
"$lld_link" /nologo /entry:main /subsystem:console /out:"$work/header_host.exe" \
  "$work/header_host.obj" "$implib" "$work/msvcrt.lib"
failed=0
for exe in "$work/header_host.exe" "$mingw_exe"; do
  found=$("$objdump" -p "$exe" | awk '/DLL Name:/ { d = $3; next } d == "CONFIG.dll" && NF == 3 { print $3 }' | sort | tr '\n' ' ')
  if [ "$found" = "ResetEudora SetOpera " ]; then
    echo "$exe: imports $found from CONFIG.dll"
  else
    echo "FAIL: $exe imports \"$found\" from CONFIG.dll"; failed=1
  fi
done
[ $failed -eq 0 ] && echo "1 passed, 0 failed" || { echo "0 passed, 1 failed"; exit 1; }
