#!/usr/bin/env python3
"""Writes docs/PERFORMANCE.md from the results tools/bench.sh collected.

    write_report.py RESULTS_DIR REPORT.md

Every figure is a ratio of two measurements from the same run; the targets
are checked here, and a miss is said so in the table.
"""
import datetime
import json
import os
import platform
import re
import statistics
import subprocess
import sys

results, report = sys.argv[1], sys.argv[2]


def load(name):
    with open(os.path.join(results, name)) as f:
        return json.load(f)


def read(name):
    with open(os.path.join(results, name)) as f:
        return f.read()


def tool_version(command):
    try:
        out = subprocess.run(command, capture_output=True, text=True, timeout=30)
        return (out.stdout or out.stderr).strip().splitlines()[0]
    except (OSError, IndexError, subprocess.TimeoutExpired):
        return "unknown"


def met(ok):
    return "yes" if ok else "**no**"


def kib(n):
    return f"{n / 1024:.1f} KiB"


# --- 1. size and imports ---------------------------------------------------------
size_text = read("size.txt")


def size_field(label):
    m = re.search(rf"^{re.escape(label)}: (\d+) bytes", size_text, re.M)
    return int(m.group(1))


total = size_field("launcher.exe total")
bare = size_field("launcher_bare.exe")
blob = size_field("compressed sign-up program (install.bin)")
major = re.search(r"^MajorSubsystemVersion\s+(\d+)", size_text, re.M).group(1)
minor = re.search(r"^MinorSubsystemVersion\s+(\d+)", size_text, re.M).group(1)
dlls = re.search(r"^imported DLLs: (.*)$", size_text, re.M).group(1).split()
wide = re.search(r"^wide-character imports: (.*)$", size_text, re.M).group(1).strip()
allowed = {"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL"}
imports_ok = {d.upper() for d in dlls} <= allowed and wide == "none"
size_ok = bare <= 32 * 1024

# --- 2, 3, 4a. Google Benchmark -------------------------------------------------------
bench = load("kit_bench.json")
medians = {b["run_name"]: b for b in bench["benchmarks"] if b.get("aggregate_name") == "median"}


def ms(run, clock="cpu_time"):
    b = medians[run]
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
    return b[clock] * scale


MIB64 = 64 << 20
search_warm = ms("BM_MarkerSearchBlocks/67108864/0")
search_letters = ms("BM_MarkerSearchBlocks/67108864/1")
search_cold = ms("BM_MarkerSearchBlocksCold/67108864/0/iterations:5/real_time", "real_time")
memmem = ms("BM_MarkerSearchMemmem/67108864/0")
memmem_letters = ms("BM_MarkerSearchMemmem/67108864/1")
memmem_wall = ms("BM_MarkerSearchMemmem/67108864/0", "real_time")
stepping = ms("BM_MarkerSearchByteStepping/262144/0")
strided = ms("BM_MarkerSearchStrided/67108864/0")
strided_letters = ms("BM_MarkerSearchStrided/67108864/1")
strided_cold = ms("BM_MarkerSearchStridedCold/67108864/0/iterations:5/real_time", "real_time")
cold_pages = medians["BM_MarkerSearchBlocksCold/67108864/0/iterations:5/real_time"].get(
    "cached_pages_at_start", float("nan"))
stepping_per_mib = stepping * 4  # 256 KiB measured; the cost is linear in the distance
search_ratio = search_warm / memmem
search_ok = search_ratio <= 1.5

scramble = ms("BM_ScrambleOid")
memcpy = ms("BM_MemcpySameSize")
scramble_ratio = scramble / memcpy
scramble_ok = scramble_ratio <= 1.5


def gbps(milliseconds, size=MIB64):
    return size / (milliseconds / 1e3) / 1e9


expand_ours = ms("BM_SzddExpandOurs")
expand_peer = ms("BM_SzddExpandLibmspack")
corpus_plain = int(medians["BM_SzddExpandOurs"]["plain_bytes"])
corpus_files = int(medians["BM_SzddExpandOurs"]["files"])
expand_ratio = expand_ours / expand_peer
expand_ok = expand_ratio <= 1.0

# --- 4b. compressors -------------------------------------------------------------------
compress = {r["command"]: r for r in load("compress.json")["results"]}
sizes = load("szdd_sizes.json")
ours_total = sum(r["ours"] for r in sizes)
peer_total = sum(r["mscompress"] for r in sizes)
plain_total = sum(r["plain"] for r in sizes)
larger = [r for r in sizes if r["ours"] > r["mscompress"]]
worst = max(sizes, key=lambda r: r["ours"] / r["mscompress"])
best = min(sizes, key=lambda r: r["ours"] / r["mscompress"])
size_ratio = ours_total / peer_total
szdd_size_ok = not larger and ours_total < peer_total


def cpu(r):
    return r["user"] + r["system"]


compress_wall = compress["szddtool"]["median"] / compress["mscompress"]["median"]
compress_cpu = cpu(compress["szddtool"]) / cpu(compress["mscompress"])

# --- 5. whole launch ---------------------------------------------------------------------
rounds = []
name = 1
while os.path.exists(os.path.join(results, f"launch_{name}.json")):
    rounds.append({r["command"]: r for r in load(f"launch_{name}.json")["results"]})
    name += 1
pooled = {c: [t for r in rounds for t in r[c]["times"]] for c in rounds[0]}
median = {c: statistics.median(t) * 1e3 for c, t in pooled.items()}
fastest = {c: min(t) * 1e3 for c, t in pooled.items()}
runs_each = len(pooled["launcher"])


# Each round ran every command a few times within a few seconds, so the
# ratio of one round's medians is taken under one load; the figure is the
# median of those ratios, with their quartiles.
def launch_ratio(a, b):
    per_round = [statistics.median(r[a]["times"]) / statistics.median(r[b]["times"])
                 for r in rounds]
    if len(per_round) < 2:
        return per_round[0], per_round[0], per_round[0]
    q1, q2, q3 = statistics.quantiles(per_round, n=4)
    return statistics.median(per_round), q1, q3


launch, launch_lo, launch_hi = launch_ratio("launcher", "start_and_wait")
launch_gui, launch_gui_lo, launch_gui_hi = launch_ratio("launcher", "start_and_wait_gui")
launch_mem, launch_mem_lo, launch_mem_hi = launch_ratio("launcher_mem", "start_and_wait")
gui_floor, _, _ = launch_ratio("start_and_wait_gui", "start_and_wait")
launch_ok = launch <= 1.2

probe_rows = [dict(kv.split("=") for kv in line.split())
              for line in read("probe.txt").splitlines() if "=" in line]
probe = {k: statistics.median(int(r[k]) for r in probe_rows) / 1e3 for k in probe_rows[0]}
launch_files = dict(line.rsplit(" ", 1) for line in read("launch_files.txt").splitlines())
signup_size = int(next(v for k, v in launch_files.items() if k.endswith("signup.exe")))

# --- the machine ---------------------------------------------------------------------------
cpu_model = "unknown"
try:
    with open("/proc/cpuinfo") as f:
        cpu_model = next(l.split(":", 1)[1].strip() for l in f if l.startswith("model name"))
except (OSError, StopIteration):
    pass
cores = os.cpu_count()
load_avg = " ".join(f"{x:.1f}" for x in os.getloadavg())
when = datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC")

# --- the table ---------------------------------------------------------------------------------
rows = [
    ("1a", "Size: i686 `launcher_bare.exe` (no sign-up program), stripped",
     f"{bare} B ({kib(bare)})", "32 KiB", f"{bare / 32768:.2f}", "≤ 1.00", met(size_ok)),
    ("1b", "Imports of the i686 launcher",
     f"{', '.join(dlls)}; wide: {wide}; subsystem {major}.{minor}",
     "KERNEL32, USER32, GDI32", "—", "no other DLL, no W entry", met(imports_ok)),
    ("2a", "Marker search, 64 MiB file, warm cache: ours vs memmem in memory",
     f"{search_warm:.1f} ms ({gbps(search_warm):.2f} GB/s)",
     f"{memmem:.1f} ms ({gbps(memmem):.2f} GB/s)", f"{search_ratio:.2f}×", "≤ 1.5×",
     met(search_ok)),
    ("2b", "Marker search, cold cache: ours (wall) vs memmem (wall, in memory)",
     f"{search_cold:.1f} ms", f"{memmem_wall:.1f} ms", f"{search_cold / memmem_wall:.2f}×",
     "—", "—"),
    ("2c", "Marker search, warm: ours vs the byte-stepping reference, per MiB",
     f"{search_warm / 64:.3f} ms/MiB", f"{stepping_per_mib:.0f} ms/MiB",
     f"1/{stepping_per_mib / (search_warm / 64):.0f}", "—", "—"),
    ("2d", "Candidate stride search (bench/stride_search.h), warm, vs memmem",
     f"{strided:.1f} ms", f"{memmem:.1f} ms", f"{strided / memmem:.2f}×", "≤ 1.5×",
     met(strided / memmem <= 1.5)),
    ("3", "ScrambleOid on 64 MiB vs memcpy of 64 MiB",
     f"{scramble:.1f} ms ({gbps(scramble):.2f} GB/s)",
     f"{memcpy:.1f} ms ({gbps(memcpy):.2f} GB/s)", f"{scramble_ratio:.2f}×", "≤ 1.5×",
     met(scramble_ok)),
    ("4a", f"SZDD expansion of {corpus_files} PE files ({corpus_plain / 2**20:.1f} MiB): "
     "ours vs libmspack",
     f"{expand_ours:.0f} ms ({corpus_plain / expand_ours / 1e3:.0f} MB/s)",
     f"{expand_peer:.0f} ms ({corpus_plain / expand_peer / 1e3:.0f} MB/s)",
     f"{expand_ratio:.2f}×", "≤ 1.00×", met(expand_ok)),
    ("4b", "SZDD output size, same files: ours vs mscompress (total)",
     f"{ours_total} B", f"{peer_total} B", f"{size_ratio:.3f}×",
     "< 1, and no file larger", met(szdd_size_ok) + f" ({len(larger)} larger)"),
    ("4c", "SZDD compression time, same files: szddtool vs mscompress (wall; CPU)",
     f"{compress['szddtool']['median']:.1f} s; {cpu(compress['szddtool']):.1f} s",
     f"{compress['mscompress']['median']:.1f} s; {cpu(compress['mscompress']):.1f} s",
     f"{compress_wall:.2f}×; {compress_cpu:.2f}×", "—", "—"),
    ("5a", "Whole launch under Wine: kit vs start-and-wait floor (median)",
     f"{median['launcher']:.0f} ms", f"{median['start_and_wait']:.0f} ms",
     f"{launch:.2f}× (IQR {launch_lo:.2f}–{launch_hi:.2f})", "≤ 1.2×", met(launch_ok)),
    ("5b", "Whole launch: kit vs a floor that also imports USER32 and GDI32",
     f"{median['launcher']:.0f} ms", f"{median['start_and_wait_gui']:.0f} ms",
     f"{launch_gui:.2f}× (IQR {launch_gui_lo:.2f}–{launch_gui_hi:.2f})", "—", "—"),
    ("5c", "Whole launch: kit expanding in memory (no VerInstallFileA) vs floor",
     f"{median['launcher_mem']:.0f} ms", f"{median['start_and_wait']:.0f} ms",
     f"{launch_mem:.2f}× (IQR {launch_mem_lo:.2f}–{launch_mem_hi:.2f})", "—", "—"),
]

out = []
w = out.append
w("# Performance")
w("")
w("Written by `./dev bench` (tools/bench.sh, then bench/write_report.py); do not edit by hand.")
w(f"Last run: {when} on {cpu_model}, {cores} cores, load average {load_avg} at the end "
  "of the run (other builds share the machine). "
  f"{tool_version(['hyperfine', '--version'])}, "
  f"{tool_version(['/usr/lib/wine/wine64', '--version'])}, "
  f"{tool_version(['i686-w64-mingw32-gcc', '--version'])}.")
w("")
w("Every ratio compares two measurements taken in the same run, one after the other, so "
  "that the machine's load weighs on both alike; the absolute times are only as good as "
  "that load allows. \"Ratio\" is ours over the reference: below 1 means ours is smaller "
  "or faster.")
w("")
w("| # | What | Ours | Reference | Ratio | Target | Met |")
w("|---|------|------|-----------|-------|--------|-----|")
for row in rows:
    w("| " + " | ".join(row) + " |")
w("")
w("## How each row was measured")
w("")
w(f"**1a, 1b.** The i686 tree's `size-report` target. That tree links the "
  "launcher's objects twice: `launcher.exe`, the product, with the compressed sign-up "
  "program as resource OID/INSTALL, and `launcher_bare.exe`, whose resources were compiled "
  "from the same `resources/launcher.rc` with `KIT_NO_INSTALL` defined, so it has the "
  "dialog and the icon but no INSTALL resource. Both are stripped (`-s`). The product is "
  f"{total} B with the stand-in sign-up program, whose SZDD form (install.bin) is {blob} B. "
  "Imports and the subsystem version come from `i686-w64-mingw32-objdump -p` of the bare "
  "build; a wide-character import would be any imported name ending in a capital W after "
  "a lower-case letter or digit.")
w("")
w("**2a–2d.** `kit_bench` (Google Benchmark; median of three repetitions). The file is 64 "
  "MiB of random bytes (a fixed seed) with the ten-byte marker as its last bytes, searched "
  "from its start through the launcher's own `ReadPackageBehindMarker` over real `read` "
  "calls (bench/posix_files.h), 64 KiB at a time. memmem is glibc's, over the same bytes "
  "already in memory. Warm figures are CPU time, which counts the kernel's copy out of the "
  "page cache and leaves out the time other processes hold the cores. Cold runs put the "
  "file out of the page cache before each search with `posix_fadvise(POSIX_FADV_DONTNEED)` "
  "after `fdatasync`, and check with `mincore` that no page stayed "
  f"(pages found cached at the start, summed over the runs: {cold_pages:.0f}); they are "
  "wall-clock times, since they wait for the disk (`echo 3 > /proc/sys/vm/drop_caches` "
  "also works on this machine, but empties every process's cache, so it was not used). "
  "The byte-stepping reference does what a naive search does, one seek and one ten-byte "
  "read per position; at about a microsecond per position it is measured over a 256 KiB "
  "file and given per MiB, its cost being linear in the distance searched. On a file made "
  "only of the marker's letters, which defeats the skips (the marker is broken up wherever "
  f"chance spells it, so that it stands only at the end), ours takes {search_letters:.0f} "
  f"ms against memmem's {memmem_letters:.0f} ms ({search_letters / memmem_letters:.2f}×) "
  f"and the candidate {strided_letters:.0f} ms ({strided_letters / memmem_letters:.2f}×); "
  f"the candidate's cold run took {strided_cold:.1f} ms. Before it is timed, the candidate "
  "is checked against memmem's first match on 20 000 short buffers of the marker's "
  "letters with markers planted in some.")
w("")
w("**3.** `kit_bench`: `ScrambleOid` at block size 32 without the trailer, in place over a "
  "64 MiB stream, against `memcpy` of 64 MiB between two buffers; CPU time, median of "
  "three repetitions. Both touch every byte once for reading and once for writing.")
w("")
w(f"**4a.** `kit_bench`: the {corpus_files} files of bench/szdd_corpus.txt (real PE files "
  f"from the MinGW-w64 and Wine installations, 8 KiB to 4 MiB, {plain_total} B in all) are "
  "compressed once by our compressor; each iteration then expands all of them, ours with "
  "`ExpandSzdd` into a buffer, libmspack's with `mspack_create_szdd_decompressor` over an "
  "in-memory `mspack_system` (bench/mspack_memory.h), so neither touches a file. Both "
  "outputs are checked against the originals before timing. CPU time, median of three.")
w("")
w(f"**4b, 4c.** tools/bench.sh: `szddtool compress` (the bench tree's release build) and "
  "`mscompress` each compress every corpus file, one process per file, timed together "
  "with hyperfine (two runs each, median wall time; CPU is user plus system). mscompress "
  "reads its input one byte per `read` call, so most of its time is system time. Every "
  "output of both is expanded again by `szddtool expand` and compared with its original. "
  f"Ours is smaller on {len(sizes) - len(larger)} of {len(sizes)} files; its best ratio "
  f"is {best['ours'] / best['mscompress']:.3f} ({best['file']}), its worst "
  f"{worst['ours'] / worst['mscompress']:.3f} ({worst['file']}); "
  f"mscompress's output is {peer_total / plain_total:.3f} of the input, ours "
  f"{ours_total / plain_total:.3f}.")
w("")
w(f"**5a–5c.** The kit is the win64 launcher of a separate bench tree "
  "(build/bench-launch by default) configured with `-DKIT_SIGNUP_PROGRAM=bench_signup.exe`, a "
  f"program of {signup_size} B that returns at once and is padded with a resource of "
  "random bytes, so that its SZDD form is larger than itself; `make_bench_kit` appends a "
  "typical configuration (the test kit's sample, with its 16 × 8 8-bit picture, without "
  "an agreement: nobody is there to accept it). The floor, `start_and_wait.exe`, is a "
  "program of our own with the launcher's start-up code that only calls `CreateProcessA` "
  "on the same program, already on disk, and waits for it; `start_and_wait_gui.exe` is "
  "the same program importing USER32 and GDI32 as the launcher does. `launcher_mem` is the "
  "launcher's objects linked with an `ExpandFile` that expands in memory with our own "
  "expander instead of calling `VerInstallFileA` (bench/win/expand_in_memory.cpp). All "
  "run under Wine (`wine64`, a prefix of the bench tree's own, null graphics driver) with "
  "the wine server started beforehand and kept running. hyperfine (`-N`, one warm-up "
  f"run) ran the four commands in {len(rounds)} short rounds of "
  f"{runs_each // len(rounds)} runs each, so that both sides of a ratio meet the same "
  "load; a round's ratio is that of its two medians, and the table gives the median of "
  "the rounds' ratios with their interquartile range. The \"Ours\" and \"Reference\" "
  "columns are medians over all runs. The fastest runs, the least disturbed, were "
  f"{fastest['launcher']:.0f} ms for the kit, {fastest['start_and_wait']:.0f} ms for the "
  f"floor ({fastest['launcher'] / fastest['start_and_wait']:.2f}×), "
  f"{fastest['start_and_wait_gui']:.0f} ms for the floor with USER32 and GDI32 and "
  f"{fastest['launcher_mem']:.0f} ms for the kit expanding in memory.")
w("")
w("## Targets missed")
w("")
w(f"**2a, the marker search ({search_ratio:.2f}× memmem).** The launcher's search steps "
  "through each block with Horspool's skips: each step's load waits for the previous "
  "step's skip, so the processor does one step at a time, about ten bytes per step. The "
  "candidate of row 2d probes every tenth byte instead: a ten-byte marker always covers "
  "exactly one probed position, a probed byte that is not one of the marker's letters "
  "rules out the ten positions around it, and since the probes' addresses are known in "
  "advance, four of them are tested together without waiting on each other. Only when one "
  "of the four hits are the candidate positions (the probe minus each offset at which the "
  "marker has that byte) compared whole. It finds the same first marker as byte stepping. "
  f"It brings the search to {strided / memmem:.2f}× memmem warm and "
  f"{strided_letters / memmem_letters:.2f}× on the marker's letters, where the current "
  f"search is at {search_letters / memmem_letters:.2f}×. It is a drop-in replacement "
  "for the search within a block (`FindMarkerIn` in config/package_search.cpp); the "
  "block reads and the carried tail stay as they are. What remains of the warm time is "
  "mostly the kernel's copy of 64 MiB out of the page cache. In a real kit the search "
  "starts at the end of the launcher's image, where the package begins, so it finds the "
  "marker in its first block either way.")
w("")
w(f"**5a, the whole launch ({launch:.2f}× the floor).** See below: most of the difference "
  "is the loading of USER32 and GDI32 under Wine, which the launcher needs and the floor "
  "does not, and the rest is staging the program through `VerInstallFileA` and writing it "
  f"out. Against a floor that loads the same libraries the launch is {launch_gui:.2f}×.")
w("")
w("## Where the whole launch's time goes")
w("")
w(f"`launch_probe.exe` (bench/win) times the launcher's costly steps inside one process "
  f"under Wine; medians of {len(probe_rows)} runs: loading USER32 and GDI32, which the "
  f"launcher's imports make every launch pay, {probe['user32_gdi32_us']:.1f} ms; writing "
  "the compressed program out and expanding it with `VerInstallFileA`, as staging does, "
  f"{probe['verinstall_us']:.1f} ms; the same expansion by our own expander in memory "
  f"and one `WriteFile`, {probe['in_memory_us']:.1f} ms.")
w("")
w(f"Importing USER32 and GDI32 alone makes the floor {gui_floor:.2f}× slower under Wine "
  "(row 5b's reference against 5a's), because Wine's USER32 connects to its display "
  "driver and desktop when it loads. The launcher cannot leave them out: the picture "
  "pass builds the picture's palette with GDI32's `CreatePalette` as soon as the "
  "configuration is read, and the run ends with USER32's `PostQuitMessage`. A trial "
  "build with both as delay imports (not kept) loaded them at the palette, or with a "
  "24-bit picture at the final `PostQuitMessage`, after the sign-up program had ended: "
  "the cost moves, it does not go. Windows 95 and 98 keep both libraries loaded in "
  "their shared arena for every program, so there they should cost far less; that was "
  "not measured here. `VerInstallFileA`, which staging is to use for the expansion, "
  "accounts for what row 5c saves; the rest is writing the 1 MiB program and the "
  "configuration into the temporary folder, which the floor does not do.")
w("")

with open(report, "w") as f:
    f.write("\n".join(out))
print("\n".join(out[:len(rows) + 12]))
