#!/usr/bin/env bash
# Regenerates docs/ROBUSTNESS.md: a fuzz campaign over every target (the
# given number of seconds each, default 1800, stopping a target early at ten
# million runs), then the catalogue of hostile kits under Wine.
#   tools/robustness.sh [seconds]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-1800}
out=$root/docs/ROBUSTNESS.md
bin=$root/build/fuzz/bin
work=$root/build/fuzz

rows=()
for target in "$bin"/fuzz_*; do
  name=$(basename "$target")
  corpus=$work/corpus/$name
  findings=$work/findings/$name
  mkdir -p "$corpus" "$findings"
  cp -n "$root/tests/fuzz/corpus/$name"/* "$corpus"/ 2>/dev/null || true
  dict=()
  [[ -f $root/tests/fuzz/$name.dict ]] && dict=(-dict="$root/tests/fuzz/$name.dict")
  log=$work/$name.campaign.log
  start=$(date +%s)
  "$target" "${dict[@]}" -max_total_time="$seconds" -runs=10000000 -max_len=1048576 \
    -timeout=20 -rss_limit_mb=4096 -artifact_prefix="$findings/" -print_final_stats=1 \
    "$corpus" >"$log" 2>&1
  rc=$?
  spent=$(( $(date +%s) - start ))
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
  open=$(find "$findings" -type f | wc -l)
  rows+=("| \`$name\` | $runs | ${spent} s | $([[ $rc -eq 0 ]] && echo 0 || echo "$open (exit $rc)") |")
done

catalogue=$work/catalogue.tsv
rm -f "$catalogue"
KIT_CATALOGUE_OUT=$catalogue "$root/build/native/bin/wine_tests" \
  --gtest_filter='Catalogue/HostileKits.*' >"$work/catalogue.log" 2>&1

{
  echo "# Robustness"
  echo
  echo "Made by \`tools/robustness.sh $seconds\` on $(date -u +%Y-%m-%d)."
  echo
  echo "## Fuzzing"
  echo
  echo "Each target ran on its seed corpus (\`tests/fuzz/corpus/\`) with clang's libFuzzer,"
  echo "AddressSanitizer and UndefinedBehaviorSanitizer, until ten million runs or the time"
  echo "limit, whichever came first."
  echo
  echo "| target | runs | time | open findings |"
  echo "|---|---|---|---|"
  printf '%s\n' "${rows[@]}"
  echo
  echo "## Hostile kits under Wine"
  echo
  echo "The real win64 launcher, run by \`wine_tests --gtest_filter='Catalogue/HostileKits.*'\`."
  echo "Every entry must end with exit code 0, without a crash, and leave every file outside"
  echo "the temporary folder and the kit as it was."
  echo
  echo "| kit or machine | expected | observed |"
  echo "|---|---|---|"
  while IFS=$'\t' read -r name expected observed; do
    echo "| $name | $expected | $observed |"
  done <"$catalogue"
} >"$out"
echo "wrote $out"
