#!/usr/bin/env bash
# The 32-bit check: the shipped i686 CONFIG.dll, with the i686 builds of the
# case runner and the address-book doubles, runs tests/data/cases/sixteen.case
# (all sixteen exports on a sample profile of the five clients) and later.case
# (the later clients' exports, SQLite included) under 32-bit Wine, natively
# where the kernel runs i386 programs, else under qemu-i386 emulation; each
# report must equal the expected report that the x86_64 build
# meets under wine64, byte for byte.
#
# It installs 32-bit Wine and qemu-user-static when missing (they stay),
# registers qemu-i386 in binfmt_misc (when needed) for the run only, and
# keeps the 32-bit prefix in the user's cache folder (made once, reused by
# every clone and run, made again when the installed Wine changes).  Where
# the machine cannot emulate (no root, nothing installable, no binfmt_misc,
# Wine does not start programs) it says "THE 32-BIT CHECK DID NOT RUN" with
# the reason and exits 0; a difference or a failure of the run exits 1.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
WINE32=/usr/lib/wine/wine WINESERVER=/usr/lib/wine/wineserver64 QEMU=/usr/bin/qemu-i386-static
BINFMT=/proc/sys/fs/binfmt_misc OUR_ENTRY=corvane-qemu-i386
CACHE=${XDG_CACHE_HOME:-$HOME/.cache}/corvane
PREFIX32=$CACHE/wine32-prefix
CHECK=$root/build/win32/i686-check
CASES="sixteen later"   # tests/data/cases/NAME.case
started=$(date +%s)
say() { echo "check-i686: $* ($(($(date +%s) - started)) s)"; }
not_run() { echo "check-i686: THE 32-BIT CHECK DID NOT RUN: $*"; exit 0; }
fail() { echo "check-i686: FAILED: $*"; exit 1; }
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  sudo -n true 2>/dev/null && SUDO="sudo -n" || not_run "it needs root or password-less sudo"
fi

{ cmake --preset win32 >/dev/null && cmake --build --preset win32 --target cases; } >/dev/null ||
  fail "the i686 build of the case runner failed"

if ! dpkg -s wine32:i386 >/dev/null 2>&1 || ! [ -x "$QEMU" ]; then
  say "installing 32-bit Wine and qemu-user-static"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO dpkg --add-architecture i386 || not_run "dpkg refuses the i386 architecture"
  $SUDO apt-get update -qq >/dev/null 2>&1 || say "apt-get update reported errors (going on)"
  # A multi-arch library must have one version for both architectures: the
  # one whose i386 index may lag the installed amd64 one is pinned to it.
  gst=libgstreamer-plugins-base1.0-0
  gst_version=$(apt-cache policy "$gst:i386" | sed -n 's/^  Candidate: //p')
  $SUDO apt-get install -y -qq --allow-downgrades -t bookworm wine32:i386 "$gst:i386=$gst_version" \
    "$gst:amd64=$gst_version" wine64 qemu-user-static >/tmp/check-i686-apt.log 2>&1 ||
    not_run "32-bit Wine or qemu-user-static could not be installed (/tmp/check-i686-apt.log)"
fi
[ -x "$WINE32" ] && [ -x "$QEMU" ] || not_run "$WINE32 or $QEMU is missing after the installation"

# The prefix, made again when Wine changed; one wineserver serves the probe
# and the run, so that Wine's start-up programs run once.
export WINEPREFIX="$PREFIX32" WINEARCH=win32 WINESERVER WINEDEBUG=-all
export QEMU_RESERVED_VA=0xffff0000  # under qemu the guest needs the whole 32-bit space
wine_version=$(dpkg-query -W -f='${Version}' wine32:i386)
[ "$(cat "$CACHE/wine32-version" 2>/dev/null)" = "$wine_version" ] || rm -rf "$PREFIX32"
mkdir -p "$PREFIX32"
probe() {
  WINEDLLOVERRIDES="mscoree,mshtml=" timeout 1800 "$WINE32" cmd /c echo corvane-probe 2>>"$CACHE/wineboot.log" |
    tr -d '\r' | grep -q -x corvane-probe
}
mounted_here=no registered=no
cleanup() {
  "$WINESERVER" -k >/dev/null 2>&1
  [ $registered = yes ] && echo -1 | $SUDO tee "$BINFMT/$OUR_ENTRY" >/dev/null 2>&1
  [ $mounted_here = yes ] && $SUDO umount "$BINFMT" 2>/dev/null
}
trap cleanup EXIT
trap 'exit 1' INT TERM
# A kernel that runs i386 programs itself needs no emulator.  Elsewhere
# qemu-i386 is registered in binfmt_misc for this run only (an enabled
# registration that was there before is used and left alone).
"$WINESERVER" -p
if probe; then
  say "32-bit Wine runs programs natively"
else
  "$WINESERVER" -k >/dev/null 2>&1
  if ! mountpoint -q "$BINFMT"; then
    $SUDO mount -t binfmt_misc binfmt_misc "$BINFMT" 2>/dev/null || not_run "binfmt_misc cannot be mounted"
    mounted_here=yes
  fi
  if ! grep -l -s "interpreter .*qemu-i386" "$BINFMT"/* | xargs -r grep -l "^enabled" | grep -q .; then
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    echo ":$OUR_ENTRY:M::$magic:$mask:$QEMU:F" | $SUDO tee "$BINFMT/register" >/dev/null 2>&1 ||
      not_run "qemu-i386 cannot be registered in binfmt_misc"
    registered=yes
  fi
  "$WINESERVER" -p
  if ! probe; then
    say "the 32-bit prefix does not run programs; making it anew (many minutes under emulation)"
    "$WINESERVER" -k >/dev/null 2>&1
    rm -rf "$PREFIX32" && mkdir -p "$PREFIX32" && "$WINESERVER" -p
    probe || not_run "32-bit Wine under qemu-i386 does not start programs here (see $CACHE/wineboot.log)"
  fi
  say "32-bit Wine runs programs under emulation"
fi
echo "$wine_version" >"$CACHE/wine32-version"

# The runs; an emulator fault (no report at all) gets one more try.
run() {
  (cd "$CHECK" && WINEDLLOVERRIDES="mscoree,mshtml=;mapi32=n,b" timeout 1800 "$WINE32" cases.exe \
    "Z:$root/tests/data/cases/$1.case" >"$CHECK/run.log" 2>&1)
}
for case in $CASES; do
  run "$case"
  status=$?
  if [ $status -ne 0 ] && ! grep -q "^--- actual" "$CHECK/run.log"; then
    say "the i686 run of $case ended with status $status and no report; once more"
    run "$case"
    status=$?
  fi
  [ $status -eq 0 ] || { cat "$CHECK/run.log"; fail "the i686 report of $case differs from the expected one (above)"; }
  say "the i686 report of $case equals the x86_64 one: $(grep -c '^call ' "$root/tests/data/cases/$case.expected") calls"
done
echo "$(echo $CASES | wc -w) passed, 0 failed"
