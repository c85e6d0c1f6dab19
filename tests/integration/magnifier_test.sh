#!/usr/bin/env bash
# shellcheck source=lib.sh disable=SC2034
# The magnifier on the real program: on the start screen ("Tecle enter" in
# the top-left corner, the program waiting for Enter), the right button
# held at the client's corner shows the top-left part of the window
# enlarged by the configured factor; moving the mouse moves the view;
# releasing the button brings the normal screen back, pixel for pixel.
#
#   magnifier_test.sh BUILD FACTOR PROGRAM [WINE_TEMPLATE]
#
# FACTOR is "default" (no AMPLIF key: factor 2) or a digit written as
# AMPLIF in MIRABO.INI.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
begin_test magnifier "$@"

# Yellow letters (14) on blue (1): a part of the bitmap that was never
# drawn (black) cannot pass for the background.
FOREGROUND=FFFF00
BACKGROUND=0000FF
CONFIG=$'[VIDEO]\nCORFUNDO=1\nCORLETRA=14\n'
case "$SCENARIO" in
  default) FACTOR=2 ;;
  [1-7]) FACTOR="$SCENARIO" CONFIG+="AMPLIF=$SCENARIO"$'\n' ;;
  *) fail "unknown factor '$SCENARIO'" ;;
esac

# The outer size is the client's plus the frame that GetSystemMetrics
# reports: the SDL backend's is 4 pixels with a 20-pixel caption, and the
# enlarged picture must then be exact.  Wine's metrics come from its own
# theme and its GDI stretches with its own rounding: there the frame is
# found from the picture and a few pixels may differ.
if [ "$BUILD" = linux ]; then
  FRAMES=4:20 TOLERANCE=0
else
  FRAMES=fit TOLERANCE=0.02
fi

# Photographs the window as NAME until it differs from (changed) or equals
# (same) the photograph BASE, then once more after a moment, so that the
# photograph is not taken in the middle of drawing.
shoot_when() {
  local name="$1" how="$2" base="$3" timeout="$4" status=0
  SHOT="$WORK/$name.png"
  harness screen wait-change "$how" "$GAME_WINDOW" "$base" "$SHOT" --pid "$PROGRAM_PID" \
    --timeout "$timeout" || status=$?
  [ "$status" -eq 3 ] && fail "the program ended while waiting for '$name'$(program_log)"
  [ "$status" -eq 0 ] || fail "the window did not become '$name' within $timeout s"
  keep "$SHOT" "$name.png"
}

expect_zoom() {
  local x="$1" y="$2"
  harness screen zoom "$WORK/before.png" "$SHOT" "$FACTOR" "$x" "$y" "$FRAMES" \
    --tolerance "$TOLERANCE" ||
    fail "with the right button held and the mouse at ($x, $y) the window does not show the start screen enlarged $FACTOR times"
}

start_desktop
write_config "$CONFIG"
start_game
wait_for_rows start "11 0 0" 60
# The start screen has spoken its message once and waits for Enter when
# the caret shows under it.
harness screen wait-caret "$GAME_WINDOW" "$BACKGROUND" "$WORK/waiting.png" --pid "$PROGRAM_PID" \
  --timeout 20 || fail "the caret never showed on the start screen"
shoot before || fail "could not photograph the window"
read -r width height < <(harness screen size "$SHOT")
echo "Start screen photographed: client area $width x $height"

xdotool mousemove --window "$GAME_WINDOW" 0 0
sleep 0.3
xdotool mousedown 3
shoot_when zoom-corner changed "$WORK/before.png" 10
expect_zoom 0 0

# Farther than the text reaches: the view shows only background.
xdotool mousemove --window "$GAME_WINDOW" 200 100
shoot_when zoom-moved changed "$WORK/zoom-corner.png" 10
expect_zoom 200 100

# Into the lower half of the start line's letters.
xdotool mousemove --window "$GAME_WINDOW" 48 20
shoot_when zoom-letters changed "$WORK/zoom-moved.png" 10
expect_zoom 48 20

xdotool mouseup 3
shoot_when after same "$WORK/before.png" 10
echo "After the release the window equals the start screen photographed before"

focus_game
xdotool key --clearmodifiers alt+F4
expect_exit 0 30 "Alt+F4 on the start screen"
echo "PASS: $BUILD magnifier, factor $FACTOR"
