#!/usr/bin/env bash
# Runs the speed and size benchmarks and writes docs/PERFORMANCE.md.
#
# Every figure in the report is a ratio of two measurements taken in the
# same run, one right after the other, so that the machine's load (other
# builds share its cores) weighs on both sides alike.
#
#   1. size and imports of the i686 launcher (the win32 tree's size-report)
#   2. marker search, cold and warm cache, against byte stepping and memmem
#   3. scrambling against memcpy
#   4. SZDD: our expander against libmspack's, our compressor against
#      mscompress (speed and output size), over bench/szdd_corpus.txt
#   5. a whole launch under Wine against a program that only starts the
#      same sign-up program and waits
#
# Expects the trees that ./dev bench builds; each can be pointed elsewhere:
#
#   KIT_BENCH_BIN    bench tree's bin: kit_bench, make_bench_kit, szddtool
#                    (default build/bench/bin)
#   KIT_WIN64_TREE   win64 tree: bench_signup.exe, start_and_wait*.exe,
#                    launch_probe.exe (default build/win64)
#   KIT_WIN32_TREE   win32 tree, for the size report (default build/win32)
#   KIT_LAUNCH_TREE  win64 tree made here with bench_signup.exe embedded
#                    (default build/bench-launch)
#   KIT_BENCH_WORK   scratch folder (default build/bench-work)
#   KIT_BENCH_REPORT the report (default docs/PERFORMANCE.md)
#   KIT_BENCH_STAGES which stages to run (default "size native szdd launch");
#                    the others' results of an earlier run are reused
#   KIT_LAUNCH_ROUNDS, KIT_LAUNCH_RUNS   hyperfine rounds for the whole launch
#                    and runs per command in each (default 15 and 4): many
#                    short rounds, so that both sides of each ratio meet the
#                    same load
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bench_bin=${KIT_BENCH_BIN:-$root/build/bench/bin}
win64=${KIT_WIN64_TREE:-$root/build/win64}
win32=${KIT_WIN32_TREE:-$root/build/win32}
launch=${KIT_LAUNCH_TREE:-$root/build/bench-launch}
work=${KIT_BENCH_WORK:-$root/build/bench-work}
report=${KIT_BENCH_REPORT:-$root/docs/PERFORMANCE.md}
stages=${KIT_BENCH_STAGES:-size native szdd launch}
rounds=${KIT_LAUNCH_ROUNDS:-15}
runs=${KIT_LAUNCH_RUNS:-4}
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver

log() { printf '\033[1m-- %s\033[0m\n' "$*"; }
die() { printf 'bench: %s\n' "$*" >&2; exit 1; }
stop_wine() { "$wineserver" -k 2>/dev/null || true; }

for needed in "$bench_bin/kit_bench" "$bench_bin/make_bench_kit" "$bench_bin/szddtool" \
              "$win64/bin/bench_signup.exe" "$win64/bin/start_and_wait.exe" \
              "$win64/bin/start_and_wait_gui.exe" "$win64/bin/launch_probe.exe" \
              "$win32/build.ninja"; do
  [[ -e $needed ]] || die "$needed is missing; ./dev bench builds it"
done
for tool in hyperfine mscompress python3 "$wine"; do
  command -v "$tool" >/dev/null || die "$tool is missing; ./dev bench installs it"
done

results=$work/results
mkdir -p "$results"

# --- 1. size and imports --------------------------------------------------------
run_size() {
  log "size and imports (i686 launcher)"
  cmake --build "$win32" --target size-report | sed -n '/^launcher.exe total/,$p' |
    tee "$results/size.txt"
}

# --- 2, 3, 4a. native benchmarks -----------------------------------------------------
# The median of three repetitions of each; CPU time for the warm and
# in-memory cases, wall time for the cold ones (they wait for the disk).
run_native() {
  log "marker search, scrambling, SZDD expanders (Google Benchmark)"
  "$bench_bin/kit_bench" \
    --benchmark_filter='Marker|Scramble|Memcpy|SzddExpand' \
    --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
    --benchmark_min_time=0.5 \
    --benchmark_out="$results/kit_bench.json" --benchmark_out_format=json |
    grep -E '_median|^Benchmark|^---' || true
}

# --- 4b. SZDD compressors, program against program ------------------------------
run_szdd() {
  log "SZDD compressors: szddtool against mscompress over the corpus"
  local corpus=$work/szdd n=0 path f name packed
  rm -rf "$corpus"
  mkdir -p "$corpus/plain" "$corpus/ours" "$corpus/peer"
  while read -r path; do
    [[ -z $path || $path == \#* ]] && continue
    [[ -f $path ]] || { echo "not on this machine, skipped: $path"; continue; }
    n=$((n + 1))
    # Numbered: two files of the corpus share a name.
    cp "$path" "$corpus/plain/$(printf '%02d' $n)-$(basename "$path")"
  done < bench/szdd_corpus.txt
  echo "$n files"
  # mscompress writes NAME_ beside NAME; it gets its own copy of the corpus.
  cp "$corpus"/plain/* "$corpus/peer/"
  hyperfine --runs 2 --export-json "$results/compress.json" \
    --prepare "rm -f $corpus/ours/*" --prepare "rm -f $corpus/peer/*_" \
    -n szddtool \
    "for f in $corpus/plain/*; do $bench_bin/szddtool compress \$f $corpus/ours/\${f##*/}; done" \
    -n mscompress "for f in $corpus/peer/*; do mscompress \$f; done"
  # Both outputs must expand to the original, through our expander.
  for f in "$corpus"/plain/*; do
    name=${f##*/}
    for packed in "$corpus/ours/$name" "$corpus/peer/${name}_"; do
      "$bench_bin/szddtool" expand "$packed" "$corpus/check" && cmp -s "$f" "$corpus/check" ||
        die "$packed does not expand to $name"
    done
  done
  rm -f "$corpus/check"
  python3 - "$corpus" "$results/szdd_sizes.json" <<'PY'
import json, os, sys
corpus, out = sys.argv[1], sys.argv[2]
rows = []
for name in sorted(os.listdir(os.path.join(corpus, "plain"))):
    rows.append({"file": name,
                 "plain": os.path.getsize(os.path.join(corpus, "plain", name)),
                 "ours": os.path.getsize(os.path.join(corpus, "ours", name)),
                 "mscompress": os.path.getsize(os.path.join(corpus, "peer", name + "_"))})
json.dump(rows, open(out, "w"), indent=1)
PY
}

# --- 5. the whole launch under Wine ---------------------------------------------------
run_launch() {
  log "whole launch under Wine"
  cmake -S "$root" -B "$launch" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DKIT_HOST_TOOLS="$bench_bin" -DKIT_BENCH=ON \
    -DKIT_SIGNUP_PROGRAM="$win64/bin/bench_signup.exe" >/dev/null
  cmake --build "$launch" --target launcher launcher_mem -- -k 0 >/dev/null

  export WINEPREFIX=$launch/wine/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  trap stop_wine EXIT
  if [[ ! -f $WINEPREFIX/system.reg ]]; then
    log "making a Wine prefix in $WINEPREFIX (once, about 700 MB)"
    mkdir -p "$WINEPREFIX"
    "$wine" wineboot -i >/dev/null 2>&1
  fi
  # No display here: Wine's null graphics driver.
  "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /t REG_SZ /d null /f >/dev/null 2>&1
  stop_wine

  local bench_c=$WINEPREFIX/drive_c/bench temp round
  rm -rf "$bench_c"
  mkdir -p "$bench_c/kit" "$bench_c/kit_mem" "$bench_c/probe"
  "$bench_bin/make_bench_kit" "$launch/bin/launcher.exe" "$bench_c/kit/setup.exe"
  "$bench_bin/make_bench_kit" "$launch/bin/launcher_mem.exe" "$bench_c/kit_mem/setup.exe"
  cp "$win64/bin/bench_signup.exe" "$bench_c/signup.exe"
  cp "$win64/bin/start_and_wait.exe" "$win64/bin/start_and_wait_gui.exe" \
     "$win64/bin/launch_probe.exe" "$bench_c/"
  cp "$launch/launcher/win32/install.bin" "$bench_c/probe/"
  stat -c '%n %s' "$bench_c/signup.exe" "$bench_c/kit/setup.exe" \
       "$launch/launcher/win32/install.bin" | sed "s|$WINEPREFIX/drive_c/|C:/|" |
    tee "$results/launch_files.txt"

  # A warm server, and one throwaway run of each program.
  "$wineserver" -p
  "$wine" 'C:\bench\start_and_wait.exe' 'C:\bench\signup.exe'
  "$wine" 'C:\bench\kit\setup.exe'
  temp=$("$wine" winepath -u 'C:\users\root\Temp' 2>/dev/null | tr -d '\r')
  cmp -s "$temp/temp.exe" "$bench_c/signup.exe" ||
    die "the launcher did not stage the sign-up program in $temp"

  rm -f "$results"/launch_*.json
  for round in $(seq "$rounds"); do
    echo "round $round of $rounds"
    hyperfine -N --warmup 1 --runs "$runs" --export-json "$results/launch_$round.json" \
      -n launcher "$wine 'C:\\bench\\kit\\setup.exe'" \
      -n start_and_wait "$wine 'C:\\bench\\start_and_wait.exe' 'C:\\bench\\signup.exe'" \
      -n start_and_wait_gui "$wine 'C:\\bench\\start_and_wait_gui.exe' 'C:\\bench\\signup.exe'" \
      -n launcher_mem "$wine 'C:\\bench\\kit_mem\\setup.exe'" |
      grep -E '^Benchmark|Time \(mean' || true
  done
  for _ in $(seq 9); do
    "$wine" 'C:\bench\launch_probe.exe' 'C:\bench\probe\' | tr -d '\r'
  done | tee "$results/probe.txt"
  stop_wine
  trap - EXIT
}

for stage in $stages; do
  "run_$stage"
done

# --- the report ----------------------------------------------------------------------
log "writing ${report#$root/}"
python3 "$root/bench/write_report.py" "$results" "$report"
