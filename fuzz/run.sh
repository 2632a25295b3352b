#!/bin/sh
# Runs every fuzz target for a fixed time and prints, per target and in
# total, how many inputs it executed and how many findings (crash, leak,
# time-out or out-of-memory inputs) it saved. Exits 1 when there is any.
#
#   fuzz/run.sh BUILD_DIR SECONDS
set -u
build=$(cd "$1" && pwd)
seconds=$2
src=$(cd "$(dirname "$0")/.." && pwd)

# Seed directories of each target, beside its own seeds in fuzz/seeds/.
seeds_of() {
  case $1 in
    conf) echo "$src/examples" ;;
    rules) echo "$src/examples $src/tests/fixtures" ;;
    inhex) echo "$build/examples" ;;
    *) echo "" ;;
  esac
}

total_runs=0
total_found=0
mkdir -p "$build/findings" "$build/logs"
printf '%-10s %12s %9s\n' target executions findings
for t in ${FUZZ_TARGETS:-angles conf path_edit rules inhex shell device}; do
  corpus="$build/corpus/$t"
  mkdir -p "$corpus"
  before=$(ls "$build/findings" | grep -c "^$t-" || true)
  dict=""
  [ -f "$src/fuzz/dicts/$t.dict" ] && dict="-dict=$src/fuzz/dicts/$t.dict"
  # shellcheck disable=SC2046,SC2086
  "$build/${t}_fuzz" -max_total_time="$seconds" -timeout=10 -max_len=8192 \
    -print_final_stats=1 $dict -artifact_prefix="$build/findings/$t-" \
    "$corpus" "$src/fuzz/seeds/$t" $(seeds_of "$t") >"$build/logs/$t.log" 2>&1
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/logs/$t.log" | tail -n 1)
  [ -n "$runs" ] || runs=$(sed -n 's/^#\([0-9][0-9]*\).*/\1/p' "$build/logs/$t.log" | tail -n 1)
  [ -n "$runs" ] || runs=0
  after=$(ls "$build/findings" | grep -c "^$t-" || true)
  found=$((after - before))
  printf '%-10s %12s %9s\n' "$t" "$runs" "$found"
  [ "$found" -eq 0 ] || echo "  see $build/logs/$t.log and $build/findings/$t-*;" \
    "once fixed, keep the input in fuzz/seeds/$t/ (make test replays it)"
  total_runs=$((total_runs + runs))
  total_found=$((total_found + found))
done
printf '%-10s %12s %9s\n' total "$total_runs" "$total_found"
[ "$total_found" -eq 0 ]
