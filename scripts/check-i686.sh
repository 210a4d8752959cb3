#!/usr/bin/env bash
# The 32-bit check: runs the shipped i686 CONFIG.dll, with the i686 builds of
# the tests' own MAPI and address book, through all sixteen exports on a
# sample profile of the five clients (tests/i686/sixteen_exports.cpp), under
# 32-bit Wine and qemu-i386 emulation, and compares its report with the one
# the x86_64 build writes under wine64.  Any difference fails.
#
# What it sets up, and takes down again at the end (also on failure):
#   - 32-bit Wine and qemu-user-static, installed when missing (they stay);
#   - binfmt_misc (mounted if it is not) and a registration of
#     qemu-i386-static for i386 ELF programs, only for the length of the run;
#     a registration that was there before is used and left alone;
#   - a 32-bit prefix in build/win32/wineprefix (kept for the next run) with
#     a persistent wineserver of its own, stopped at the end.
# When the machine does not allow it (no root, nothing installable, no
# binfmt_misc), it says plainly that the 32-bit check did not run and why,
# and exits 0.  A failure of the check itself exits 1.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD

WINE64=/usr/lib/wine/wine64
WINE32=/usr/lib/wine/wine
WINESERVER=/usr/lib/wine/wineserver64
QEMU=/usr/bin/qemu-i386-static
BINFMT=/proc/sys/fs/binfmt_misc
OUR_ENTRY=corvane-qemu-i386
PREFIX32=$root/build/win32/wineprefix
REPORT64=$root/build/win64/i686-check/report-x86_64.txt
REPORT32=$root/build/win32/i686-check/report-i686.txt
OVERRIDES="mscoree,mshtml=;mapi32=n,b"

started=$(date +%s)
say() { echo "check-i686: $*"; }
elapsed() { echo "$(($(date +%s) - started)) s"; }
not_run() {
  echo "check-i686: THE 32-BIT CHECK DID NOT RUN: $*"
  exit 0
}
fail() {
  echo "check-i686: FAILED: $*"
  exit 1
}

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null && sudo -n true 2>/dev/null; then SUDO="sudo -n"; else
    not_run "it needs root (or password-less sudo) to install 32-bit Wine and register qemu-i386"
  fi
fi

# --- 1. Both builds of the program, and the x86_64 report (before anything
# 32-bit is installed or registered: wine64 must not meet it).
for preset in win32 win64; do
  { cmake --preset $preset >/dev/null && cmake --build --preset $preset --target sixteen_exports; } \
    >/dev/null || fail "the $preset build of sixteen_exports failed"
done
build/win64/wine-run.sh --init || fail "the x86_64 Wine prefix could not be created"
rm -f "$REPORT64" "$REPORT32"
WINEDLLOVERRIDES="$OVERRIDES" build/win64/wine-run.sh build/win64/i686-check/sixteen_exports.exe \
  "Z:$REPORT64" >/dev/null
status=$?
[ -f "$REPORT64" ] || fail "the x86_64 run wrote no report (exit status $status)"
[ $status -eq 0 ] || { grep '^MISMATCH' "$REPORT64"; fail "the x86_64 run found $status mismatches"; }
say "x86_64 report written ($(elapsed))"

# --- 2. 32-bit Wine and the emulator, installed when missing.
if ! dpkg -s wine32:i386 >/dev/null 2>&1 || ! [ -x "$QEMU" ]; then
  say "installing 32-bit Wine and qemu-user-static"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO dpkg --add-architecture i386 || not_run "dpkg refuses the i386 architecture"
  # The security suite's i386 index may fail to download: install from the
  # main suite, so that the amd64 and i386 Wine libraries agree.
  $SUDO apt-get update -qq >/dev/null 2>&1 || say "apt-get update reported errors (going on)"
  # Multi-arch libraries must have one version for both architectures: the
  # one library of which the i386 index may hold an older version than the
  # installed amd64 one is pinned to the i386 candidate.
  gst=libgstreamer-plugins-base1.0-0
  gst_version=$(apt-cache policy "$gst:i386" | sed -n 's/^  Candidate: //p')
  $SUDO apt-get install -y -qq --allow-downgrades -t bookworm wine32:i386 "$gst:i386=$gst_version" \
    "$gst:amd64=$gst_version" wine64 qemu-user-static >/tmp/check-i686-apt.log 2>&1 ||
    not_run "32-bit Wine or qemu-user-static could not be installed (apt-get install failed; see /tmp/check-i686-apt.log)"
fi
[ -x "$WINE32" ] || not_run "$WINE32 is missing after the installation"
[ -x "$QEMU" ] || not_run "$QEMU is missing after the installation"

# --- 3. binfmt_misc and the registration of qemu-i386, for this run only.
mounted_here=no
if ! mountpoint -q "$BINFMT"; then
  $SUDO mount -t binfmt_misc binfmt_misc "$BINFMT" 2>/dev/null ||
    not_run "binfmt_misc cannot be mounted on $BINFMT (the kernel or the container does not allow it)"
  mounted_here=yes
fi
# Entries present now are someone else's; whatever appears from here on
# (ours, or one a package script added) is removed at the end.
entries_before=$(ls "$BINFMT" | grep -v -x -e register -e status | sort)
server_started=no
cleanup() {
  if [ $server_started = yes ]; then
    WINEPREFIX="$PREFIX32" "$WINESERVER" -k >/dev/null 2>&1
    # Emulated programs of the prefix that outlive their wineserver (a
    # crashed helper's debugger, say) are ended too.
    for pid in $(pgrep -f qemu-i386-static); do
      if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -q -x "WINEPREFIX=$PREFIX32"; then
        kill -9 "$pid" 2>/dev/null
      fi
    done
  fi
  for entry in $(ls "$BINFMT" 2>/dev/null | grep -v -x -e register -e status | sort); do
    if ! printf '%s\n' "$entries_before" | grep -q -x -- "$entry"; then
      echo -1 | $SUDO tee "$BINFMT/$entry" >/dev/null 2>&1 && say "binfmt_misc: $entry removed"
    fi
  done
  if [ $mounted_here = yes ] && [ -z "$(ls "$BINFMT" | grep -v -x -e register -e status)" ]; then
    $SUDO umount "$BINFMT" 2>/dev/null
  fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM

registered=""
for entry in $entries_before; do
  if grep -q "^enabled" "$BINFMT/$entry" 2>/dev/null &&
     grep -q "^interpreter .*qemu-i386" "$BINFMT/$entry" 2>/dev/null &&
     grep -q "^magic 7f454c46010101" "$BINFMT/$entry" 2>/dev/null; then
    registered=$entry
  fi
done
if [ -n "$registered" ]; then
  say "binfmt_misc: using the existing registration $registered"
else
  # i386 ELF executables and shared objects; F: the emulator is opened now,
  # so it also serves inside other mount namespaces.
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  echo ":$OUR_ENTRY:M::$magic:$mask:$QEMU:F" | $SUDO tee "$BINFMT/register" >/dev/null 2>&1 ||
    not_run "qemu-i386 cannot be registered in binfmt_misc"
  say "binfmt_misc: $OUR_ENTRY registered"
fi

# --- 4. The 32-bit prefix with a persistent wineserver of its own.
export WINEPREFIX="$PREFIX32" WINEARCH=win32 WINESERVER WINEDEBUG=-all
# qemu-i386 must leave the whole 32-bit address space to the guest, or Wine
# cannot map its shared user data page ("failed to map the shared user data:
# c0000018").
export QEMU_RESERVED_VA=0xffff0000
# Wine's own command interpreter, started under emulation: when it answers,
# the emulated 32-bit Wine runs programs, and whatever goes wrong from there
# on is the check's own failure.
probe() {
  WINEDLLOVERRIDES="mscoree,mshtml=" timeout 900 "$WINE32" cmd /c echo corvane-probe \
    2>>"$root/build/win32/wineboot.log" | tr -d '\r' | grep -q -x corvane-probe
}
# Creating a prefix under emulation starts a dozen Wine programs; qemu now and
# then faults in one of them.  A prefix that does not answer the probe is made
# once more before the check gives up on the machine.
prepare_prefix() {
  mkdir -p "$PREFIX32"
  "$WINESERVER" -p || return 1
  server_started=yes
  if [ ! -f "$PREFIX32/system.reg" ]; then
    say "creating the 32-bit prefix (several minutes under emulation)"
    WINEDLLOVERRIDES="mscoree,mshtml=" timeout 1800 "$WINE32" wineboot --init \
      >>"$root/build/win32/wineboot.log" 2>&1
    say "wineboot ended with status $? ($(elapsed))"
  fi
  # wineboot may return before its helpers have finished; a program started
  # now (the probe) waits until the prefix is ready.
  grep -q '^#arch=win32' "$PREFIX32/system.reg" 2>/dev/null && probe
}
mkdir -p "$root/build/win32"
: >"$root/build/win32/wineboot.log"
if ! prepare_prefix; then
  say "the 32-bit prefix does not run programs; making it once more"
  "$WINESERVER" -k >/dev/null 2>&1
  rm -rf "$PREFIX32"
  if ! prepare_prefix; then
    tail -20 "$root/build/win32/wineboot.log"
    "$WINESERVER" -k >/dev/null 2>&1
    rm -rf "$PREFIX32"
    not_run "32-bit Wine under qemu-i386 does not start programs on this machine (twice: see build/win32/wineboot.log)"
  fi
fi
say "32-bit Wine runs programs under emulation ($(elapsed))"

# --- 5. The i686 run and the comparison.
run_i686() {
  WINEDLLOVERRIDES="$OVERRIDES" timeout 1800 "$WINE32" build/win32/i686-check/sixteen_exports.exe \
    "Z:$REPORT32" >"$root/build/win32/i686-check/run.log" 2>&1
}
say "running the i686 program under emulation"
run_i686
status=$?
# The program writes its report once, at its end.  Without one it did not
# get there: the emulator may have faulted under it.  A second run tells a
# fault of the program's own (which comes again) from one of the emulator.
if [ ! -f "$REPORT32" ]; then
  say "the i686 run wrote no report (exit status $status); running it once more"
  tail -5 "$root/build/win32/i686-check/run.log"
  run_i686
  status=$?
fi
[ -f "$REPORT32" ] || fail "the i686 run wrote no report, twice (exit status $status, build/win32/i686-check/run.log)"
if ! diff -u --label x86_64 --label i686 "$REPORT64" "$REPORT32"; then
  fail "the i686 report differs from the x86_64 report (above)"
fi
[ $status -eq 0 ] || fail "the i686 run ended with status $status"
say "$(grep -c '^call ' "$REPORT32") calls of the sixteen exports; i686 and x86_64 reports identical ($(elapsed))"
echo "1 passed, 0 failed"
