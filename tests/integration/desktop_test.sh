#!/usr/bin/env bash
# shellcheck source=lib.sh disable=SC2034
# Keys and the mouse as a desktop delivers them, on the Linux program with
# the Brazilian ABNT2 layout (setxkbmap br) on its own display:
#
#   altgr            at the prompt AltGr+Q, AltGr+W and AltGr+F4 are
#                    Ctrl+Alt+Q, W and F4 as on Windows: the line editor
#                    ignores the Alt codes (0 then 0x10, 0 then 0x11) and
#                    echoes the characters the layout gives, '/' and '?',
#                    then Ctrl+F4's code 0x61, 'a'; the window stays open
#   held-digit       '5' held for 2 s (the X server's auto-repeat on, about
#                    33 repeats) while the first room is spoken: the game
#                    takes its messages at the end of each segment it
#                    speaks, and the repeats that come meanwhile are one
#                    key-down with its repeat count, as on Windows, so a
#                    few '5's are echoed under the prompt, not one for
#                    every repeat
#   magnifier-outside
#                    the right button let go outside the window keeps the
#                    magnifier on; a press and release inside ends it
#   dead-key         the dead acute then 'a' type one 'á' at the prompt
#
# A typed row is compared, cell for cell, with the same characters typed
# as plain text (xdotool type) after the row is erased.
#
#   desktop_test.sh linux SCENARIO PROGRAM
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
begin_test desktop "$@"
[ "$BUILD" = linux ] || fail "these cases are about the Linux program on an X desktop"
require_tools setxkbmap xset compare

FOREGROUND=FFFF00
BACKGROUND=0000FF
CONFIG=$'[VIDEO]\nCORFUNDO=1\nCORLETRA=14\n'

start_desktop
setxkbmap br || fail "setxkbmap br failed"
write_config "$CONFIG"
start_game

# Enter on the start screen, then the prompt after the first room.
to_the_prompt() {
  wait_for_start_screen
  type_text $'\r'
  wait_for_rows prompt "39 0 0" 60
  focus_game
}

# Row 1's first COUNT cells of photograph IMAGE (the caret after them left
# out) as OUT.
row_cells() {
  local image="$1" count="$2" out="$3" width height
  read -r width height < <(harness screen size "$image")
  convert "$image" -crop "$((count * width / 80))x$((height / 25))+0+$((height / 25))" +repage "$out" ||
    fail "could not crop row 1 of $image"
}

# Erases the COUNT characters of row 1, types TEXT as plain text and
# checks that the row then looks as it did (photograph $SHOT).
same_as_typed() {
  local count="$1" text="$2" differing
  row_cells "$SHOT" "$count" "$WORK/typed-row.png"
  for _ in $(seq "$count"); do xdotool key BackSpace; done
  wait_for_rows erased "39 0 0" 10
  xdotool type --delay 40 -- "$text"
  wait_for_rows plain "39 $count 0" 10
  row_cells "$SHOT" "$count" "$WORK/plain-row.png"
  differing=$(compare -metric AE "$WORK/typed-row.png" "$WORK/plain-row.png" null: 2>&1 || true)
  echo "Row 1 against '$text' typed as plain text: $differing pixels differ"
  [ "$differing" = 0 ] || fail "row 1 does not show '$text'"
}

ctrl_break_ends_it() {
  focus_game
  xdotool key ctrl+Break
  expect_exit 255 10 "Ctrl+Break"
}

case "$SCENARIO" in
  altgr)
    to_the_prompt
    for key in q w F4; do
      xdotool keydown ISO_Level3_Shift key "$key" keyup ISO_Level3_Shift
      sleep 0.2
    done
    wait_for_rows echoed "39 3 0" 10
    sleep 1
    kill -0 "$PROGRAM_PID" 2>/dev/null || fail "AltGr+F4 closed the window$(program_log)"
    same_as_typed 3 "/?a"
    ctrl_break_ends_it
    ;;

  held-digit)
    xset r on
    xset q | grep -q "auto repeat:  on" || fail "the X server's auto-repeat is off: $(xset q | grep -i repeat)"
    wait_for_start_screen
    type_text $'\r'
    # The first room's lines are on the screen while they are spoken.
    wait_for_rows room "11 32 10 0" 60
    focus_game
    xdotool keydown 5
    sleep 2
    xdotool keyup 5
    # The prompt, then the digits typed ahead.
    extents=""
    for _ in $(seq 120); do
      shoot echoed || fail "could not photograph the window"
      extents="$(harness screen extents "$SHOT" "$FOREGROUND")"
      [[ "$extents" =~ ^39\ [1-9] ]] && break
      kill -0 "$PROGRAM_PID" 2>/dev/null || fail "the program ended$(program_log)"
      sleep 0.5
    done
    sleep 1
    shoot echoed || fail "could not photograph the window"
    read -r _ digits _ < <(harness screen extents "$SHOT" "$FOREGROUND")
    echo "Row extents: $(harness screen extents "$SHOT" "$FOREGROUND" | cut -d' ' -f1-4)"
    echo "'5' held for 2 s: $digits echoed"
    [ "$digits" -ge 1 ] && [ "$digits" -le 10 ] ||
      fail "holding '5' for 2 s typed $digits of them: each repeat was a key of its own"
    same_as_typed "$digits" "$(printf '5%.0s' $(seq "$digits"))"
    ctrl_break_ends_it
    ;;

  magnifier-outside)
    wait_for_rows start "11 0 0" 60
    harness screen wait-caret "$GAME_WINDOW" "$BACKGROUND" "$WORK/waiting.png" --pid "$PROGRAM_PID" \
      --timeout 20 || fail "the caret never showed on the start screen"
    shoot before || fail "could not photograph the window"
    xdotool mousemove --window "$GAME_WINDOW" 10 10
    sleep 0.3
    xdotool mousedown 3
    harness screen wait-change changed "$GAME_WINDOW" "$WORK/before.png" "$WORK/zoom.png" \
      --pid "$PROGRAM_PID" --timeout 10 || fail "the right button held did not magnify"
    keep "$WORK/zoom.png" zoom.png
    # Outside the window, at the screen's far corner.
    xdotool mousemove 1590 1190
    sleep 0.3
    xdotool mouseup 3
    sleep 1
    shoot released-outside || fail "could not photograph the window"
    differing=$(compare -metric AE "$WORK/before.png" "$SHOT" null: 2>&1 || true)
    echo "After the release outside: $differing pixels differ from the start screen"
    [ "${differing%% *}" -gt 1000 ] 2>/dev/null ||
      fail "the magnifier ended when the button was let go outside the window"
    xdotool mousemove --window "$GAME_WINDOW" 10 10
    sleep 0.3
    xdotool mousedown 3
    sleep 0.3
    xdotool mouseup 3
    harness screen wait-change same "$GAME_WINDOW" "$WORK/before.png" "$WORK/after.png" \
      --pid "$PROGRAM_PID" --timeout 10 || fail "a release inside did not end the magnifier"
    keep "$WORK/after.png" after.png
    echo "After a press and release inside the window equals the start screen"
    ctrl_break_ends_it
    ;;

  dead-key)
    to_the_prompt
    xdotool key dead_acute a
    wait_for_rows echoed "39 1 0" 10
    same_as_typed 1 $'\u00e1'
    ctrl_break_ends_it
    ;;

  *)
    fail "unknown scenario '$SCENARIO'"
    ;;
esac
echo "PASS: $BUILD $SCENARIO"
