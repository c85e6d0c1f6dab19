#!/usr/bin/env bash
# How long the Linux program takes from its start to the first text in its
# window (the start screen's line): RUNS starts on one private X display
# with openbox, each timed by first_paint (which starts the program and
# photographs its window with XGetImage about once a millisecond until text
# shows on the background).  No MIRABO.INI: the default colours, white on
# black; SDL's dummy audio driver; fones.DAT from beside the program.
# Prints each run, then the median, the fastest and the slowest.  Not a
# test: it reports and does not judge.
#
#   bench/first_paint.sh [BUILD_DIR] [RUNS]      (default build/release, 7)
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
HERE="$ROOT/tests/integration"
source "$HERE/lib.sh"

BUILD_DIR="$(cd "${1:-$ROOT/build/release}" && pwd)" || exit 1
RUNS="${2:-7}"
TOOL="$BUILD_DIR/bench/first_paint"
TEST_NAME="first-paint"
setup_build linux "$BUILD_DIR/mirabo"
[ -x "$TOOL" ] || fail "$TOOL is not built (cmake --build $BUILD_DIR --target first_paint)"
hold_timed_lock
start_desktop
write_config ""

: >"$WORK/runs.txt"
for run in $(seq "$RUNS"); do
  line="$(cd "$RUN_DIR" && env XDG_CONFIG_HOME="$WORK/config" SDL_AUDIODRIVER=dummy \
    "$TOOL" --background 000000 --timeout 60 -- "$BUILD_DIR/mirabo" 2>"$WORK/tool.log")" ||
    fail "run $run: $(cat "$WORK/tool.log")"
  echo "run $run: $line"
  echo "$line" >>"$WORK/runs.txt"
done
echo "Machine load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
python3 - "$WORK/runs.txt" <<'EOF'
import statistics, sys
runs = [dict(field.split("=") for field in line.split()) for line in open(sys.argv[1])]
paint = sorted(float(run["first_paint_ms"]) for run in runs)
window = sorted(float(run["window_ms"]) for run in runs)
mean_period = statistics.mean(float(run["mean_period_ms"]) for run in runs)
max_period = max(float(run["max_period_ms"]) for run in runs)
print(f"first text after: median {statistics.median(paint):.0f} ms, "
      f"min {paint[0]:.0f} ms, max {paint[-1]:.0f} ms ({len(paint)} runs)")
print(f"window first photographed after: median {statistics.median(window):.0f} ms")
print(f"photographs every {mean_period:.1f} ms on average, at worst {max_period:.1f} ms apart")
EOF
