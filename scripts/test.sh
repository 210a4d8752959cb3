#!/usr/bin/env bash
# Builds every preset and runs every test: the platform-free code's tables
# natively (plain and with ASan/UBSan), the cases under wine64 against the
# x86_64 DLL, the export and import tables of both DLLs, the demo, a fuzz
# smoke run, and the shipped i686 DLL under 32-bit emulation (which runs
# beside the other steps).  Ends with the test and code line counts.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh || exit 1
mkdir -p build

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

for preset in win32 win64; do
  run "build $preset" build "$preset"
done
# Wine's own programs must be set up before the 32-bit check registers the
# emulator: a wine64 prefix made while it is registered runs the 32-bit half
# of its set-up under emulation, for minutes.  So the x86_64 prefix and the
# demo's come first; then the 32-bit check, mostly waiting for the emulator,
# runs beside the rest.
run "Wine prefix of the cases" build/win64/wine-run.sh --init
demo() {  # the main job end to end: its round-trip verdict must be "all restored"
  if python3 scripts/demo.py >build/demo.log 2>&1; then tail -n 1 build/demo.log; else tail -n 60 build/demo.log; return 1; fi
}
run "demo on the sample profile (end to end)" demo
bash scripts/check-i686.sh >build/check-i686.log 2>&1 &
check_pid=$!
for preset in native native-asan; do
  run "build $preset" build "$preset"
done
run "tests native" ctest --preset native
run "tests native-asan" ctest --preset native-asan
run "tests win32 (export table, imports, MSVC-style link)" ctest --preset win32
run "package (zip of the i686 build)" cmake --build --preset win32 --target package
# A case fails the same way twice; once in a few hundred runs Wine starts a
# program while the previous one's server shuts down, and a second run passes.
run "tests win64 (the cases under wine64)" ctest --preset win64 --repeat until-pass:2
json() {  # the tool's JSON answers, pinned in its expected reports, parse as UTF-8 JSON
  python3 -c 'import json, sys
for name in sys.argv[1:]:
    for line in open(name, encoding="latin1"):
        if line.startswith("  out {"):
            json.loads(line[6:-1].encode("latin1").decode("unicode_escape").encode("latin1").decode("utf-8"))' \
    tests/data/cases/tool*.expected
}
run "the host tool's JSON answers parse" json
run "fuzz smoke run (15 s per target)" fuzz/run.sh 15
check_i686() { wait "$check_pid"; local status=$?; cat build/check-i686.log; return $status; }
run "32-bit check (the shipped i686 DLL under 32-bit Wine)" check_i686

echo
echo "steps: $passed passed, $failed failed"
for f in "${failures[@]}"; do echo "failed step: $f"; done
grep -h "DID NOT RUN" build/check-i686.log
count() { xargs -r cat | grep -c -v -E '^\s*((//|#).*)?$'; }
sources='\.(cpp|cc|c|h|hpp|py|sh|cmake)$|(^|/)CMakeLists\.txt$'
code=$(git ls-files Config exports support include tools | grep -E "$sources" | count)
tests=$({ git ls-files tests fuzz | grep -E "$sources" | grep -v -E '(^|/)(corpus|data)/'
          git ls-files scripts | grep -E 'test|check'; } | count)
echo "lines: tests $tests, code $code, ratio $(awk -v t="$tests" -v c="$code" 'BEGIN { printf "%.2f", t / c }') (non-blank, non-comment; tests: tests/, fuzz/, the test scripts)"
[ "$failed" -eq 0 ]
