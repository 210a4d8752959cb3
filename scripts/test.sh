#!/usr/bin/env bash
# Builds every preset and runs every test: the platform-free code natively
# (plain and with ASan/UBSan), the x86_64 DLL's behaviour under wine64, and
# the export table and imports of both DLLs.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh || exit 1

passed=0
failed=0
failures=()
run() {  # name, command...
  local name="$1"; shift
  echo "=== $name"
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); failures+=("$name"); fi
}
build() {  # preset
  cmake --preset "$1" >/dev/null && cmake --build --preset "$1"
}

for preset in native native-asan win32 win64; do
  run "build $preset" build "$preset"
done
run "tests native" ctest --preset native
run "tests native-asan" ctest --preset native-asan
run "tests win32 (export table, imports)" ctest --preset win32
run "tests win64 (under wine64)" ctest --preset win64

echo
echo "steps: $passed passed, $failed failed"
for f in "${failures[@]}"; do echo "failed step: $f"; done
[ "$failed" -eq 0 ]
