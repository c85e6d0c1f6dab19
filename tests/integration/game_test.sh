#!/usr/bin/env bash
# shellcheck source=lib.sh disable=SC2034
# Whole games on the real program, typed into its window as a player would:
#
#   win            Enter, then 0 8 2 2 (the first draws), typed ahead: exit 0
#   miss-then-win  Enter, then 1 (a miss in room 1), 8 2 2 6: exit 0
#   not-a-number   Enter, then abc: the "Application Error" box; once it is
#                  closed with Return, exit 1
#   screens        the start screen and the prompt, photographed, in the
#                  configured colours, read back with tesseract
#
#   game_test.sh BUILD SCENARIO PROGRAM [WINE_TEMPLATE]
#
# Each game takes at least the time its waits add up to on the recording
# double (MIRABO_GAME_TIMELINE: the game_timeline program).  When the test
# is timed (MIRABO_TIMED=1) its sound is captured and measured against that
# timeline: the Linux program's with SDL's disk audio driver, a Windows
# build's as Wine opens the sound device for each segment and tone.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
begin_test game "$@"

# Yellow letters (14) on blue (1): colours no default gives.
FOREGROUND=FFFF00
BACKGROUND=0000FF
CONFIG=$'[VIDEO]\nCORFUNDO=1\nCORLETRA=14\n'

# Plays a whole game typed ahead: Enter and then each line.
play_game() {
  local typed=$'\r' line
  for line in "$@"; do typed+="$line"$'\r'; done
  plan_game "$@"
  [ "$TIMED" = 1 ] && SOUND=capture
  start_desktop
  write_config "$CONFIG"
  start_game
  wait_for_start_screen
  # Typed at once: the game queues what is typed while it speaks.
  type_text "$typed"
  if [ "$BUILD" = linux ] && [ "$SOUND" = capture ]; then
    # Note how the capture grows on the wall clock, to tell how closely the
    # disk driver keeps real time.
    : >"$WORK/sizes.txt"
    local deadline=$(($(date +%s) + 240))
    while kill -0 "$PROGRAM_PID" 2>/dev/null && [ "$(date +%s)" -lt "$deadline" ]; do
      echo "$(now) $(stat -c %s "$CAPTURE" 2>/dev/null || echo 0)" >>"$WORK/sizes.txt"
      sleep 0.5
    done
  fi
  expect_exit 0 240 "a whole game typed ahead ($(tr '\r' ' ' <<<"$typed"))"
  local elapsed
  elapsed=$(elapsed_ms "$STARTED_AT" "$EXITED_AT")
  echo "The program ran for $elapsed ms (wall clock, start to exit)"
  # A game that skips its waits (or a room) ends early; the start-up only
  # adds time, so this bound cannot be met by chance.
  [ "$elapsed" -ge $((PLANNED_MS * 98 / 100)) ] ||
    fail "the game ended after $elapsed ms, sooner than its $PLANNED_MS ms of waits"
  [ "$SOUND" = capture ] || return 0
  keep_sound
  case "$BUILD" in
    linux)
      harness capture game "$CAPTURE" "$TIMELINE" --sizes "$WORK/sizes.txt" ||
        fail "the captured sound does not match the game"
      ;;
    *)
      harness capture wine-game "$OPENINGS" "$TIMELINE" --voice "$VOICE" --exited-at "$EXITED_AT" ||
        fail "the sound Wine played does not match the game"
      ;;
  esac
}

case "$SCENARIO" in
  win)
    play_game 0 8 2 2
    ;;

  miss-then-win)
    play_game 1 8 2 2 6
    ;;

  not-a-number)
    start_desktop
    write_config "$CONFIG"
    start_game
    wait_for_start_screen
    type_text $'\rabc\r'
    # The start message, the room and the prompt are spoken first (about 11 s).
    BOX="$(find_titled_window 'Application Error' "$PROGRAM_PID" 90)" ||
      fail "no window titled 'Application Error' appeared$(program_log)"
    title="$(window_title "$BOX")"
    echo "Error box $BOX: '$title'"
    [ "$title" = "Application Error" ] || fail "the error box is titled '$title'"
    sleep 1
    import -window "$BOX" "$WORK/box.png" 2>/dev/null && keep "$WORK/box.png" box.png
    if command -v tesseract >/dev/null 2>&1 && [ -f "$WORK/box.png" ]; then
      convert "$WORK/box.png" -resize 300% -colorspace Gray "$WORK/box-large.png"
      box_text="$(tesseract "$WORK/box-large.png" stdout 2>/dev/null | tr -s ' \n\f' ' ')"
      echo "OCR of the box: '$box_text'"
      grep -q 'Invalid numeric input' <<<"$box_text" ||
        fail "the box does not say 'Invalid numeric input': '$box_text'"
      grep -Eq 'E[Il1|]n[O0@Q]utError' <<<"$box_text" ||
        fail "the box does not name EInOutError: '$box_text'"
    fi
    # The program waits for the player to close the box.
    kill -0 "$PROGRAM_PID" 2>/dev/null || fail "the program ended without waiting for the box"
    xdotool windowactivate --sync "$BOX" >/dev/null 2>&1 || true
    xdotool key Return
    expect_exit 1 30 "Return on the error box"
    ;;

  screens)
    start_desktop
    write_config "$CONFIG"
    start_game
    wait_for_start_screen
    read -r width height < <(harness screen size "$SHOT")
    echo "Client area $width x $height: cells of $((width / 80)) x $((height / 25)) pixels"
    line_pixels=$((width * height / 25))
    letters=$(row_pixels "$SHOT" 0 "$FOREGROUND")
    ground=$(row_pixels "$SHOT" 0 "$BACKGROUND")
    echo "Start screen, row 0: $letters pixels of #$FOREGROUND, $ground of #$BACKGROUND, of $line_pixels"
    [ "$letters" -ge 150 ] || fail "'Tecle enter' has only $letters pixels of the letter colour"
    [ "$ground" -ge $((line_pixels * 9 / 10)) ] || fail "row 0 is not on the background colour"
    check_reading "$SHOT" 0 "Tecle enter"

    type_text $'\r'
    # The room's two lines come below the start line, then the prompt
    # clears the screen.
    wait_for_rows room "11 32 10 0" 30
    wait_for_rows prompt "39 0 0" 60
    letters=$(row_pixels "$SHOT" 0 "$FOREGROUND")
    ground=$(row_pixels "$SHOT" 0 "$BACKGROUND")
    echo "Prompt, row 0: $letters pixels of #$FOREGROUND, $ground of #$BACKGROUND, of $line_pixels"
    [ "$letters" -ge 500 ] || fail "the prompt has only $letters pixels of the letter colour"
    [ "$ground" -ge $((line_pixels * 7 / 10)) ] || fail "the prompt's row is not on the background colour"
    others=$(row_pixels "$SHOT" 5 "$BACKGROUND")
    [ "$others" -eq "$line_pixels" ] || fail "row 5 is not all background ($others of $line_pixels)"
    check_reading "$SHOT" 0 $'Digite um n\u00famero de 0 a 9 e tecle enter'

    focus_game
    xdotool key --clearmodifiers alt+F4
    expect_exit 0 30 "Alt+F4 at the prompt"
    ;;

  *)
    fail "unknown scenario '$SCENARIO'"
    ;;
esac
echo "PASS: $BUILD $SCENARIO"
