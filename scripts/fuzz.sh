#!/usr/bin/env bash
# Builds the fuzz tree and runs every fuzz target for longer than ./test does, one after
# another, SECONDS each (default 600). Each keeps its corpus across runs in
# fuzz/corpus-local/<target>/ (git-ignored) and starts from it and the committed seeds in
# fuzz/corpus/<target>/. Prints each target's executions (per second of the clock and of
# processor time) and coverage at the end; an input
# that crashed a target is kept in fuzz/corpus-local/crashes/, and the script then exits 1.
#
#   scripts/fuzz.sh [SECONDS]
#   CORVANE_FUZZ_BUILD_DIR=build-fuzz-mine scripts/fuzz.sh 60    # another build tree
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-600}
if ! [[ $seconds =~ ^[0-9]+$ ]] || [ "$seconds" -eq 0 ]; then
  echo "usage: scripts/fuzz.sh [SECONDS]" >&2
  exit 2
fi
source scripts/setup.sh
corvane_install_missing || { echo "fuzz: could not install the build packages" >&2; exit 1; }

build=${CORVANE_FUZZ_BUILD_DIR:-build-fuzz}
cmake -S . -B "$build" -G Ninja -Wno-dev -DCMAKE_CXX_COMPILER=clang++ -DCORVANE_BUILD_FUZZ=ON \
  -DCORVANE_BUILD_GUI=OFF -DCORVANE_BUILD_TESTS=OFF -DCORVANE_BUILD_BENCH=OFF >/dev/null &&
  corvane_build "$build" || { echo "fuzz: the build failed" >&2; exit 1; }

corpus=fuzz/corpus-local
mkdir -p "$corpus/crashes"
failed=()
for program in "$build"/bin/fuzz_*; do
  target=${program##*/fuzz_}
  mkdir -p "$corpus/$target"
  log=$corpus/$target.log
  echo "== $target: ${seconds} s (log: $log)"
  # The processor time it got, too: on a shared machine the rate per second of processor
  # time says how fast the target is, the rate per second of the clock how loaded the machine was.
  TIMEFORMAT='%3U %3S'
  times=$( { time "$program" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$corpus/crashes/$target-" "$corpus/$target" "fuzz/corpus/$target" >"$log" 2>&1; } 2>&1 )
  status=$?
  stat() { sed -n "s/^stat::$1: *//p" "$log" | tail -1; }
  last=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -1)
  cov=$(grep -oE 'cov: [0-9]+' <<<"$last" | cut -d' ' -f2)
  ft=$(grep -oE 'ft: [0-9]+' <<<"$last" | cut -d' ' -f2)
  executions=$(stat number_of_executed_units)
  per_cpu=$(awk -v n="${executions:-0}" -v t="$times" 'BEGIN { split(t, p, " "); s = p[1] + p[2]; print (s > 0 ? int(n / s) : "?") }')
  echo "   executions ${executions:-?} ($(stat average_exec_per_sec)/s, ${per_cpu}/s of processor time)," \
    "cov ${cov:-?}, ft ${ft:-?}, corpus $(find "$corpus/$target" -type f | wc -l) inputs"
  if [ $status -ne 0 ]; then
    grep -E '^(SUMMARY|==[0-9]+==ERROR)|^(radio replies|ini|calibration file|port survey):|Test unit written to' "$log" | sed 's/^/   /'
    failed+=("$target")
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
