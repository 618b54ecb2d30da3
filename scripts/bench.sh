#!/bin/bash
# Measures the deliverables of a release build: their sizes against the size
# goals, and under Wine every timing figure of the programs in benchbin/, each
# as a ratio to a floor measured in the same run. Ends with a markdown table
# for the README.
#
#   scripts/bench.sh [--runs N]     (default 5 runs)
#
# Builds in build-bench/ (or BENCH_BUILD_DIR) with the tests off and the
# benchmark programs on. Each program in benchbin/ is run N times; every line
# "figure NAME SECONDS FLOOR-SECONDS" it prints is one measurement, and
# "note NAME TEXT" says what NAME measures. Exits non-zero when the build or a
# benchmark program fails; a figure above 1.5 times its floor is reported, not
# a failure.
set -u
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
. "$ROOT/tests/audit/pe_info.sh"

usage() { echo "usage: $0 [--runs N]" >&2; exit 2; }
RUNS=5
while [ $# -gt 0 ]; do
    case "$1" in
        --runs) [ $# -ge 2 ] || usage; RUNS=$2; shift 2 ;;
        *) usage ;;
    esac
done
[[ "$RUNS" =~ ^[1-9][0-9]*$ ]] || usage

# Size goals of the stripped deliverables without their resources, in bytes.
SIZE_GOALS="Bramcot.exe:122880 Coldrune.dll:92160"

prepare_machine
BUILD=${BENCH_BUILD_DIR:-$(pick_build_dir build-bench)}
export HARNESS_DIR=$BUILD/harness
trap '"$HARNESS" stop >/dev/null 2>&1' EXIT
OUT=$BUILD/bench-out
mkdir -p "$OUT"

echo "bench: building the release configuration in $BUILD"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DBRAMCOT_TESTS=OFF -DBRAMCOT_BENCH=ON >"$OUT/configure.log" 2>&1 ||
    { cat "$OUT/configure.log"; echo "bench: configuring failed"; exit 1; }
timeout 1800 cmake --build "$BUILD" >"$OUT/build.log" 2>&1 ||
    { tail -n 40 "$OUT/build.log"; echo "bench: the build failed"; exit 1; }

size_table="| deliverable | stripped | without resources | goal (without resources) | met | imports |
|---|---|---|---|---|---|"
for goal in $SIZE_GOALS; do
    name=${goal%%:*} limit=${goal#*:}
    sizes=$(stripped_sizes "$BUILD/bin/$name") || { echo "bench: cannot measure $name"; exit 1; }
    read -r stripped bare <<<"$sizes"
    met=no
    [ "$bare" -le "$limit" ] && met=yes
    imports=$(imported_dlls "$BUILD/bin/$name")
    echo "bench: $name $stripped bytes stripped, $bare without resources (goal $limit): $met; imports $imports"
    size_table+="
| $name | $stripped B | $bare B | ≤ $((limit / 1024)) KB ($limit B) | $met | ${imports% } |"
done

shopt -s nullglob
programs=("$BUILD"/benchbin/*.exe)
[ ${#programs[@]} -gt 0 ] || { echo "bench: no benchmark program in $BUILD/benchbin"; exit 1; }
echo "bench: starting the Wine harness"
timeout 300 "$HARNESS" start >"$OUT/harness.log" 2>&1 || { cat "$OUT/harness.log"; exit 1; }

status=0
rm -f "$OUT"/*.out "$OUT"/*.err
for run in $(seq 1 "$RUNS"); do
    for program in "${programs[@]}"; do
        name=$(basename "$program" .exe)
        echo "bench: run $run of $RUNS: $name"
        if ! timeout 600 "$HARNESS" run "$program" >"$OUT/$name.$run.out" 2>"$OUT/$name.$run.err"; then
            echo "bench: $name failed in run $run:"
            sed 's/^/    /' "$OUT/$name.$run.err" | tail -n 10
            status=1
        fi
    done
done

# Ratios per figure over all measurements of all runs.
python3 - "$OUT/figures.md" "$OUT"/*.out <<'EOF' || status=1
import statistics
import sys

table, paths = sys.argv[1], sys.argv[2:]
figures, notes = {}, {}
for path in paths:
    with open(path, errors="replace") as lines:
        for line in lines:
            words = line.split(None, 2)
            if len(words) == 3 and words[0] == "note":
                notes[words[1]] = words[2].strip()
                continue
            words = line.split()
            if len(words) == 4 and words[0] == "figure" and float(words[3]) > 0:
                figures.setdefault(words[1], []).append((float(words[2]), float(words[3])))

def shown(seconds):
    if seconds < 1e-3:
        return "%.0f µs" % (seconds * 1e6)
    if seconds < 1:
        return "%.2f ms" % (seconds * 1e3)
    return "%.3f s" % seconds

rows = ["| figure | scenario | median | floor median | ratio min | ratio median | ratio max | measurements | |",
        "|---|---|---|---|---|---|---|---|---|"]
for name in sorted(figures):
    values = figures[name]
    ratios = sorted(seconds / floor for seconds, floor in values)
    median = statistics.median(ratios)
    seconds = shown(statistics.median(s for s, _ in values))
    floor = shown(statistics.median(f for _, f in values))
    print("bench: %s: ratio %.2f / %.2f / %.2f (min / median / max of %d), median %s against %s"
          % (name, ratios[0], median, ratios[-1], len(ratios), seconds, floor))
    rows.append("| %s | %s | %s | %s | %.2f | %.2f | %.2f | %d | %s |" % (
        name, notes.get(name, ""), seconds, floor, ratios[0], median, ratios[-1], len(ratios),
        "within 1.5×" if median <= 1.5 else "above 1.5×"))
with open(table, "w") as out:
    out.write("\n".join(rows) + "\n")
if not figures:
    print("bench: no figure was measured")
    sys.exit(1)
EOF

echo
echo "Machine: $(uname -m), $(grep -m1 '^model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) cores, $(wine --version 2>/dev/null); $RUNS runs."
echo
echo "$size_table"
echo
cat "$OUT/figures.md" 2>/dev/null
[ $status = 0 ] || echo "bench: a benchmark program failed"
exit $status
