#!/usr/bin/env bash
# How far the speech's pacing drifts on the real clock from the sum of its
# waits (target: under 1% of a message's length).  The Linux program plays
# a whole winning game (Enter, then 0 8 2 2, typed ahead) on a private X
# display, with a fones.DAT whose ranges hold test tones (one frequency per
# segment) and SDL's disk audio driver; every segment's and beep's onset is
# found in the capture and compared with the game's own timeline from the
# recording double (game_timeline).  Each stretch of sound between two
# silences (a message, or a message and the words after it) is placed in
# the capture on the wall clock, so its measured span is the program's real
# pacing.  Not a test: it reports and does not judge.
#
#   bench/pacing_drift.sh [BUILD_DIR]       (default build/default)
#
# REALTIME=1 runs the program and its X server with a real-time scheduling
# priority, where allowed, to tell the program's own cost apart from a busy
# machine's.
# KEEP=DIR keeps the capture and the timeline there.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
HERE="$ROOT/tests/integration"
source "$HERE/lib.sh"

BUILD_DIR="${1:-$ROOT/build/default}"
TIMELINE_TOOL="$BUILD_DIR/tests/integration/game_timeline"
TEST_NAME="pacing-drift"
setup_build linux "$BUILD_DIR/mirabo"
[ -x "$TIMELINE_TOOL" ] || fail "$TIMELINE_TOOL is not built (ninja -C $BUILD_DIR game_timeline)"
# Pacing on the real clock is what is measured: not beside another
# measurement (the lock is the timed tests' too).
hold_timed_lock

LINES=(0 8 2 2)
"$TIMELINE_TOOL" "${LINES[@]}" >"$WORK/timeline.txt" || fail "game_timeline failed"
harness timeline voice "$TIMELINE_TOOL" "$RUN_DIR/fones.DAT" >/dev/null ||
  fail "could not write the test voice"
start_desktop
write_config ""
AUDIO=disk CAPTURE="$WORK/capture.raw" TIMED="${REALTIME:-0}"
start_game
type_text $'\r'"$(printf '%s\r' "${LINES[@]}")"
wait_for_exit "$PROGRAM_PID" 240
[ "$EXIT_STATUS" = 0 ] || fail "the game did not end with exit code 0 ($EXIT_STATUS)$(program_log)"
echo "Machine load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
if [ -n "${KEEP:-}" ]; then
  mkdir -p "$KEEP" && cp "$CAPTURE" "$WORK/timeline.txt" "$KEEP/"
fi
harness capture drift "$CAPTURE" "$WORK/timeline.txt"
