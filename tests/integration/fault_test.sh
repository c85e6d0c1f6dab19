#!/usr/bin/env bash
# shellcheck source=lib.sh disable=SC2034
# What the program does when something around it is wrong: a voice file
# that is missing or unreadable, no audio device, a MIRABO.INI that cannot
# be read or holds nonsense, a font that does not exist, the window closed
# at awkward moments, Ctrl+Break while a tone sounds.  Each scenario checks
# the exit code, that the program neither crashes nor hangs (every wait is
# bounded and a timeout fails with the program's output), and the behaviour
# the case calls for:
#
#   mute-no-voice        no fones.DAT anywhere the program looks
#   mute-truncated-voice a fones.DAT whose WAV header promises 2.6 MB of
#                        samples but that ends 2000 bytes after the header
#   mute-not-a-wave      a fones.DAT of random bytes
#                        These three win a game typed ahead (Enter, 0 8 2 2)
#                        with exit 0, no quicker than the sum of the game's
#                        waits, and the captured sound holds the beeps and
#                        nothing else, at the times the game's own timeline
#                        gives.  (Linux, and no-voice on Windows too.)
#   no-audio-device      no sound device: the same game, silent, ends with
#                        exit 0 no quicker than its waits and not much
#                        slower.  On Linux SDL_AUDIODRIVER names a driver
#                        that does not exist; under Wine the prefix has no
#                        sound driver, and the device that would capture
#                        any sound is never opened.
#   ini-directory        MIRABO.INI is a directory: every default (white on
#                        black, the default font's cells)
#   ini-fifo             MIRABO.INI is a named pipe with no writer: every
#                        default, and no wait
#   ini-garbage          MIRABO.INI is random bytes: every default
#   ini-huge-values      every key huge: the colours their low bits give, a
#                        512-pixel font (the largest the backend makes) whose
#                        window cannot fit the screen, maximised
#   ini-negative-values  every key negative: likewise, with a font size of
#                        -100000 (512-point characters)
#   ini-long-values      every value 1000 characters long (read as its
#                        first 79)
#   missing-font         FONTE=NoSuchFaceAtAll: a monospaced face instead, in
#                        the configured cells
#                        The INI scenarios win the typed-ahead game with
#                        exit 0 once the start screen shows in the colours
#                        the values make.
#   close-while-speaking the window closed through the window manager
#                        (Alt+F4) while the first room is spoken: exit 0,
#                        before the beep that ends the room's message
#   close-at-error-box   a line that is no number brings up the error box;
#                        closing the game window then does not end the
#                        program before the box is answered; Return on the
#                        box ends it with exit 1
#   close-error-box      the error box itself closed with Alt+F4: exit 1
#   ctrl-break-in-tone   Ctrl+Break typed right after Ctrl+Alt+F11, so that
#                        it is taken while the braille signal's first tone
#                        sounds: exit 255, and the capture ends in that tone
#
#   fault_test.sh BUILD SCENARIO PROGRAM [WINE_TEMPLATE]
#
# With MIRABO_UNTIMED=1 (the sanitizer build, whose slower drawing between
# the waits is not the program's pacing) nothing is measured against the
# clock beyond the lower bound of a game's length.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
begin_test fault "$@"
case "$BUILD:$SCENARIO" in
  linux:* | *:mute-no-voice | *:no-audio-device) ;;
  *) fail "the scenario '$SCENARIO' is written for the Linux build only" ;;
esac

# The defaults: white (15) letters on black (0).
FOREGROUND=FFFFFF
BACKGROUND=000000
WIN_LINES=(0 8 2 2)

# The Linux program run from a directory of its own, so that the voice
# beside the build is not found: it looks in the current directory, its
# own directory and the installed data directory.  (A Windows build runs
# from its own directory already.)
private_program() {
  mkdir -p "$WORK/bin"
  cp "$PROGRAM" "$WORK/bin/mirabo" || fail "could not copy $PROGRAM"
  PROGRAM="$WORK/bin/mirabo"
}

# A fones.DAT that is whole: the one built beside the program, else a voice
# of test tones.
whole_voice() {
  local built
  built="$(dirname "$PROGRAM")/fones.DAT"
  if [ -f "$built" ]; then
    cp "$built" "$RUN_DIR/fones.DAT"
  else
    write_test_voice
  fi
}

# Types the winning game ahead (the game queues what is typed while it
# speaks), waits for its end and checks exit 0 and that it took no less
# than its waits.  Sets ELAPSED_MS.
win_typed_ahead() {
  local typed=$'\r' line
  for line in "${WIN_LINES[@]}"; do typed+="$line"$'\r'; done
  focus_game
  type_text "$typed"
  expect_exit 0 240 "a winning game typed ahead ($(tr '\r' ' ' <<<"$typed"))"
  ELAPSED_MS=$(elapsed_ms "$STARTED_AT" "$EXITED_AT")
  echo "The program ran for $ELAPSED_MS ms (wall clock, start to exit)"
  # Every wait is a sleep of at least its length; start-up only adds to them.
  [ "$ELAPSED_MS" -ge "$PLANNED_MS" ] ||
    fail "the game ended after $ELAPSED_MS ms, sooner than its $PLANNED_MS ms of waits"
}

# A mute game: the winning game with the sound captured; only the beeps
# may be heard.
mute_game() {
  plan_game "${WIN_LINES[@]}"
  SOUND=capture
  start_desktop
  write_config ""
  start_game
  wait_for_start_screen
  win_typed_ahead
  keep_sound
  case "$BUILD" in
    linux)
      keep "$CAPTURE" capture.raw
      if [ "$UNTIMED" = 1 ]; then
        harness capture mute "$CAPTURE" "$TIMELINE" --untimed
      else
        harness capture mute "$CAPTURE" "$TIMELINE"
      fi || fail "the captured sound is not the game's beeps alone$(program_log)"
      if grep -i -E 'sanitizer|runtime error' "$WORK/program.log"; then
        fail "the program reported errors$(program_log)"
      fi
      ;;
    *)
      harness capture wine-game "$OPENINGS" "$TIMELINE" --mute --exited-at "$EXITED_AT" ||
        fail "the sound Wine played is not the game's beeps alone at their times"
      ;;
  esac
}

# A MIRABO.INI that is not a file of settings at all: the start screen in
# the default colours and cells, then the game.
default_screen_game() {
  start_game
  wait_for_start_screen
  read -r width height < <(harness screen size "$SHOT")
  echo "Client area $width x $height"
  # The default font is 9 x 22 cells.
  [ "$width" -eq 720 ] && [ "$height" -eq 550 ] ||
    fail "the window is $width x $height, not the default 80 x 25 cells of 9 x 22 pixels"
  win_typed_ahead
}

# For settings that make cells larger than the screen: the window is no
# larger than the screen and shows both configured colours.
check_huge_window() {
  local fg_pixels=0 bg_pixels=0 screen_w screen_h deadline
  deadline=$(($(date +%s) + 90))
  while :; do
    kill -0 "$PROGRAM_PID" 2>/dev/null || fail "the program ended before its start screen$(program_log)"
    if shoot start; then
      read -r width height < <(harness screen size "$SHOT")
      fg_pixels=$(harness screen count "$SHOT" "$FOREGROUND" --rectangle "${width}x${height}+0+0")
      bg_pixels=$(harness screen count "$SHOT" "$BACKGROUND" --rectangle "${width}x${height}+0+0")
      [ "$fg_pixels" -ge 2000 ] && [ "$bg_pixels" -ge 20000 ] && break
    fi
    [ "$(date +%s)" -lt "$deadline" ] ||
      fail "no start screen in #$FOREGROUND on #$BACKGROUND within 90 s (last: $fg_pixels and $bg_pixels pixels)$(program_log)"
    sleep 0.5
  done
  read -r screen_w screen_h < <(xdpyinfo | awk '/dimensions:/ { split($2, s, "x"); print s[1], s[2] }')
  echo "Window $width x $height on a screen of $screen_w x $screen_h: $fg_pixels pixels of" \
    "#$FOREGROUND, $bg_pixels of #$BACKGROUND"
  [ "$width" -le "$screen_w" ] && [ "$height" -le "$screen_h" ] ||
    fail "the window ($width x $height) is larger than the screen"
}

# A line of the given length made of a pattern repeated.
repeat_to() {
  local pattern="$1" length="$2" text=""
  while [ "${#text}" -lt "$length" ]; do text+="$pattern"; done
  printf '%s' "${text:0:length}"
}

case "$SCENARIO" in
  mute-no-voice)
    if [ "$BUILD" = linux ]; then
      private_program
    else
      rm -f "$RUN_DIR/fones.DAT"
    fi
    mute_game
    ;;

  mute-truncated-voice)
    private_program
    whole_voice
    mv "$RUN_DIR/fones.DAT" "$WORK/whole.DAT"
    # The header and the first 1000 samples: the first range starts at
    # sample 6615, so every range lies beyond the end of the file.
    python3 - "$WORK/whole.DAT" "$RUN_DIR/fones.DAT" <<'PYTHON' || fail "could not cut the voice"
import struct, sys
data = open(sys.argv[1], "rb").read()
assert data[:4] == b"RIFF" and data[8:12] == b"WAVE", "the voice is no RIFF WAVE file"
start = data.index(b"data", 12) + 8
open(sys.argv[2], "wb").write(data[:start + 2000])
riff, = struct.unpack("<I", data[4:8])
print(f"fones.DAT: {start + 2000} of the {riff + 8} bytes its header announces")
PYTHON
    mute_game
    ;;

  mute-not-a-wave)
    private_program
    python3 -c '
import random, sys
sys.stdout.buffer.write(random.Random(1961).randbytes(65536))' >"$RUN_DIR/fones.DAT"
    mute_game
    ;;

  no-audio-device)
    # The program's own voice is found (beside it, or in the current
    # directory), so the segments are sent; the device is what is missing.
    [ -f "$(dirname "$PROGRAM")/fones.DAT" ] || whole_voice
    plan_game "${WIN_LINES[@]}"
    SOUND=none
    start_desktop
    write_config ""
    start_game
    wait_for_start_screen
    win_typed_ahead
    keep_sound
    if [ "$UNTIMED" = 1 ]; then
      echo "(untimed build: the game's length is not bounded from above)"
    elif [ "$BUILD" = linux ]; then
      # Start-up, drawing and the poll add a few seconds on a busy machine;
      # a game that waited twice somewhere would add far more.
      limit=$((PLANNED_MS * 115 / 100 + 10000))
      [ "$ELAPSED_MS" -le "$limit" ] ||
        fail "the silent game took $ELAPSED_MS ms, more than $limit ms for $PLANNED_MS ms of waits"
    else
      harness capture wine-silent "$OPENINGS" "$TIMELINE" --started-at "$STARTED_AT" \
        --shown-at "$SHOWN_AT" --exited-at "$EXITED_AT" ||
        fail "without a sound device the game is not silent in the time of its waits"
    fi
    ;;

  ini-directory)
    plan_game "${WIN_LINES[@]}"
    start_desktop
    mkdir -p "$WORK/config/mirabo/MIRABO.INI"
    printf '[VIDEO]\nCORFUNDO=1\n' >"$WORK/config/mirabo/MIRABO.INI/MIRABO.INI"
    default_screen_game
    ;;

  ini-fifo)
    # A named pipe that nobody writes: reading it would wait for ever.
    plan_game "${WIN_LINES[@]}"
    start_desktop
    mkfifo "$WORK/config/mirabo/MIRABO.INI" || fail "could not make a named pipe"
    default_screen_game
    ;;

  ini-garbage)
    plan_game "${WIN_LINES[@]}"
    start_desktop
    python3 -c '
import random, sys
sys.stdout.buffer.write(random.Random(2024).randbytes(8192))' >"$WORK/config/mirabo/MIRABO.INI"
    default_screen_game
    ;;

  ini-huge-values)
    # TABCORES: 2147483647 gives entry 0 the low byte 255 (drawn black);
    # 4294967295 overflows, gives entry 1 the low byte of 429496729 and ends
    # the list.  CORFUNDO 100000 x 16 has the low byte 0; CORLETRA 100014 the
    # low byte 0xAE: background 10 (light green), letters 14 (yellow).
    # MODO 100000 is the character 1: braille entry, whose digits and Enter
    # still type.  AMPLIF 99999 is the character 9: factor 1.  The font is
    # 100000 x 100000, bold beyond any weight, and CANTOTELA 100000 does not
    # start with S: maximised.
    plan_game "${WIN_LINES[@]}"
    FOREGROUND=FFFF00
    BACKGROUND=80FF80
    start_desktop
    write_config $'[VIDEO]\nTABCORES=2147483647,4294967295,-5,300\nLENTO=100000\nCORFUNDO=100000\nCORLETRA=100014\nAMPLIF=99999\nLARGURALETRA=100000\nALTURALETRA=100000\nPESOLETRA=100000\nCANTOTELA=100000\n[BRAILLE]\nMODO=100000\n'
    start_game
    check_huge_window
    win_typed_ahead
    ;;

  ini-negative-values)
    # TABCORES: entry 0 = -2147483648 (low byte 0), entry 1 = -1 (255, drawn
    # black).  CORFUNDO -1 x 16 has the low byte 0xF0, CORLETRA -4 the low
    # byte 0xFC: background 15 (white), letters 12 (light red).  MODO and
    # AMPLIF take the code of "-": braille entry and factor 5.  Width
    # -100000 leaves the face's own width; height -100000 asks for
    # 512-point characters.  CANTOTELA -1: maximised.
    plan_game "${WIN_LINES[@]}"
    FOREGROUND=FF8080
    BACKGROUND=FFFFFF
    start_desktop
    write_config $'[VIDEO]\nTABCORES=-2147483648,-1,-2,-3\nLENTO=-1\nCORFUNDO=-1\nCORLETRA=-4\nAMPLIF=-5\nLARGURALETRA=-100000\nALTURALETRA=-100000\nPESOLETRA=-100000\nCANTOTELA=-1\n[BRAILLE]\nMODO=-1\n'
    start_game
    check_huge_window
    win_typed_ahead
    ;;

  ini-long-values)
    # Each value is cut to its first 79 characters: TABCORES the identity
    # twice over; LENTO S; CORFUNDO 1 and CORLETRA 14 (the digits before the
    # first letter): yellow on blue; MODO 0; AMPLIF 0, i.e. factor 2; a face
    # named by 79 letters, which does not exist; cells of 10 x 24.
    plan_game "${WIN_LINES[@]}"
    FOREGROUND=FFFF00
    BACKGROUND=0000FF
    start_desktop
    config="[VIDEO]"$'\n'
    config+="TABCORES=$(repeat_to '0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,' 1000)"$'\n'
    config+="LENTO=$(repeat_to S 1000)"$'\n'
    config+="CORFUNDO=1$(repeat_to x 999)"$'\n'
    config+="CORLETRA=14$(repeat_to y 998)"$'\n'
    config+="AMPLIF=$(repeat_to 0 1000)"$'\n'
    config+="FONTE=$(repeat_to NoSuchFace 1000)"$'\n'
    config+="LARGURALETRA=10$(repeat_to ' wide' 998)"$'\n'
    config+="ALTURALETRA=24$(repeat_to ' high' 998)"$'\n'
    config+="PESOLETRA=$(repeat_to 7 1000)"$'\n'
    config+="CANTOTELA=$(repeat_to SIM 1000)"$'\n'
    config+="[BRAILLE]"$'\n'"MODO=$(repeat_to 0 1000)"$'\n'
    write_config "$config"
    start_game
    wait_for_start_screen
    read -r width height < <(harness screen size "$SHOT")
    echo "Client area $width x $height"
    [ "$width" -eq 800 ] && [ "$height" -eq 600 ] ||
      fail "the window is $width x $height, not 80 x 25 cells of 10 x 24 pixels"
    win_typed_ahead
    ;;

  missing-font)
    plan_game "${WIN_LINES[@]}"
    FOREGROUND=FFFF00
    BACKGROUND=0000FF
    start_desktop
    write_config $'[VIDEO]\nCORFUNDO=1\nCORLETRA=14\nFONTE=NoSuchFaceAtAll\nLARGURALETRA=11\nALTURALETRA=26\n'
    start_game
    wait_for_start_screen
    read -r width height < <(harness screen size "$SHOT")
    echo "Client area $width x $height"
    [ "$width" -eq 880 ] && [ "$height" -eq 650 ] ||
      fail "the window is $width x $height, not 80 x 25 cells of 11 x 26 pixels"
    letters=$(row_pixels "$SHOT" 0 "$FOREGROUND")
    echo "Start screen, row 0: $letters pixels of #$FOREGROUND"
    [ "$letters" -ge 150 ] || fail "'Tecle enter' has only $letters pixels of the letter colour"
    check_reading "$SHOT" 0 "Tecle enter"
    win_typed_ahead
    ;;

  close-while-speaking)
    # The start message is spoken for only a second after the window shows;
    # the first room's message, after Enter, for 3.9 s (1699 to 5585 ms of
    # the game: its beep, the speech, then the next beep).  Closed while the
    # room's lines are on the screen, the capture tells whether the close
    # came while it was spoken: two beeps (the start message's and the
    # room's first), not the third.
    SOUND=capture
    start_desktop
    write_config ""
    start_game
    wait_for_start_screen
    type_text $'\r'
    wait_for_rows room "11 32 10 0" 60
    focus_game
    xdotool key --clearmodifiers alt+F4
    expect_exit 0 30 "Alt+F4 while the first room is spoken"
    beeps=$(harness capture beeps "$CAPTURE") || fail "could not read the capture"
    echo "Beep stretches in the capture: $beeps"
    [ "$beeps" -eq 2 ] ||
      fail "$beeps beep stretches in the capture, not 2: the close was not taken while the first room was spoken"
    ;;

  close-at-error-box | close-error-box)
    start_desktop
    write_config ""
    start_game
    wait_for_start_screen
    type_text $'\rabc\r'
    # The start message, the room and the prompt are spoken first (about 11 s).
    BOX="$(find_titled_window 'Application Error' "$PROGRAM_PID" 90)" ||
      fail "no window titled 'Application Error' appeared$(program_log)"
    echo "Error box $BOX: '$(window_title "$BOX")'"
    sleep 1
    if [ "$SCENARIO" = close-at-error-box ]; then
      # The game window is what the player closes.
      xdotool windowactivate --sync "$GAME_WINDOW" >/dev/null 2>&1 || true
      xdotool key --clearmodifiers alt+F4
      sleep 3
      kill -0 "$PROGRAM_PID" 2>/dev/null ||
        fail "closing the game window ended the program without the error box being answered$(program_log)"
      [ "$(window_title "$BOX")" = "Application Error" ] ||
        fail "the error box went away when the game window was closed"
      echo "After Alt+F4 on the game window the program and its error box are still there"
      xdotool windowactivate --sync "$BOX" >/dev/null 2>&1 || true
      xdotool key Return
      expect_exit 1 30 "Return on the error box after the game window was closed"
    else
      xdotool windowactivate --sync "$BOX" >/dev/null 2>&1 || true
      xdotool key --clearmodifiers alt+F4
      expect_exit 1 30 "Alt+F4 on the error box"
    fi
    ;;

  ctrl-break-in-tone)
    # A voice without speech, so that the tones are heard alone.
    write_silent_voice
    SOUND=capture
    start_desktop
    write_config ""
    free_server_keys
    start_game
    wait_for_start_screen
    # The start message's beep has sounded and the game waits for a key.
    wait_for_sound 700
    focus_game
    # One command: Ctrl+Break is queued while the 800 Hz note's 200 ms wait
    # runs, and taken when that wait ends, the note still sounding.
    xdotool key ctrl+alt+F11 ctrl+Break
    expect_exit 255 10 "Ctrl+Break during the braille signal's first note"
    size=$(stat -c %s "$CAPTURE")
    sleep 1
    [ "$(stat -c %s "$CAPTURE")" -eq "$size" ] || fail "the capture still grows after the exit"
    keep "$CAPTURE" capture.raw
    # The note sounded its 200 ms wait (longer when the machine is slow to
    # take the key), and nothing came after it: not the 1600 Hz note.
    longest=400
    [ "$UNTIMED" = 1 ] && longest=2000
    harness capture tail "$CAPTURE" 800 "$longest" ||
      fail "the capture does not end in the 800 Hz note"
    ;;

  *)
    fail "unknown scenario '$SCENARIO'"
    ;;
esac
echo "PASS: $BUILD $SCENARIO"
