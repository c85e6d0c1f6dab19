#!/usr/bin/env bash
# Runs bench_repaint (a full repaint of the 80 x 25 screen, and one 80-column
# line written through WriteChars, on the real SDL backend) on a private
# Xvfb display, REPETITIONS times, and prints for each the median, fastest
# and slowest wall-clock time per iteration, and the median processor time
# of the drawing thread.  Not a test: it reports and does not judge.
#
#   bench/repaint.sh [BUILD_DIR] [REPETITIONS]    (default build/release, 5)
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/tests/integration/lib.sh"

BUILD_DIR="$(cd "${1:-$ROOT/build/release}" && pwd)" || exit 1
REPETITIONS="${2:-5}"
BENCH="$BUILD_DIR/bench/bench_repaint"
[ -x "$BENCH" ] || fail "$BENCH is not built (cmake --build $BUILD_DIR --target bench_repaint)"
require_tools Xvfb xdpyinfo python3
hold_timed_lock
start_private_display

# Google Benchmark sizes each repetition by the drawing thread's processor
# time, a small part of the wall-clock time here (the X server and the
# threads SDL presents through do the rest): 0.1 s of it keeps the whole
# run to about ten seconds.
SDL_AUDIODRIVER=dummy "$BENCH" --benchmark_min_time=0.1 --benchmark_repetitions="$REPETITIONS" \
  --benchmark_out="$WORK/repaint.json" --benchmark_out_format=json \
  --benchmark_display_aggregates_only=true 2>&1 | grep -v '^ALSA lib'
[ "${PIPESTATUS[0]}" -eq 0 ] || fail "bench_repaint failed"
echo "Machine load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
python3 - "$WORK/repaint.json" <<'PY'
import json, statistics, sys
runs = {}
for entry in json.load(open(sys.argv[1]))["benchmarks"]:
    if entry.get("run_type") == "iteration":
        assert entry["time_unit"] == "us", entry["time_unit"]
        runs.setdefault(entry["name"], []).append(entry)
for name, entries in runs.items():
    wall = sorted(entry["real_time"] / 1000 for entry in entries)
    cpu = statistics.median(entry["cpu_time"] / 1000 for entry in entries)
    print(f"{name}: median {statistics.median(wall):.2f} ms, min {wall[0]:.2f} ms, "
          f"max {wall[-1]:.2f} ms per iteration ({len(wall)} repetitions of "
          f"{entries[0]['iterations']} iterations); drawing thread's processor time {cpu:.2f} ms")
PY
