#!/usr/bin/env bash
# shellcheck source=lib.sh disable=SC2034
# The start message as heard: the Linux program with SDL's disk audio
# driver and a fones.DAT whose ranges hold test tones, one frequency per
# segment (200 + 20 n Hz for segment n), silence elsewhere.  Two keys typed
# ahead that are not Enter make the game say the message three times, each
# followed by its beep, with a pause between them.  The capture must hold
# the segments and beeps in the order the game's own timeline (game_timeline
# --keys xy, on the recording double) gives, each alone until the next one
# cuts it, at the offsets their waits add up to.
#
#   speech_test.sh linux start-message PATH/TO/mirabo
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
begin_test speech "$@"
[ "$BUILD" = linux ] || fail "the speech is measured only in the Linux build's disk capture"
[ "$SCENARIO" = start-message ] || fail "unknown scenario '$SCENARIO'"

TIMELINE="$WORK/timeline.txt"
"${MIRABO_GAME_TIMELINE:-missing}" --keys xy >"$TIMELINE" 2>/dev/null ||
  missing "the game_timeline program is not built (MIRABO_GAME_TIMELINE='${MIRABO_GAME_TIMELINE:-}')"
write_test_voice
start_desktop
write_config ""
SOUND=capture
start_game
type_text "xy"
# Three times the message (1124 ms with its beep) and the pauses.
wait_for_sound 4800
# Ended with Ctrl+Break: closing the window is the subject of other tests.
focus_game
xdotool key ctrl+Break
expect_exit 255 30 "Ctrl+Break on the start screen"
keep "$CAPTURE" capture.raw
harness capture speech "$CAPTURE" "$TIMELINE" ||
  fail "the start message is not heard as its segments and waits say"
echo "PASS: $BUILD speech"
