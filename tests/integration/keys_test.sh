#!/usr/bin/env bash
# shellcheck source=lib.sh disable=SC2034
# Keys, tones and the ways a game ends, on the real program:
#
#   typed-line       a digit typed at the prompt is echoed on the row below
#                    it, and Enter hands it to the game as a number: the
#                    result line follows and, the digit being the first
#                    draw, the second room
#   ctrl-break       Ctrl+Break while the game speaks ends it with exit 255
#   close-at-prompt  closing the window (Alt+F4 through the window manager)
#                    while the game waits for a line ends it with exit 0
#   braille-signal-on-key
#                    (Linux) Ctrl+Alt+F11 on the start screen turns braille
#                    entry on with 800 Hz for 200 ms then 1600 Hz for
#                    200 ms, measured in the sound captured by SDL's disk
#                    audio driver
#   braille-signal-at-start
#                    (Linux) the same signal when MIRABO.INI sets MODO=1, as
#                    the window opens
#
#   keys_test.sh BUILD SCENARIO PROGRAM [WINE_TEMPLATE]
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
begin_test keys "$@"

FOREGROUND=FFFF00
BACKGROUND=0000FF
CONFIG=$'[VIDEO]\nCORFUNDO=1\nCORLETRA=14\n'

case "$SCENARIO" in
  typed-line)
    start_desktop
    write_config "$CONFIG"
    start_game
    wait_for_start_screen
    type_text $'\r'
    wait_for_rows prompt "39 0 0" 60
    type_text "0"
    # The line editor echoes the digit at the start of the row below the
    # prompt once the prompt has been spoken.
    wait_for_rows typed "39 1 0" 30
    echo "The digit is echoed in row 1, column 0"
    typed_cell=$(row_pixels "$SHOT" 1 "$FOREGROUND")
    echo "Row 1: $typed_cell pixels of the letter colour"
    [ "$typed_cell" -ge 20 ] || fail "row 1 shows only $typed_cell letter pixels for the digit"
    check_reading "$SHOT" 0 $'Digite um n\u00famero de 0 a 9 e tecle enter'
    type_text $'\r'
    # "Teclou: 0" is wiped at once by the number speaker; the result line
    # stays while "resultado" is spoken (1.6 s), then the second room's lines
    # (6 s).
    shoot_series after-enter 6
    find_in_series result "12 0 0"
    check_reading "$SHOT" 0 "Resultado: 0"
    # 0 is the first draw: the typed line was read as the number 0.
    find_in_series "second-room" "37 16 0"
    check_reading "$SHOT" 0 $'AGORA VOC\u00ca EST\u00c1 NUMA SALA MAIOR AINDA'
    focus_game
    xdotool key --clearmodifiers alt+F4
    expect_exit 0 30 "Alt+F4 after the second room"
    ;;

  ctrl-break)
    start_desktop
    write_config "$CONFIG"
    start_game
    wait_for_start_screen
    type_text $'\r'
    # The first room's lines are on the screen while they are spoken.
    wait_for_rows room "11 32 10 0" 60
    focus_game
    xdotool key ctrl+Break
    # Handled at the end of the segment being spoken (at most 367 ms).
    expect_exit 255 10 "Ctrl+Break while the game speaks"
    ;;

  close-at-prompt)
    start_desktop
    write_config "$CONFIG"
    start_game
    wait_for_start_screen
    type_text $'\r5'
    wait_for_rows "waiting" "39 1 0" 60
    focus_game
    xdotool key --clearmodifiers alt+F4
    expect_exit 0 30 "Alt+F4 while the game waits for a line"
    ;;

  braille-signal-at-start | braille-signal-on-key)
    [ "$BUILD" = linux ] || fail "the signals are measured only in the Linux build's disk capture"
    start_desktop
    # A voice without speech: the signal is then heard alone.
    write_silent_voice
    SOUND=capture
    if [ "$SCENARIO" = braille-signal-at-start ]; then
      write_config $'[BRAILLE]\nMODO=1\n'
      start_game
      wait_for_sound 1000
      # The window sounds the signal as it opens; the first wait of the
      # signal also serves the new window's first messages (showing and
      # painting it), which lengthens the first tone by their time.
      ABOVE=60
    else
      write_config ""
      free_server_keys
      start_game
      # The start message's beep, then its pause: the game waits for a key.
      wait_for_sound 1500
      focus_game
      xdotool key ctrl+alt+F11
      wait_for_sound 3000
      ABOVE=5
    fi
    # Ended with Ctrl+Break: closing the window is the subject of another
    # scenario.
    focus_game
    xdotool key ctrl+Break
    expect_exit 255 30 "Ctrl+Break"
    harness capture signal "$CAPTURE" --above "$ABOVE" ||
      fail "the braille signal is not 800 Hz then 1600 Hz for 200 ms each"
    ;;

  *)
    fail "unknown scenario '$SCENARIO'"
    ;;
esac
echo "PASS: $BUILD $SCENARIO"
