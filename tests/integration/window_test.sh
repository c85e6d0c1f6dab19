#!/usr/bin/env bash
# The real program in a real window, on its own X display with a window
# manager: the client area is 80 by 25 cells of the configured font, the
# start line is drawn in the configured colours on the configured
# background, and closing the window ends the program with exit code 0.
#
#   window_test.sh linux  SCENARIO PATH/TO/mirabo
#   window_test.sh wine32 SCENARIO PATH/TO/mirabo.exe WINEPREFIX
#   window_test.sh wine64 SCENARIO PATH/TO/mirabo.exe WINEPREFIX
#
# The Linux build reads $XDG_CONFIG_HOME/mirabo/MIRABO.INI; the Windows
# build, under Wine, reads MIRABO.INI from the prefix's Windows directory.
set -uo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$HERE/lib.sh"

[ $# -ge 3 ] || fail "usage: $0 linux|wine32|wine64 SCENARIO PROGRAM [WINEPREFIX]"
BUILD="$1"
SCENARIO="$2"
PROGRAM="$3"
PREFIX="${4:-}"
SAMPLE_INI="${MIRABO_SAMPLE_INI:-$HERE/../../MIRABO.INI}"

# --- What each scenario configures and what it must show.  Colours are
# RRGGBB of the palette slots: 0 black, 1 blue, 4 red, 14 yellow, 15 white.
case "$SCENARIO" in
  no-ini)
    INI_KIND=none
    CELL_WIDTH=9 CELL_HEIGHT=22 FOREGROUND=FFFFFF BACKGROUND=000000
    ;;
  sample-ini)
    # The shipped sample lists every default, so it changes nothing.
    INI_KIND=sample
    CELL_WIDTH=9 CELL_HEIGHT=22 FOREGROUND=FFFFFF BACKGROUND=000000
    ;;
  yellow-on-blue)
    # Section and key names in mixed case, blanks around the value.
    INI_KIND=text
    INI_TEXT=$'[Video]\nCorFundo = 1\nCORLETRA=14\n'
    CELL_WIDTH=9 CELL_HEIGHT=22 FOREGROUND=FFFF00 BACKGROUND=0000FF
    ;;
  large-font)
    INI_KIND=text
    INI_TEXT=$'[VIDEO]\nLARGURALETRA=12\nALTURALETRA=24\nCORFUNDO=4\nCORLETRA=15\n'
    CELL_WIDTH=12 CELL_HEIGHT=24 FOREGROUND=FFFFFF BACKGROUND=FF0000
    ;;
  *)
    fail "unknown scenario '$SCENARIO'"
    ;;
esac
START_LINE="Tecle enter"

# --- Prerequisites
require_tools Xvfb openbox xdotool xdpyinfo xprop import convert identify
if [ ! -f "$PROGRAM" ]; then
  case "$BUILD" in
    wine32) how="cmake --preset win32 && cmake --build --preset win32" ;;
    wine64) how="cmake --preset win64 && cmake --build --preset win64" ;;
    *) how="cmake --build of this build directory" ;;
  esac
  missing "$PROGRAM has not been built (build it with: $how, or run scripts/test)"
fi

write_ini() {
  local target="$1"
  case "$INI_KIND" in
    none) rm -f "$target" ;;
    sample) cp "$SAMPLE_INI" "$target" ;;
    text) printf '%s' "$INI_TEXT" >"$target" ;;
  esac
}

# --- Wine: the loader, whether this machine can run it at all, and its
# prefix (kept between runs: making one takes seconds).
check_wine() {
  WINESERVER=/usr/lib/wine/wineserver
  [ -x "$WINESERVER" ] || missing "Wine is not installed (no $WINESERVER)"
  [ -n "$PREFIX" ] || fail "no WINEPREFIX given"
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
  if [ "$BUILD" = wine32 ]; then
    LOADER=(/usr/lib/wine/wine)
    export WINEARCH=win32
    [ -x /usr/lib/wine/wine ] || missing "32-bit Wine (wine32:i386) is not installed"
    local probe probe_status=0
    probe="$(/usr/lib/wine/wine --version 2>&1)" || probe_status=$?
    if [ "$probe_status" -eq 126 ] || grep -q 'Exec format error' <<<"$probe"; then
      # Not a missing package: the kernel itself refuses 32-bit programs, so
      # nothing CI could install would help.
      skip "32-bit Windows programs cannot run on this machine: the kernel refuses to execute Wine's 32-bit loader /usr/lib/wine/wine (exit $probe_status: ${probe##*: }). This test runs where the kernel can execute 32-bit programs; here the same code is tested through the 64-bit build under wine64."
    fi
    [ "$probe_status" -eq 0 ] || fail "the 32-bit Wine loader does not start: $probe"
  else
    LOADER=(/usr/lib/wine/wine64)
    unset WINEARCH
    [ -x /usr/lib/wine/wine64 ] || missing "64-bit Wine (wine64) is not installed"
  fi
}

prepare_prefix() {
  export WINEPREFIX="$PREFIX"
  WINESERVERS_TO_STOP+=("$PREFIX:$WINESERVER")
  if [ ! -f "$PREFIX/system.reg" ]; then
    rm -rf "$PREFIX"
    mkdir -p "$(dirname "$PREFIX")"
    echo "Making the Wine prefix $PREFIX"
    timeout 300 "${LOADER[@]}" wineboot -i >"$WORK/wineboot.log" 2>&1 ||
      fail "wineboot failed: $(tail -n 20 "$WORK/wineboot.log")"
    "$WINESERVER" -w
  fi
  # Windows has Lucida Console, the game's default face; Wine does not, and
  # its own stand-in is a proportional face whose blanks are narrower than
  # a cell.  Give it the monospaced face the Linux build falls back to.
  if ! grep -q '"Lucida Console"="DejaVu Sans Mono"' "$PREFIX/user.reg" 2>/dev/null; then
    "${LOADER[@]}" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Lucida Console' \
      /t REG_SZ /d 'DejaVu Sans Mono' /f >>"$WORK/wineboot.log" 2>&1 ||
      fail "could not set Wine's font replacement: $(tail -n 20 "$WORK/wineboot.log")"
    "$WINESERVER" -w
  fi
}

# --- Start the program
case "$BUILD" in
  wine32 | wine64) check_wine ;;
esac
start_display
start_window_manager
case "$BUILD" in
  linux)
    mkdir -p "$WORK/config/mirabo" "$WORK/run"
    write_ini "$WORK/config/mirabo/MIRABO.INI"
    (cd "$WORK/run" && exec env XDG_CONFIG_HOME="$WORK/config" SDL_AUDIODRIVER=dummy \
      "$PROGRAM") >"$WORK/program.log" 2>&1 &
    PROGRAM_PID=$!
    ;;
  wine32 | wine64)
    prepare_prefix
    write_ini "$PREFIX/drive_c/windows/MIRABO.INI"
    (cd "$(dirname "$PROGRAM")" && exec "${LOADER[@]}" "$PROGRAM") >"$WORK/program.log" 2>&1 &
    PROGRAM_PID=$!
    ;;
  *)
    fail "unknown build '$BUILD'"
    ;;
esac
STARTED_PIDS+=("$PROGRAM_PID")
echo "Started $BUILD program (pid $PROGRAM_PID) on display $DISPLAY, scenario $SCENARIO"

program_log() {
  echo "--- program output:"
  cat "$WORK/program.log"
}

WINDOW="$(find_window mirabo "$PROGRAM_PID" 60)" ||
  fail "no window titled like the program appeared within 60 s$(program_log)"
echo "Window $WINDOW: $(xdotool getwindowname "$WINDOW")"

# --- Look at it once the start line is drawn
EXPECTED_WIDTH=$((80 * CELL_WIDTH))
SHOT="$WORK/window.png"
for _ in $(seq 100); do
  if import -window "$WINDOW" "$SHOT" 2>/dev/null; then
    read -r width height < <(image_size "$SHOT")
    if [ "$width" -eq "$EXPECTED_WIDTH" ] && [ $((height % 25)) -eq 0 ] &&
       [ "$(count_colour "$SHOT" "${width}x$((height / 25))+0+0" "$FOREGROUND")" -gt 0 ]; then
      break
    fi
  fi
  kill -0 "$PROGRAM_PID" 2>/dev/null || fail "the program ended before drawing$(program_log)"
  sleep 0.2
done
cp "$SHOT" "${MIRABO_SCREENSHOT_DIR:-$WORK}/$BUILD-$SCENARIO.png" 2>/dev/null || true
read -r width height < <(image_size "$SHOT")
echo "Client area: ${width} x ${height} pixels"

# The window's size follows the font: 80 average character widths across,
# 25 line heights down.  A line is the font's height plus its external
# leading, which on Windows depends on the face the system picks (Wine's
# stand-in for Lucida Console adds one pixel), so there it is measured.
if [ "$BUILD" = linux ]; then
  LINE_HEIGHT=$CELL_HEIGHT
else
  LINE_HEIGHT=$((height / 25))
  if [ "$LINE_HEIGHT" -lt "$CELL_HEIGHT" ] || [ "$LINE_HEIGHT" -gt $((CELL_HEIGHT + 3)) ]; then
    fail "line height $LINE_HEIGHT is not the font height $CELL_HEIGHT plus a small leading"
  fi
fi
[ "$width" -eq "$EXPECTED_WIDTH" ] ||
  fail "client width $width, expected 80 x $CELL_WIDTH = $EXPECTED_WIDTH"
[ "$height" -eq $((25 * LINE_HEIGHT)) ] ||
  fail "client height $height, expected 25 x $LINE_HEIGHT = $((25 * LINE_HEIGHT))"

# --- The pixels.  Row 0 holds the start line; the caret may blink in the
# first cell of row 1, where the program waits for Enter; everything else
# is the background.
TEXT_WIDTH=$((${#START_LINE} * CELL_WIDTH))
ROW0="${width}x${LINE_HEIGHT}+0+0"
ROW0_AFTER_TEXT="$((width - TEXT_WIDTH))x${LINE_HEIGHT}+${TEXT_WIDTH}+0"
ROW1_AFTER_CARET="$((width - CELL_WIDTH))x${LINE_HEIGHT}+${CELL_WIDTH}+${LINE_HEIGHT}"
BELOW="${width}x$((height - 2 * LINE_HEIGHT))+0+$((2 * LINE_HEIGHT))"

text_foreground=$(count_colour "$SHOT" "$ROW0" "$FOREGROUND")
text_background=$(count_colour "$SHOT" "$ROW0" "$BACKGROUND")
text_cells_background=$(count_colour "$SHOT" "${TEXT_WIDTH}x${LINE_HEIGHT}+0+0" "$BACKGROUND")
after_text_other=$(count_other "$SHOT" "$ROW0_AFTER_TEXT" "$BACKGROUND")
row1_other=$(count_other "$SHOT" "$ROW1_AFTER_CARET" "$BACKGROUND")
below_other=$(count_other "$SHOT" "$BELOW" "$BACKGROUND")
echo "Row 0: $text_foreground pixels of #$FOREGROUND, $text_background of #$BACKGROUND" \
  "($text_cells_background of them among the ${#START_LINE} text cells)"
echo "Pixels not #$BACKGROUND: $after_text_other after the text in row 0," \
  "$row1_other in row 1 after its first cell, $below_other in rows 2 to 24"

# Eleven bold glyphs cover a few hundred pixels in full; antialiased edges
# may take other shades, so only the full colour is counted.
[ "$text_foreground" -ge 150 ] ||
  fail "the start line has only $text_foreground pixels of the letter colour #$FOREGROUND"
[ "$text_cells_background" -ge $((TEXT_WIDTH * LINE_HEIGHT / 2)) ] ||
  fail "the text cells have only $text_cells_background pixels of the background #$BACKGROUND"
[ "$after_text_other" -eq 0 ] || fail "row 0 after the start line is not all background"
[ "$row1_other" -eq 0 ] || fail "row 1 is not all background"
[ "$below_other" -eq 0 ] || fail "rows 2 to 24 are not all background"

# --- Reading the text back, where tesseract is installed.
if command -v tesseract >/dev/null 2>&1; then
  # Black letters on white, with a margin, four times as large.
  convert "$SHOT" -alpha off -crop "$((TEXT_WIDTH + CELL_WIDTH))x${LINE_HEIGHT}+0+0" +repage \
    -fuzz 25% -transparent "#$FOREGROUND" -alpha extract \
    -bordercolor white -border 10 -resize 400% "$WORK/line.png"
  read_back="$(tesseract "$WORK/line.png" stdout --psm 7 2>/dev/null | tr -d '\f' | head -n 1)"
  echo "OCR of row 0: '$read_back'"
  squeezed="$(tr -d ' ' <<<"$read_back" | tr 'A-Z' 'a-z')"
  [ "$squeezed" = "tecleenter" ] || fail "row 0 reads '$read_back', not '$START_LINE'"
else
  echo "(tesseract is not installed: the text is not read back)"
fi

# --- Close the window as a player would: Alt+F4 through the window manager.
xdotool windowactivate --sync "$WINDOW" >/dev/null 2>&1 || true
xdotool key --clearmodifiers alt+F4
wait_for_exit "$PROGRAM_PID" 30
[ "$EXIT_STATUS" != running ] || fail "the program still runs 30 s after Alt+F4$(program_log)"
echo "Exit code after closing the window: $EXIT_STATUS"
[ "$EXIT_STATUS" -eq 0 ] || fail "exit code $EXIT_STATUS after closing the window, expected 0$(program_log)"
echo "PASS: $BUILD $SCENARIO"
