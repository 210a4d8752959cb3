#!/usr/bin/env bash
# The main job: builds the library and the host tool, then drives the
# exports through corvane-config.exe under wine64 in a fresh Wine prefix.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target CONFIG corvane-config >/dev/null

export WINEPREFIX="$PWD/build/demo/wineprefix"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINE=/usr/lib/wine/wine64
rm -rf build/demo && mkdir -p build/demo
echo "demo: creating a fresh Wine prefix in build/demo/wineprefix"
"$WINE" wineboot --init >/dev/null 2>&1
/usr/lib/wine/wineserver64 -w
bin="$PWD/build/win64/bin"
cli() { "$WINE" "$bin/corvane-config.exe" "$@" | tr -d '\r'; }

echo
echo "== An empty proxy address is refused"
cli --log SetOpera "" || true
echo
echo "== Every client, pointed at 127.0.0.1"
for client in outlook outlookexpress opera netscape eudora; do
  cli --log set "$client" 127.0.0.1 || true
done
/usr/lib/wine/wineserver64 -k || true
