#!/usr/bin/env bash
# shellcheck source=lib.sh disable=SC2034
# Six-key braille entry on the real program, with key presses and releases
# sent one by one as a player's fingers would:
#
#   chord-game    MIRABO.INI sets [BRAILLE] MODO=2; a whole winning game
#                 played with chords only: Enter is the space bar with dots
#                 1 3 4 (F S J), each digit the number sign (dots 3 4 5 6:
#                 S J K L) and then the letter a to j of the digit (0 is j:
#                 D J K, 8 is h: F D K, 2 is b: F D).  Exit code 0.  On
#                 Linux the sound is captured: the mode set at start-up
#                 sounds its signal, 800 Hz then 400 Hz.
#   mode-signals  (Linux) no MIRABO.INI; on the start screen, once it waits,
#                 Ctrl+Alt+F11 twice and Ctrl+Alt+F12 twice: the signals
#                 800 then 1600 Hz (mode 1), 800 then 400 Hz (mode 2),
#                 100 Hz (mode 0), and nothing for the second F12; 200 ms
#                 each, measured in the sound captured by SDL's disk driver.
#
#   braille_test.sh BUILD SCENARIO PROGRAM [WINE_TEMPLATE]
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
begin_test braille "$@"
require_tools setxkbmap compare

# Yellow letters (14) on blue (1), so that the screens can be read.
FOREGROUND=FFFF00
BACKGROUND=0000FF
COLOURS=$'[VIDEO]\nCORFUNDO=1\nCORLETRA=14\n'
STEP_DELAY=30   # ms between the events of one chord

# Presses the keys of one chord in the order given, then releases them in
# the order given: one X key event per key and per direction.
chord() {
  local down="$1" up="${2:-$1}"
  # shellcheck disable=SC2086
  xdotool keydown --delay "$STEP_DELAY" $down
  # shellcheck disable=SC2086
  xdotool keyup --delay "$STEP_DELAY" $up
  sleep 0.1
}

# Braille cells by their keys: F D S are dots 1 2 3, J K L dots 4 5 6.
enter_chord() { chord "space f s j" "j f space s"; }    # space bar + m (13)
number_sign() { chord "s j k l" "l s k j"; }
digit_chord() {
  case "$1" in
    0) chord "d j k" "k d j" ;;   # j
    1) chord "f" ;;               # a
    2) chord "f d" "d f" ;;       # b
    8) chord "f d k" "k f d" ;;   # h
    *) fail "no chord written for the digit $1" ;;
  esac
}

# How many pixels of one cell (column, row) of an image differ from a cell
# of another.
cells_differ() {
  local first="$1" column="$2" row="$3" second="$4" other_column="$5" other_row="$6"
  local width height cell_width line_height
  read -r width height < <(harness screen size "$first")
  cell_width=$((width / 80)) line_height=$((height / 25))
  compare -metric AE \
    "${first}[${cell_width}x${line_height}+$((column * cell_width))+$((row * line_height))]" \
    "${second}[${cell_width}x${line_height}+$((other_column * cell_width))+$((other_row * line_height))]" \
    null: 2>&1 | cut -d' ' -f1
}

case "$SCENARIO" in
  chord-game)
    start_desktop
    free_server_keys
    write_config "$COLOURS"$'[BRAILLE]\nMODO=2\n'
    [ "$BUILD" = linux ] && SOUND=capture
    start_game
    if [ "$TIMED" = 1 ]; then
      # The signal is measured, the rest of the game is not: the lock goes
      # once the signal and what follows it are in the capture.
      wait_for_sound 1500
      release_timed_lock
    fi
    wait_for_rows start "11 0 0" 60
    check_reading "$SHOT" 0 "Tecle enter"
    enter_chord
    turn=0
    for digit in 0 8 2 2; do
      turn=$((turn + 1))
      # A fresh prompt with nothing typed under it.
      wait_for_rows "prompt-$turn" "39 0 0" 90
      PROMPT_SHOT="$SHOT"
      number_sign
      digit_chord "$digit"
      # The number sign types nothing; the letter's chord types one digit,
      # echoed once the prompt has been spoken.
      wait_for_rows "typed-$turn" "39 1 0" 30
      if [ "$digit" = 0 ]; then
        # The prompt shows a 0 in its 21st cell ("de 0 a 9").
        differ="$(cells_differ "$SHOT" 0 1 "$PROMPT_SHOT" 20 0)"
        echo "The typed 0 differs from the prompt's 0 in $differ pixels"
        [ "$differ" -eq 0 ] || fail "the chords for 0 typed something else than a 0"
      fi
      enter_chord
    done
    expect_exit 0 120 "a whole game typed in chords (Enter, then 0 8 2 2, each with Enter)"
    # The two 2s look alike, and unlike the 0 and the 8.
    twice_two="$(cells_differ "$WORK/typed-3.png" 0 1 "$WORK/typed-4.png" 0 1)"
    two_eight="$(cells_differ "$WORK/typed-3.png" 0 1 "$WORK/typed-2.png" 0 1)"
    two_zero="$(cells_differ "$WORK/typed-3.png" 0 1 "$WORK/typed-1.png" 0 1)"
    eight_zero="$(cells_differ "$WORK/typed-2.png" 0 1 "$WORK/typed-1.png" 0 1)"
    echo "Typed digits, pixels that differ: 2 and 2: $twice_two, 2 and 8: $two_eight," \
      "2 and 0: $two_zero, 8 and 0: $eight_zero"
    if [ "$twice_two" -ne 0 ] || [ "$two_eight" -le 10 ] || [ "$two_zero" -le 10 ] ||
       [ "$eight_zero" -le 10 ]; then
      fail "the chords for 0, 8 and 2 did not type three different digits"
    fi
    if [ "$BUILD" = linux ]; then
      keep_sound
      # The window's creation applies MODO=2 and sounds its signal before
      # anything is spoken; the speech may follow without a pause.  The
      # first tone's wait also serves the window's first messages (its
      # first painting draws every glyph), which may lengthen it.
      harness capture tones "$CAPTURE" --first "800:195-260,400:200,+" ||
        fail "the start-up signal of mode 2 is not 800 Hz then 400 Hz"
    fi
    ;;

  mode-signals)
    [ "$BUILD" = linux ] || fail "the mode signals are measured only in the Linux build's disk capture"
    start_desktop
    free_server_keys
    write_config "$COLOURS"
    SOUND=capture
    start_game
    wait_for_rows start "11 0 0" 60
    # The start message speaks "Tecle enter" once, beeps, pauses and then
    # waits for a key: wait for a second of silence after it.
    harness capture wait quiet "$CAPTURE" 1000 --pid "$PROGRAM_PID" --timeout 30 ||
      fail "the start screen did not fall silent within 30 s"
    FROM=$(stat -c %s "$CAPTURE")
    echo "The start screen is silent; the capture holds $FROM bytes"
    focus_game
    for keys in ctrl+alt+F11 ctrl+alt+F11 ctrl+alt+F12 ctrl+alt+F12; do
      xdotool key --delay "$STEP_DELAY" "$keys"
      sleep 1
    done
    # The capture is written in 100 ms buffers.
    sleep 0.5
    keep_sound
    # The second Ctrl+Alt+F12 is silent: the capture must reach well past it.
    captured_ms=$((($(stat -c %s "$CAPTURE") - FROM) / 88))
    echo "Captured $captured_ms ms of sound since the first Ctrl+Alt+F11"
    [ "$captured_ms" -ge 4000 ] || fail "the capture stopped $captured_ms ms after the first key"
    harness capture tones "$CAPTURE" --from-byte "$FROM" 800:200,1600:200 800:200,400:200 100:200 ||
      fail "the mode keys did not sound the signals of modes 1, 2 and 0 (and nothing for the second Ctrl+Alt+F12)"
    focus_game
    xdotool key --clearmodifiers alt+F4
    expect_exit 0 30 "Alt+F4 on the start screen"
    ;;

  *)
    fail "unknown scenario '$SCENARIO'"
    ;;
esac
echo "PASS: $BUILD $SCENARIO"
