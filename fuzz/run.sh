#!/bin/sh
# Builds every fuzz target (fuzz/<name>.cpp) and runs each for the given time
#   fuzz/run.sh [seconds-per-target, default 60] [name ...]
# With FUZZ_RUNS=N in the environment a target also stops after N executions;
# FUZZ_FLAGS adds libFuzzer flags (e.g. FUZZ_FLAGS=-max_len=1024).
# Seeds come from fuzz/corpus/<name>/ (read only); new inputs go to
# build/fuzz/corpus/<name>/, crashes to build/fuzz/artifacts/<name>/, the
# output to build/fuzz/<name>.log.  Exit status 1 when any target found
# something.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-60}
[ $# -gt 0 ] && shift
build=build/fuzz

cmake -S fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2

names="$*"
if [ -z "$names" ]; then
  for source in fuzz/*.cpp; do names="$names $(basename "$source" .cpp)"; done
fi

status=0
for name in $names; do
  mkdir -p "$build/corpus/$name" "$build/artifacts/$name" "fuzz/corpus/$name"
  echo "== $name: ${seconds} s"
  if "$build/$name" -max_total_time="$seconds" ${FUZZ_RUNS:+-runs="$FUZZ_RUNS"} ${FUZZ_FLAGS:-} -print_final_stats=1 \
      -artifact_prefix="$build/artifacts/$name/" \
      "$build/corpus/$name" "fuzz/corpus/$name" >"$build/$name.log" 2>&1; then
    result="no finding"
  else
    result="FINDING (see $build/$name.log and $build/artifacts/$name/)"
    status=1
  fi
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$build/$name.log" | grep -o '[0-9]*$' || echo "?")
  cov=$(grep -o 'cov: [0-9]*' "$build/$name.log" | tail -1 || true)
  units=$(ls "$build/corpus/$name" | wc -l)
  echo "   $runs executions, $cov, $units corpus units, $result"
done
exit $status
