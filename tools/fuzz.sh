#!/usr/bin/env bash
# Runs every fuzz target for the given number of seconds (default 60) on a
# working copy of its seed corpus, with its dictionary when it has one.
# Findings are left in build/fuzz/findings/<target>/; the exit code is
# non-zero when any target found a crash.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
bin=$root/build/fuzz/bin
status=0
for target in "$bin"/fuzz_*; do
  name=$(basename "$target")
  corpus=$root/build/fuzz/corpus/$name
  findings=$root/build/fuzz/findings/$name
  mkdir -p "$corpus" "$findings"
  cp -n "$root/tests/fuzz/corpus/$name"/* "$corpus"/ 2>/dev/null || true
  dict=()
  [[ -f $root/tests/fuzz/$name.dict ]] && dict=(-dict="$root/tests/fuzz/$name.dict")
  log=$root/build/fuzz/$name.log
  "$target" "${dict[@]}" -max_total_time="$seconds" -max_len=1048576 -timeout=20 \
    -rss_limit_mb=4096 -artifact_prefix="$findings/" -print_final_stats=1 "$corpus" >"$log" 2>&1
  rc=$?
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
  if [[ $rc -eq 0 ]]; then
    echo "$name: $runs runs in ${seconds}s, no findings"
  else
    echo "$name: FINDING (exit $rc) after $runs runs; see $log and $findings"
    status=1
  fi
done
exit $status
