# Shared by the tests that play the game on the real programs: the Linux
# build on a private X display, the Windows builds under Wine.  Sourced after
# lib.sh.  Sets up a build (BUILD = linux, wine32 or wine64), writes its
# MIRABO.INI, starts it, types into its window, photographs it and reads the
# text rows of the photographs.

HERE="${HERE:-$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)}"
RUN_DIR="$WORK/run"          # the current directory of the Linux program
SHOT_DIR="${MIRABO_SCREENSHOT_DIR:-$WORK}"
mkdir -p "$RUN_DIR" "$WORK/config/mirabo"

program_log() {
  echo "--- program output:"
  cat "$WORK/program.log" 2>/dev/null
}

# Checks the tools and the program, and for Wine its loader and prefix.
# Skips (exit 77) with the reason when something cannot be had here.
setup_build() {
  BUILD="$1" PROGRAM="$2" PREFIX="${3:-}"
  require_tools Xvfb openbox xdotool xdpyinfo xprop import convert identify python3
  # Whether this machine can run 32-bit Windows programs at all comes first:
  # no build could change that.
  [ "$BUILD" = wine32 ] && setup_wine
  if [ ! -f "$PROGRAM" ]; then
    local how="cmake --build of this build directory"
    case "$BUILD" in
      wine32) how="cmake --preset win32 && cmake --build --preset win32" ;;
      wine64) how="cmake --preset win64 && cmake --build --preset win64" ;;
    esac
    missing "$PROGRAM has not been built (build it with: $how, or run scripts/test)"
  fi
  case "$BUILD" in
    linux | wine32) ;;
    wine64) setup_wine ;;
    *) fail "unknown build '$BUILD'" ;;
  esac
}

setup_wine() {
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
      # The kernel itself refuses 32-bit programs: nothing CI could install
      # would help, so this is a skip even in CI.
      skip "32-bit Windows programs cannot run on this machine: the kernel refuses to execute Wine's 32-bit loader /usr/lib/wine/wine (exit $probe_status: ${probe##*: }). This test runs where the kernel can execute 32-bit programs; here the same code is tested through the 64-bit build under wine64."
    fi
    [ "$probe_status" -eq 0 ] || fail "the 32-bit Wine loader does not start: $probe"
  else
    LOADER=(/usr/lib/wine/wine64)
    unset WINEARCH
    [ -x /usr/lib/wine/wine64 ] || missing "64-bit Wine (wine64) is not installed"
  fi
  export WINEPREFIX="$PREFIX"
  WINESERVERS_TO_STOP+=("$PREFIX:$WINESERVER")
}

# Makes the prefix on first use (kept between runs: making one takes
# seconds) and gives it the monospaced face the Linux build falls back to,
# since Wine has no Lucida Console.  Needs the display.
prepare_prefix() {
  if [ ! -f "$PREFIX/system.reg" ]; then
    rm -rf "$PREFIX"
    mkdir -p "$(dirname "$PREFIX")"
    echo "Making the Wine prefix $PREFIX"
    timeout 300 "${LOADER[@]}" wineboot -i >"$WORK/wineboot.log" 2>&1 ||
      fail "wineboot failed: $(tail -n 20 "$WORK/wineboot.log")"
    "$WINESERVER" -w
  fi
  if ! grep -q '"Lucida Console"="DejaVu Sans Mono"' "$PREFIX/user.reg" 2>/dev/null; then
    "${LOADER[@]}" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Lucida Console' \
      /t REG_SZ /d 'DejaVu Sans Mono' /f >>"$WORK/wineboot.log" 2>&1 ||
      fail "could not set Wine's font replacement: $(tail -n 20 "$WORK/wineboot.log")"
    "$WINESERVER" -w
  fi
}

# The display, the window manager and, for Wine, the prefix.
start_desktop() {
  start_private_display
  start_window_manager
  case "$BUILD" in
    wine32 | wine64) prepare_prefix ;;
  esac
}

# The X server keeps Ctrl+Alt+F1 to F12 for switching virtual terminals
# (even Xvfb, which has none) and never delivers them; the game uses
# Ctrl+Alt+F11 and F12 itself, as Windows lets it.  Makes F11 and F12 plain
# one-level keys on this display.
free_ctrl_alt_function_keys() {
  xkbcomp "$DISPLAY" - 2>/dev/null | python3 -c '
import re, sys
keymap = sys.stdin.read()
keymap = re.sub(r"type= \"CTRL\+ALT\",\s*symbols\[Group1\]= \[\s*(F1[12]),[^]]*\]",
                lambda match: "type= \"ONE_LEVEL\", symbols[Group1]= [ " + match.group(1) + " ]",
                keymap)
sys.stdout.write(keymap)' >"$WORK/keymap.xkb"
  grep -A1 'key <FK11>' "$WORK/keymap.xkb" | grep -q ONE_LEVEL || fail "could not rewrite the keymap"
  xkbcomp -w 0 "$WORK/keymap.xkb" "$DISPLAY" 2>/dev/null || fail "could not load the rewritten keymap"
}

# MIRABO.INI where the build reads it; no text: no file.
write_config() {
  local text="$1" target
  case "$BUILD" in
    linux) target="$WORK/config/mirabo/MIRABO.INI" ;;
    *) target="$PREFIX/drive_c/windows/MIRABO.INI" ;;
  esac
  if [ -n "$text" ]; then printf '%s' "$text" >"$target"; else rm -f "$target"; fi
}

# Starts the program; Linux in RUN_DIR with the SDL audio driver AUDIO
# (dummy unless set; "disk" writes CAPTURE), Windows in its own directory,
# where its fones.DAT lies.  Sets PROGRAM_PID and GAME_WINDOW.
#
# With TIMED=1 the Linux program and the X server run at a higher
# scheduling priority where the system allows it, so that other work on a
# busy machine does not delay the program's wake-ups from the waits whose
# lengths the test measures, nor the drawing it does between them (which
# waits for the X server).
start_game() {
  case "$BUILD" in
    linux)
      local audio=(SDL_AUDIODRIVER="${AUDIO:-dummy}") priority=()
      [ "${AUDIO:-dummy}" = disk ] && audio+=(SDL_DISKAUDIOFILE="$CAPTURE")
      if [ "${TIMED:-0}" = 1 ]; then
        if chrt -f 10 true 2>/dev/null; then
          priority=(chrt -f 10)
          [ -n "${XVFB_PID:-}" ] && chrt -f -p 10 "$XVFB_PID" >/dev/null 2>&1
        elif nice -n -10 true 2>/dev/null; then
          priority=(nice -n -10)
          [ -n "${XVFB_PID:-}" ] && renice -n -10 -p "$XVFB_PID" >/dev/null 2>&1
        fi
        echo "The program runs with '${priority[*]:-normal priority}'" \
          "(the machine's load: $(cut -d' ' -f1-3 /proc/loadavg))"
      fi
      (cd "$RUN_DIR" && exec "${priority[@]}" env XDG_CONFIG_HOME="$WORK/config" "${audio[@]}" \
        "$PROGRAM") >"$WORK/program.log" 2>&1 &
      ;;
    *)
      (cd "$(dirname "$PROGRAM")" && exec "${LOADER[@]}" "$PROGRAM") >"$WORK/program.log" 2>&1 &
      ;;
  esac
  PROGRAM_PID=$!
  STARTED_PIDS+=("$PROGRAM_PID")
  STARTED_AT=$(date +%s.%N)
  echo "Started the $BUILD program (pid $PROGRAM_PID) on display $DISPLAY"
  GAME_WINDOW="$(find_window mirabo "$PROGRAM_PID" 90)" ||
    fail "no window titled like the program appeared within 90 s$(program_log)"
  echo "Game window $GAME_WINDOW: '$(xdotool getwindowname "$GAME_WINDOW")'"
  focus_game
}

# The title of a window: _NET_WM_NAME, else WM_NAME.
window_title() {
  local name
  name="$(xprop -id "$1" _NET_WM_NAME 2>/dev/null | sed -n 's/^[^=]*= "\(.*\)"$/\1/p')"
  [ -n "$name" ] || name="$(xprop -id "$1" WM_NAME 2>/dev/null | sed -n 's/^[^=]*= "\(.*\)"$/\1/p')"
  printf '%s' "$name"
}

# Prints the id of the managed window titled exactly TITLE, waiting up to
# timeout seconds while the process lives.  Goes through the window
# manager's client list: SDL's message box types its WM_NAME "UTF-8", which
# xdotool's name search cannot read.
find_titled_window() {
  local title="$1" pid="$2" timeout="$3" id
  for _ in $(seq $((timeout * 5))); do
    for id in $(xprop -root _NET_CLIENT_LIST 2>/dev/null | grep -o '0x[0-9a-f]*'); do
      if [ "$(window_title "$id")" = "$title" ]; then
        echo "$id"
        return 0
      fi
    done
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.2
  done
  return 1
}

# Waits until the start screen shows "Tecle enter" (one row of 11 cells) in
# the configured colours.  Wine takes its first keys only once its window
# is up and focused, so keys are typed ahead from here on.
wait_for_start_screen() {
  wait_for_rows start "11 0 0" 90
  focus_game
}

focus_game() {
  xdotool windowactivate --sync "$GAME_WINDOW" >/dev/null 2>&1 ||
    xdotool windowfocus --sync "$GAME_WINDOW" >/dev/null 2>&1 || true
}

# Types text into the focused window; "\r" in it is the Enter key.
type_text() {
  local text="$1" piece
  while [ -n "$text" ]; do
    piece="${text%%$'\r'*}"
    [ -n "$piece" ] && xdotool type --delay 40 -- "$piece"
    if [ "$piece" != "$text" ]; then
      xdotool key Return
      text="${text#*$'\r'}"
    else
      text=""
    fi
  done
}

# Photographs the game window into $WORK/NAME.png and keeps a copy in the
# screenshot directory.
shoot() {
  local name="$1"
  SHOT="$WORK/$name.png"
  import -window "$GAME_WINDOW" "$SHOT" 2>/dev/null || return 1
  cp "$SHOT" "$SHOT_DIR/$TEST_NAME-$name.png" 2>/dev/null || true
}

# The text extent of each of the 25 rows: how many cells from the left the
# row's last cell with letter-coloured pixels lies.  Prints one line.
row_extents() {
  python3 "$HERE/screen.py" extents "$1" "$FOREGROUND" "$BACKGROUND"
}

# Photographs the window until the row extents start with the given ones
# (for example "39 1 0": the prompt, one typed character below it, nothing
# under that), for at most timeout seconds.  The last photograph stays in
# SHOT.
wait_for_rows() {
  local name="$1" expected="$2" timeout="$3" extents=""
  local deadline=$(($(date +%s) + timeout))
  while [ "$(date +%s)" -le "$deadline" ]; do
    kill -0 "$PROGRAM_PID" 2>/dev/null ||
      fail "the program ended while waiting for the screen '$name' (rows $expected)$(program_log)"
    if shoot "$name"; then
      extents="$(row_extents "$SHOT")"
      if [ "${extents#"$expected "}" != "$extents" ] || [ "$extents" = "$expected" ]; then
        echo "Screen '$name': row extents $extents"
        return 0
      fi
    fi
    sleep 0.2
  done
  fail "the screen '$name' (rows starting $expected) did not appear within $timeout s; last rows: $extents"
}

# For screens that stay only a second or two: photographs the window as
# fast as it can for the given seconds (SERIES_COUNT photographs); on a busy
# machine reading a photograph takes longer than taking it.
shoot_series() {
  local name="$1" seconds="$2" deadline
  SERIES_NAME="$name" SERIES_COUNT=0
  deadline=$(awk -v now="$(date +%s.%N)" -v s="$seconds" 'BEGIN { printf "%.3f", now + s }')
  while awk -v now="$(date +%s.%N)" -v end="$deadline" 'BEGIN { exit !(now < end) }'; do
    import -window "$GAME_WINDOW" "$WORK/$name-$((SERIES_COUNT + 1)).png" 2>/dev/null || break
    SERIES_COUNT=$((SERIES_COUNT + 1))
  done
}

# Looks through the last series for a photograph whose rows start with the
# expected extents, from the one after the last match on (screens follow
# each other).  The match stays in SHOT.
SERIES_FROM=1
find_in_series() {
  local label="$1" expected="$2" number image extents
  for ((number = SERIES_FROM; number <= SERIES_COUNT; number++)); do
    image="$WORK/$SERIES_NAME-$number.png"
    extents="$(row_extents "$image")"
    if [ "${extents#"$expected "}" != "$extents" ]; then
      SHOT="$image"
      SERIES_FROM=$((number + 1))
      cp "$SHOT" "$SHOT_DIR/$TEST_NAME-$label.png" 2>/dev/null || true
      echo "Screen '$label': row extents $extents (photograph $number of $SERIES_COUNT)"
      return 0
    fi
  done
  fail "none of the $SERIES_COUNT photographs shows the screen '$label' (rows starting $expected)"
}

# Reads one row of the last photograph with tesseract (Portuguese), where
# it is installed; prints the text, or nothing.
read_row() {
  local image="$1" row="$2" cells="$3"
  command -v tesseract >/dev/null 2>&1 || return 0
  tesseract --list-langs 2>/dev/null | grep -qx por || return 0
  python3 "$HERE/screen.py" crop "$image" "$row" "$cells" "$WORK/ocr.png" "$FOREGROUND" || return 0
  tesseract "$WORK/ocr.png" stdout -l por --psm 7 2>/dev/null | tr -d '\f' | head -n 1
}

# Compares a row read back with the text it should hold, ignoring blanks and
# case, and the letter O for the digit 0 (which the reader confuses); a
# missing reader is said so, a wrong reading fails.
check_reading() {
  local image="$1" row="$2" text="$3" read_back squeezed expected
  if ! command -v tesseract >/dev/null 2>&1; then
    echo "(tesseract is not installed: row $row is not read back)"
    return 0
  fi
  read_back="$(read_row "$image" "$row" "${#text}")"
  echo "OCR of row $row: '$read_back'"
  squeezed="$(tr -d ' ' <<<"$read_back" | tr 'A-Z' 'a-z' | tr 'o' '0')"
  expected="$(tr -d ' ' <<<"$text" | tr 'A-Z' 'a-z' | tr 'o' '0')"
  [ "$squeezed" = "$expected" ] || fail "row $row reads '$read_back', not '$text'"
}

# Waits for the program to end and checks its exit code.
expect_exit() {
  local code="$1" timeout="$2" why="$3"
  wait_for_exit "$PROGRAM_PID" "$timeout"
  [ "$EXIT_STATUS" != running ] || fail "the program still runs $timeout s after $why$(program_log)"
  echo "Exit code after $why: $EXIT_STATUS"
  [ "$EXIT_STATUS" -eq "$code" ] || fail "exit code $EXIT_STATUS after $why, expected $code$(program_log)"
}
