#!/usr/bin/env bash
# Builds every preset and runs every test: the platform-free code natively
# (plain and with ASan/UBSan), the x86_64 DLL's behaviour under wine64, the
# export table and imports of both DLLs, the demo, a fuzz smoke run, and the
# shipped i686 DLL under 32-bit emulation.
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
build() {  # preset; every warning of the project's own code is an error here
  cmake --preset "$1" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null && cmake --build --preset "$1"
}

for preset in native native-asan win32 win64; do
  run "build $preset" build "$preset"
done
run "tests native" ctest --preset native
run "tests native-asan" ctest --preset native-asan
run "tests win32 (export table, imports, MSVC-style link)" ctest --preset win32
run "package (zip of the i686 build)" cmake --build --preset win32 --target package
run "tests win64 (under wine64)" ctest --preset win64
demo() {  # the main job end to end: its round-trip verdict must be "all restored"
  if python3 scripts/demo.py > build/demo.log 2>&1; then
    tail -n 1 build/demo.log
  else
    tail -n 60 build/demo.log; return 1
  fi
}
run "demo on the sample profile (end to end)" demo
run "fuzz smoke run (15 s per target)" fuzz/run.sh 15
# Last: it installs 32-bit Wine, which the wine64 steps above must not meet.
# Where the machine cannot emulate 32-bit code it says so and passes.
check_i686() {
  bash scripts/check-i686.sh 2>&1 | tee build/check-i686.log
  return "${PIPESTATUS[0]}"
}
run "32-bit check (the i686 DLL under emulation)" check_i686

echo
echo "steps: $passed passed, $failed failed"
for f in "${failures[@]}"; do echo "failed step: $f"; done
grep -h "DID NOT RUN" build/check-i686.log 2>/dev/null
[ "$failed" -eq 0 ]
