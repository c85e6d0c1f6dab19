#!/usr/bin/env bash
# Whole games on the real program, typed into its window as a player would:
#
#   win            Enter, then 0 8 2 2 (the first draws), typed ahead: exit 0
#   miss-then-win  Enter, then 1 (a miss in room 1), 8 2 2 6: exit 0
#   not-a-number   Enter, then abc: the "Application Error" box; once it is
#                  closed with Return, exit 1
#   screens        the start screen and the prompt, photographed, in the
#                  configured colours, read back with tesseract
#
#   game_test.sh linux  SCENARIO PATH/TO/mirabo
#   game_test.sh wine64 SCENARIO PATH/TO/mirabo.exe WINEPREFIX
#
# On Linux the two games also capture their sound with SDL's disk audio
# driver and compare it with the game's own sequences played on the
# recording double (MIRABO_GAME_TIMELINE: the game_timeline program).
set -uo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$HERE/lib.sh"
source "$HERE/game_lib.sh"

[ $# -ge 3 ] || fail "usage: $0 linux|wine32|wine64 SCENARIO PROGRAM [WINEPREFIX]"
SCENARIO="$2"
TEST_NAME="game-$1-$SCENARIO"
setup_build "$1" "$3" "${4:-}"

# Yellow letters (14) on blue (1): colours no default gives.
FOREGROUND=FFFF00
BACKGROUND=0000FF
CONFIG=$'[VIDEO]\nCORFUNDO=1\nCORLETRA=14\n'

TIMELINE_TOOL="${MIRABO_GAME_TIMELINE:-}"

# Plays a whole game typed ahead: Enter and then each line.  Checks the exit
# code, that the game took at least the time its waits add up to, and on
# Linux the captured sound.
play_game() {
  local lines=("$@") typed=$'\r' line timeline="$WORK/timeline.txt" expected_ms=""
  for line in "${lines[@]}"; do typed+="$line"$'\r'; done
  if [ -x "$TIMELINE_TOOL" ]; then
    "$TIMELINE_TOOL" "${lines[@]}" >"$timeline" || fail "game_timeline failed"
    expected_ms="$(awk '$1 == "exit" { print $3 }' "$timeline")"
    [ -n "$expected_ms" ] || fail "on the recording double this game does not end: $(tail -n 3 "$timeline")"
    echo "On the recording double the game ends after $expected_ms ms of waits, beeps and pauses"
  elif [ "$BUILD" = linux ]; then
    missing "the game_timeline program is not built (MIRABO_GAME_TIMELINE='$TIMELINE_TOOL')"
  fi
  if [ "$BUILD" = linux ]; then
    # The sound is measured against the sum of the waits: the program gets
    # the processor first when its waits end (see start_game).
    AUDIO=disk CAPTURE="$WORK/capture.raw" TIMED=1
  fi
  start_game
  wait_for_start_screen
  # Typed at once: the game queues what is typed while it speaks.
  type_text "$typed"
  if [ "$BUILD" = linux ]; then
    # Note how the capture grows on the wall clock, to tell how closely the
    # disk driver keeps real time.
    : >"$WORK/sizes.txt"
    local deadline=$(($(date +%s) + 240))
    while kill -0 "$PROGRAM_PID" 2>/dev/null && [ "$(date +%s)" -lt "$deadline" ]; do
      echo "$(date +%s.%N) $(stat -c %s "$CAPTURE" 2>/dev/null || echo 0)" >>"$WORK/sizes.txt"
      sleep 0.5
    done
  fi
  expect_exit 0 240 "a whole game typed ahead ($(tr '\r' ' ' <<<"$typed"))"
  local elapsed_ms
  elapsed_ms=$(awk -v a="$STARTED_AT" -v b="$(date +%s.%N)" 'BEGIN { printf "%d", (b - a) * 1000 }')
  echo "The program ran for $elapsed_ms ms (wall clock, start to exit, polled)"
  if [ -n "$expected_ms" ]; then
    # A game that skips its waits (or a room) ends early; the start-up and
    # the polling only add time, so this bound cannot be met by chance.
    [ "$elapsed_ms" -ge $((expected_ms * 98 / 100)) ] ||
      fail "the game ended after $elapsed_ms ms, sooner than its $expected_ms ms of waits"
  fi
  if [ "$BUILD" = linux ]; then
    python3 "$HERE/audio.py" game "$CAPTURE" "$timeline" "$WORK/sizes.txt" ||
      fail "the captured sound does not match the game"
  fi
}

case "$SCENARIO" in
  win)
    start_desktop
    write_config "$CONFIG"
    play_game 0 8 2 2
    ;;

  miss-then-win)
    start_desktop
    write_config "$CONFIG"
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
    import -window "$BOX" "$WORK/box.png" 2>/dev/null &&
      cp "$WORK/box.png" "$SHOT_DIR/$TEST_NAME-box.png" 2>/dev/null
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
    read -r width height < <(image_size "$SHOT")
    echo "Client area $width x $height: cells of $((width / 80)) x $((height / 25)) pixels"
    line_pixels=$(( width * height / 25 ))
    letters=$(python3 "$HERE/screen.py" count "$SHOT" 0 "$FOREGROUND")
    ground=$(python3 "$HERE/screen.py" count "$SHOT" 0 "$BACKGROUND")
    echo "Start screen, row 0: $letters pixels of #$FOREGROUND, $ground of #$BACKGROUND, of $line_pixels"
    [ "$letters" -ge 150 ] || fail "'Tecle enter' has only $letters pixels of the letter colour"
    [ "$ground" -ge $((line_pixels * 9 / 10)) ] || fail "row 0 is not on the background colour"
    check_reading "$SHOT" 0 "Tecle enter"

    type_text $'\r'
    # The room's two lines come below the start line, then the prompt
    # clears the screen.
    wait_for_rows room "11 32 10 0" 30
    wait_for_rows prompt "39 0 0" 60
    letters=$(python3 "$HERE/screen.py" count "$SHOT" 0 "$FOREGROUND")
    ground=$(python3 "$HERE/screen.py" count "$SHOT" 0 "$BACKGROUND")
    echo "Prompt, row 0: $letters pixels of #$FOREGROUND, $ground of #$BACKGROUND, of $line_pixels"
    [ "$letters" -ge 500 ] || fail "the prompt has only $letters pixels of the letter colour"
    [ "$ground" -ge $((line_pixels * 7 / 10)) ] || fail "the prompt's row is not on the background colour"
    others=$(python3 "$HERE/screen.py" count "$SHOT" 5 "$BACKGROUND")
    [ "$others" -eq $((line_pixels)) ] || fail "row 5 is not all background ($others of $line_pixels)"
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
