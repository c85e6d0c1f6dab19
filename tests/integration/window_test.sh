#!/usr/bin/env bash
# shellcheck source=lib.sh disable=SC2034
# The real program in a real window, on its own X display with a window
# manager: the client area is 80 by 25 cells of the configured font, the
# start line is drawn in the configured colours on the configured
# background (and reads back as "Tecle enter"), and closing the window
# ends the program with exit code 0.
#
#   window_test.sh BUILD SCENARIO PROGRAM [WINE_TEMPLATE]
#
# The Linux build reads $XDG_CONFIG_HOME/mirabo/MIRABO.INI; the Windows
# build, under Wine, reads MIRABO.INI from the prefix's Windows directory.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
begin_test window "$@"
SAMPLE_INI="${MIRABO_SAMPLE_INI:-$HERE/../../MIRABO.INI}"

# What each scenario configures and what it must show.  Colours are RRGGBB
# of the palette slots: 0 black, 1 blue, 4 red, 14 yellow, 15 white.
case "$SCENARIO" in
  no-ini)
    CONFIG=""
    CELL_WIDTH=9 CELL_HEIGHT=22 FOREGROUND=FFFFFF BACKGROUND=000000
    ;;
  sample-ini)
    # The shipped sample lists every default, so it changes nothing.
    CONFIG="$(cat "$SAMPLE_INI")" || fail "no sample MIRABO.INI at $SAMPLE_INI"
    CELL_WIDTH=9 CELL_HEIGHT=22 FOREGROUND=FFFFFF BACKGROUND=000000
    ;;
  yellow-on-blue)
    # Section and key names in mixed case, blanks around the value.
    CONFIG=$'[Video]\nCorFundo = 1\nCORLETRA=14\n'
    CELL_WIDTH=9 CELL_HEIGHT=22 FOREGROUND=FFFF00 BACKGROUND=0000FF
    ;;
  large-font)
    CONFIG=$'[VIDEO]\nLARGURALETRA=12\nALTURALETRA=24\nCORFUNDO=4\nCORLETRA=15\n'
    CELL_WIDTH=12 CELL_HEIGHT=24 FOREGROUND=FFFFFF BACKGROUND=FF0000
    ;;
  *)
    fail "unknown scenario '$SCENARIO'"
    ;;
esac
START_LINE="Tecle enter"

start_desktop
write_config "$CONFIG"
start_game
# Once the start line is drawn: eleven cells of letters in row 0.
wait_for_rows window "11 0 0" 60
read -r width height < <(harness screen size "$SHOT")
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
[ "$width" -eq $((80 * CELL_WIDTH)) ] ||
  fail "client width $width, expected 80 x $CELL_WIDTH = $((80 * CELL_WIDTH))"
[ "$height" -eq $((25 * LINE_HEIGHT)) ] ||
  fail "client height $height, expected 25 x $LINE_HEIGHT = $((25 * LINE_HEIGHT))"

# The pixels.  Row 0 holds the start line; the caret may blink in the
# first cell of row 1, where the program waits for Enter; everything else
# is the background.
TEXT_WIDTH=$((${#START_LINE} * CELL_WIDTH))
count() { harness screen count "$SHOT" "$@"; }
text_foreground=$(count "$FOREGROUND" --rectangle "${width}x${LINE_HEIGHT}+0+0")
text_background=$(count "$BACKGROUND" --rectangle "${width}x${LINE_HEIGHT}+0+0")
text_cells_background=$(count "$BACKGROUND" --rectangle "${TEXT_WIDTH}x${LINE_HEIGHT}+0+0")
after_text_other=$(count "$BACKGROUND" --other \
  --rectangle "$((width - TEXT_WIDTH))x${LINE_HEIGHT}+${TEXT_WIDTH}+0")
row1_other=$(count "$BACKGROUND" --other \
  --rectangle "$((width - CELL_WIDTH))x${LINE_HEIGHT}+${CELL_WIDTH}+${LINE_HEIGHT}")
below_other=$(count "$BACKGROUND" --other \
  --rectangle "${width}x$((height - 2 * LINE_HEIGHT))+0+$((2 * LINE_HEIGHT))")
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
check_reading "$SHOT" 0 "$START_LINE"

# Closed as a player would: Alt+F4 through the window manager.
focus_game
xdotool key --clearmodifiers alt+F4
expect_exit 0 30 "closing the window"
echo "PASS: $BUILD $SCENARIO"
