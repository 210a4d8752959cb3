#!/bin/sh
# Builds the native code in Release and runs every benchmark program
# (bench/*_bench.cpp), writing build/bench/<program>.json; then plots the
# address list (build/bench/address_list.svg) and prints its table.
#   bench/run.sh [extra Google Benchmark flags, e.g. --benchmark_filter=Indexed]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=build/native-release
out=build/bench

cmake --preset native -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
programs=""
for source in bench/*_bench.cpp; do
  programs="$programs $(basename "$source" .cpp)"
done
# shellcheck disable=SC2086
cmake --build "$build" -j2 --target $programs

mkdir -p "$out"
{
  echo "nproc: $(nproc)"
  grep -m1 'model name' /proc/cpuinfo || true
  echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
  date -u
} | tee "$out/machine.txt"

for program in $programs; do
  echo "== $program"
  "$build/bench/$program" --benchmark_out="$out/$program.json" --benchmark_out_format=json "$@"
done
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)" | tee -a "$out/machine.txt"

if [ -f "$out/address_list_bench.json" ]; then
  python3 bench/plot.py "$out/address_list_bench.json" "$out/address_list.svg" \
    --title "Address list: building the list from N addresses"
fi
