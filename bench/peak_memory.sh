#!/usr/bin/env bash
# The Linux program's peak resident memory during a whole game: a winning
# game (Enter, then 0 8 2 2, typed ahead) on a private X display with
# openbox, with the real fones.DAT beside the program and SDL's disk audio
# driver; the program runs under bench/max_rss.py, which reads its ru_maxrss
# from wait4 when it ends.  Not a test: it reports and does not judge.
#
#   bench/peak_memory.sh [BUILD_DIR]       (default build/release)
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
HERE="$ROOT/tests/integration"
source "$HERE/lib.sh"

BUILD_DIR="$(cd "${1:-$ROOT/build/release}" && pwd)" || exit 1
TEST_NAME="peak-memory"
setup_build linux "$BUILD_DIR/mirabo"
[ -f "$BUILD_DIR/fones.DAT" ] || fail "$BUILD_DIR/fones.DAT is not built (cmake --build $BUILD_DIR --target fones)"

# start_game runs PROGRAM without arguments: a launcher puts the wrapper
# around the real program.
RESULT="$WORK/max_rss.txt"
printf '#!/bin/sh\nexec python3 %q %q %q\n' "$ROOT/bench/max_rss.py" "$RESULT" "$BUILD_DIR/mirabo" \
  >"$WORK/launcher"
chmod +x "$WORK/launcher"
PROGRAM="$WORK/launcher"

LINES=(0 8 2 2)
start_desktop
write_config ""
AUDIO=disk CAPTURE=/dev/null
start_game
type_text $'\r'"$(printf '%s\r' "${LINES[@]}")"
wait_for_exit "$PROGRAM_PID" 240
[ "$EXIT_STATUS" = 0 ] || fail "the game did not end with exit code 0 ($EXIT_STATUS)$(program_log)"
[ -s "$RESULT" ] || fail "no ru_maxrss was written"
echo "Game over after $(awk -v s="$STARTED_AT" -v e="$(date +%s.%N)" 'BEGIN { printf "%.1f", e - s }') s"
echo "Machine load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
awk '{ printf "peak resident memory (ru_maxrss): %d KiB (%.1f MiB)\n", $1, $1 / 1024 }' "$RESULT"
