#!/usr/bin/env bash
# Reading speed of the launcher's settings reader (IniFile::load on the simulated platform,
# the file's bytes held in memory) against inih and Boost.PropertyTree on the same generated
# documents of 1, 10 and 100 MB: builds the "bench" preset (Release), runs bench/reader_bench
# and prints the medians, the time per MB at each size and the peers' times as multiples of
# the launcher's.
#
#   scripts/bench-reader.sh                 build, then 5 repetitions of every case
#   scripts/bench-reader.sh --no-build      run build/bench as it is
#   SETUP_BENCH_REPETITIONS=9 scripts/bench-reader.sh
#   SETUP_BENCH_SIZES="1 10" scripts/bench-reader.sh    only these sizes (MB)
#
# Each size runs in a process of its own, so no reader meets a heap that the reads of another
# size have left behind (with glibc, a 100 MB read after the smaller ones in the same process
# was up to twice as slow, for the launcher and the peers alike).
# Times are the medians of the repetitions, in CPU time of the one thread (less disturbed
# than wall time by other work on a shared machine). Nothing here passes or fails on time.
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ "${1:-}" != "--no-build" ]]; then
    cmake --preset bench >/dev/null
    cmake --build --preset bench -j"$(nproc)" --target reader_bench >/dev/null
fi

bench=build/bench/bench/reader_bench
[[ -x $bench ]] || { echo "no $bench: build first" >&2; exit 2; }

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for size in ${SETUP_BENCH_SIZES:-1 10 100}; do
    "$bench" --benchmark_repetitions="${SETUP_BENCH_REPETITIONS:-5}" \
        --benchmark_report_aggregates_only=true \
        --benchmark_filter="/$size/" \
        --benchmark_out="$out/$size.json" --benchmark_out_format=json >/dev/null
done

python3 - "$out"/*.json <<'EOF'
import json, sys

runs = []
for path in sys.argv[1:]:
    with open(path) as f:
        runs.append(json.load(f))
context = runs[0]["context"]
print("machine: %d CPUs at %.0f MHz; load average at the start of each size: %s" % (
    context["num_cpus"], context["mhz_per_cpu"],
    ", ".join(" ".join("%.2f" % x for x in r["context"].get("load_avg", [])) for r in runs)))

names = [
    ("LauncherUtf8", "launcher, UTF-8 file"),
    ("LauncherUtf16", "launcher, UTF-16 file"),
    ("InihReader", "inih INIReader"),
    ("InihParseOnly", "inih ini_parse_string, count only"),
    ("BoostReadIni", "Boost read_ini"),
    ("ScanPlain", "line scan only, plain (32-bit setup.exe)"),
    ("ScanSse2", "line scan only, SSE2 (64-bit builds)"),
]
median = {}  # (name, size) -> (ms, MB)
for b in (b for r in runs for b in r["benchmarks"]):
    # With one repetition there are no aggregates: the single run stands for the median.
    if b.get("aggregate_name") != "median" and not (
            b.get("run_type") == "iteration" and b.get("repetitions", 1) == 1):
        continue
    if b.get("error_occurred"):
        sys.exit("%s: %s" % (b["name"], b.get("error_message")))
    name, size = b["run_name"].split("/")[:2]
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
    median[(name, int(size))] = (b["cpu_time"] * scale, b["MB"])

sizes = sorted({s for (_, s) in median})
print()
print("Median CPU time per read (ms), and per MB of the UTF-8 document (ms/MB)")
header = "%-36s" % "reader" + "".join("%12s %8s" % ("%d MB: ms" % s, "ms/MB") for s in sizes)
print(header)
for key, label in names:
    row = "%-36s" % label
    for s in sizes:
        if (key, s) in median:
            ms, mb = median[(key, s)]
            row += "%12.1f %8.2f" % (ms, ms / mb)
        else:
            row += "%12s %8s" % ("-", "-")
    print(row)

print()
print("Peer's time / launcher's time (above 1: the launcher is faster)")
print("%-36s" % "" + "".join("%13s %8s" % ("%d MB UTF-8" % s, "UTF-16") for s in sizes))
for key, label in names[2:5]:
    row = "%-36s" % label
    for s in sizes:
        cells = []
        for own in ("LauncherUtf8", "LauncherUtf16"):
            if (key, s) in median and (own, s) in median:
                cells.append("%.2fx" % (median[(key, s)][0] / median[(own, s)][0]))
            else:
                cells.append("-")
        row += "%13s %8s" % tuple(cells)
    print(row)

print()
print("Scaling: time per MB at the largest size / at the smallest (1.00 = linear)")
if len(sizes) > 1:
    for key, label in names:
        a, b = (key, sizes[0]), (key, sizes[-1])
        if a in median and b in median:
            print("%-36s %.2f" % (label, (median[b][0] / median[b][1]) / (median[a][0] / median[a][1])))
EOF
