#!/usr/bin/env bash
# The start message as heard: the Linux program with SDL's disk audio
# driver and a fones.DAT whose ranges hold test tones, one frequency per
# segment (200 + 20 n Hz for segment n), silence elsewhere.  "Tecle enter"
# is segments 70, 25, 33, 15, 71, 59 (waits 154, 73, 294, 132, 176 and
# 220 ms), then the 5000 Hz beep for 75 ms and a 500 ms pause.  A key typed
# ahead that is not Enter makes the game say it again after the pause; two
# such keys, twice.  The capture must hold the segments in this order, each
# alone until the next one cuts it, at the offsets their waits add up to.
#
#   speech_test.sh linux start-message PATH/TO/mirabo
set -uo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$HERE/lib.sh"
source "$HERE/game_lib.sh"

[ $# -ge 3 ] || fail "usage: $0 linux start-message PROGRAM"
[ "$1" = linux ] || skip "only the Linux build has SDL's disk audio driver"
[ "$2" = start-message ] || fail "unknown scenario '$2'"
TEST_NAME="speech-$1-$2"
setup_build "$1" "$3"
TABLE="${MIRABO_SEGMENT_TABLE:-$HERE/../../synt/segment_table.h}"
[ -f "$TABLE" ] || fail "no segment table at $TABLE"

# The segments of "Tecle enter" and their waits, (end - start) div 30 ms of
# the ranges; the beep, then the pause until the message starts again.
MESSAGE=(70:154 25:73 33:294 15:132 71:176 59:220)
SPOKEN=("${MESSAGE[@]}" beep:75 pause:500 "${MESSAGE[@]}" beep:75 pause:500 "${MESSAGE[@]}" beep:75)

# Looked for in the current directory first.
python3 "$HERE/audio.py" tone-voice "$TABLE" "$RUN_DIR/fones.DAT" || fail "could not write the test voice"
start_desktop
write_config ""
AUDIO=disk CAPTURE="$WORK/capture.raw" TIMED=1
start_game
type_text "xy"
# Three times the message (1124 ms with its beep) and the pauses.
for _ in $(seq 150); do
  python3 "$HERE/audio.py" started "$CAPTURE" 4800 && break
  kill -0 "$PROGRAM_PID" 2>/dev/null || fail "the program ended$(program_log)"
  sleep 0.2
done
# Ended with Ctrl+Break: closing the window is the subject of other tests.
focus_game
xdotool key ctrl+Break
expect_exit 255 30 "Ctrl+Break on the start screen"
cp "$CAPTURE" "$SHOT_DIR/$TEST_NAME-capture.raw" 2>/dev/null || true
python3 "$HERE/audio.py" speech "$CAPTURE" "${SPOKEN[@]}" ||
  fail "the start message is not heard as its segments and waits say"
echo "PASS: $BUILD speech"
