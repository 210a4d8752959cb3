#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
set -euo pipefail
packages=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 libboost1.81-dev
          cmake ninja-build g++ python3 clang libclang-rt-14-dev libbenchmark-dev lld llvm)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# SQLite, compiled into the DLL for Thunderbird's address books: the
# public-domain amalgamation (sqlite3.c, sqlite3.h) as vendored by the npm
# package better-sqlite3, pinned by version and by the tarball's sha256, and
# unpacked outside the repository.  CMake looks for it there
# (CORVANE_SQLITE_DIR overrides).
SQLITE_VERSION=3.50.4
SQLITE_PACKAGE=better-sqlite3@12.4.1
SQLITE_TARBALL_SHA256=14398acbf00d1e8fe0a2753df7d4f15c13138e4b874f4e6e96791f65b4536d0d
SQLITE_DIR="${CORVANE_SQLITE_DIR:-$HOME/.cache/corvane/sqlite-$SQLITE_VERSION}"
if [ ! -f "$SQLITE_DIR/sqlite3.c" ] || [ ! -f "$SQLITE_DIR/sqlite3.h" ]; then
  if ! command -v npm >/dev/null 2>&1; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq npm >/dev/null
  fi
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  echo "setup: fetching the SQLite $SQLITE_VERSION amalgamation ($SQLITE_PACKAGE)"
  (cd "$work" && npm pack --silent "$SQLITE_PACKAGE" >/dev/null)
  tarball=$(ls "$work"/*.tgz)
  echo "$SQLITE_TARBALL_SHA256  $tarball" | sha256sum -c --quiet - || {
    echo "setup: $SQLITE_PACKAGE does not have the pinned sha256" >&2; exit 1; }
  tar -xzf "$tarball" -C "$work" package/deps/sqlite3/sqlite3.c package/deps/sqlite3/sqlite3.h
  grep -q "define SQLITE_VERSION *\"$SQLITE_VERSION\"" "$work/package/deps/sqlite3/sqlite3.h" || {
    echo "setup: $SQLITE_PACKAGE does not hold SQLite $SQLITE_VERSION" >&2; exit 1; }
  mkdir -p "$SQLITE_DIR"
  cp "$work/package/deps/sqlite3/sqlite3.c" "$work/package/deps/sqlite3/sqlite3.h" "$SQLITE_DIR/"
fi
