# shellcheck shell=bash disable=SC2034
# The integration tests' one library, sourced by every test script (which
# then calls begin_test) and by the measurement scripts in bench/.  It sets
# up one build of the program (linux, wine32 or wine64) on a private X
# display with a window manager, each Wine test in a private prefix copied
# from a template, with its sound routed where the test wants it; starts
# the program, types into its window, photographs it and reads the
# photographs (through the harness tool), and cleans up every process it
# started on every way out.
set -uo pipefail

HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
SKIP_CODE=77

# --- Outcomes --------------------------------------------------------------

in_ci() {
  [ "${CI:-}" = "true" ] || [ "${CI:-}" = "1" ]
}

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

skip() {
  echo "==================================================================" >&2
  echo "SKIP: $*" >&2
  echo "==================================================================" >&2
  exit "$SKIP_CODE"
}

# A prerequisite is missing: outside CI the test is skipped (loudly: ctest
# lists it as skipped and this says why); CI must have it, so there it fails.
missing() {
  if in_ci; then
    fail "$* (CI must provide it)"
  fi
  skip "$*"
}

require_tools() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null 2>&1 || missing "'$tool' is not installed"
  done
}

# The tool that reads captures, photographs and the game's timeline.
harness() {
  python3 "$HERE/harness" "$@"
}

now() {
  date +%s.%N
}

# Milliseconds from one real-time reading (seconds) to another.
elapsed_ms() {
  awk -v a="$1" -v b="$2" 'BEGIN { printf "%d", (b - a) * 1000 }'
}

# --- Processes and the scratch directory ------------------------------------

WORK="$(mktemp -d "${TMPDIR:-/tmp}/mirabo-it.XXXXXX")"
STARTED_PIDS=()           # killed at exit, last started first
WINESERVERS_TO_STOP=()    # "prefix:server" pairs
SCRATCH_DIRS=()           # removed at exit with WORK
SOUND_LOGGER_PIDS=()      # reading a Windows build's sound (route_wine_sound)

cleanup() {
  local status=$? index entry pid
  for ((index = ${#STARTED_PIDS[@]} - 1; index >= 0; index--)); do
    kill "${STARTED_PIDS[index]}" 2>/dev/null || true
  done
  for entry in "${WINESERVERS_TO_STOP[@]}"; do
    WINEPREFIX="${entry%%:*}" "${entry#*:}" -k 2>/dev/null || true
  done
  for pid in "${STARTED_PIDS[@]}"; do
    for _ in 1 2 3 4 5 6 7 8 9 10; do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.2
    done
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  # A failed test's sound stays for a look at what went wrong.
  if [ "$status" -ne 0 ] && [ "$status" -ne "$SKIP_CODE" ] && [ -z "${MIRABO_KEEP_CAPTURE:-}" ] &&
     [ -n "${TEST_NAME:-}" ] && [ "$SHOT_DIR" != "$WORK" ]; then
    MIRABO_KEEP_CAPTURE=1 keep_sound && [ -n "${CAPTURE:-}${OPENINGS:-}" ] &&
      echo "The captured sound is kept in $SHOT_DIR/$TEST_NAME-*" >&2
  fi
  rm -rf "$WORK" "${SCRATCH_DIRS[@]}"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Waits up to timeout seconds for a process that this shell started to end;
# sets EXIT_STATUS to its exit code, or to "running" when it did not end,
# and EXITED_AT to when the end was seen.  (Not for $(...): a subshell
# cannot wait for its parent's children.)
wait_for_exit() {
  local pid="$1" timeout="$2" index
  EXIT_STATUS=running
  for _ in $(seq $((timeout * 10))); do
    if ! kill -0 "$pid" 2>/dev/null; then
      EXITED_AT=$(now)
      EXIT_STATUS=0
      wait "$pid" || EXIT_STATUS=$?
      for index in "${!STARTED_PIDS[@]}"; do
        [ "${STARTED_PIDS[index]}" = "$pid" ] && unset 'STARTED_PIDS[index]'
      done
      STARTED_PIDS=("${STARTED_PIDS[@]}")
      return 0
    fi
    sleep 0.1
  done
}

# --- The lock of the timed checks --------------------------------------------
# What is measured against the clock to the millisecond must not share the
# processor with another such measurement, from this test run or any other
# on the machine (ctest's own resource locks reach only one run): a lock
# file taken with flock, held until the test ends or lets it go.  Programs
# started while it is held do not inherit it (fd 199 is closed for them).

TIMED_LOCK="${MIRABO_TIMED_LOCK:-/tmp/mirabo-timed.lock}"
TIMED_LOCK_HELD=0

hold_timed_lock() {
  [ "$TIMED_LOCK_HELD" = 1 ] && return 0
  local from
  from=$(now)
  exec 199>>"$TIMED_LOCK" || fail "cannot open the lock file $TIMED_LOCK"
  flock 199 || fail "cannot take the lock $TIMED_LOCK"
  TIMED_LOCK_HELD=1
  echo "Holding the timed-checks lock $TIMED_LOCK (waited $(elapsed_ms "$from" "$(now)") ms for it)"
}

# Lets the lock go once what is timed is over; the program and its X server
# go back to the normal priority with it, so that they do not take the
# processor from the next timed test.
release_timed_lock() {
  [ "$TIMED_LOCK_HELD" = 1 ] || return 0
  local pid
  for pid in ${PROGRAM_PID:-} $(pgrep -P "${PROGRAM_PID:-0}" 2>/dev/null) ${XVFB_PID:-}; do
    chrt -a -o -p 0 "$pid" >/dev/null 2>&1
  done
  exec 199>&-
  TIMED_LOCK_HELD=0
  echo "Released the timed-checks lock; the program and its X server run at the normal priority again"
}

# --- The display ------------------------------------------------------------

# Starts Xvfb on a display number that the server picks itself (-displayfd:
# it takes the first number whose lock it can get, and says which once it
# accepts connections), so that tests started at the same moment never
# share a display; exports DISPLAY and sets XVFB_PID.
start_private_display() {
  local pid number=""
  Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp -noreset \
    3>"$WORK/display-number" >"$WORK/xvfb.log" 2>&1 199>&- &
  pid=$!
  STARTED_PIDS+=("$pid")
  XVFB_PID="$pid"
  for _ in $(seq 150); do
    number="$(head -n 1 "$WORK/display-number" 2>/dev/null)"
    [ -n "$number" ] && break
    kill -0 "$pid" 2>/dev/null || fail "Xvfb did not start: $(cat "$WORK/xvfb.log")"
    sleep 0.1
  done
  [ -n "$number" ] || fail "Xvfb did not name its display within 15 s"
  export DISPLAY=":$number"
  for _ in $(seq 100); do
    xdpyinfo >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  fail "Xvfb on $DISPLAY does not answer"
}

# Starts openbox and waits until it manages the screen.
start_window_manager() {
  openbox --sm-disable >"$WORK/openbox.log" 2>&1 199>&- &
  OPENBOX_PID=$!
  STARTED_PIDS+=("$OPENBOX_PID")
  for _ in $(seq 100); do
    if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
      return 0
    fi
    sleep 0.1
  done
  fail "openbox did not start: $(cat "$WORK/openbox.log")"
}

start_desktop() {
  start_private_display
  start_window_manager
}

# The X server keeps Ctrl+Alt+F1 to F12 for switching virtual terminals
# (even Xvfb, which has none) and never delivers them; the game uses
# Ctrl+Alt+F11 and F12 itself, as Windows lets it.
free_server_keys() {
  setxkbmap -option srvrkeys:none || fail "setxkbmap could not free Ctrl+Alt+F11 and F12"
}

# --- The build under test -----------------------------------------------------

RUN_DIR="$WORK/run"          # the program's current directory
SHOT_DIR="${MIRABO_SCREENSHOT_DIR:-$WORK}"
mkdir -p "$RUN_DIR" "$WORK/config/mirabo"
TIMED="${TIMED:-${MIRABO_TIMED:-0}}"
PACED="${PACED:-${MIRABO_PACED:-0}}"
UNTIMED="${MIRABO_UNTIMED:-0}"
SOUND="${SOUND:-}"

# The preamble of every test script:
#
#   begin_test KIND BUILD SCENARIO PROGRAM [WINE_TEMPLATE]
#
# BUILD is linux, wine32 or wine64; PROGRAM the Linux program or mirabo.exe;
# WINE_TEMPLATE the prefix that Wine tests copy (tests/integration/
# wine_template.sh makes it).
begin_test() {
  [ $# -ge 4 ] || fail "usage: $(basename "$0") linux|wine32|wine64 SCENARIO PROGRAM [WINE_TEMPLATE]"
  TEST_KIND="$1" SCENARIO="$3"
  TEST_NAME="$TEST_KIND-$2-$SCENARIO"
  setup_build "$2" "$4" "${5:-}"
}

# Checks the tools and the program, and for Wine its loader and a private
# prefix.  Skips (exit 77) with the reason when something cannot be had.
setup_build() {
  BUILD="$1" PROGRAM="$2" TEMPLATE="${3:-}"
  require_tools Xvfb openbox xdotool xdpyinfo xprop import convert python3
  # Whether this machine can run 32-bit Windows programs at all comes first:
  # no build could change that.
  case "$BUILD" in
    linux) ;;
    wine32 | wine64) find_wine ;;
    *) fail "unknown build '$BUILD'" ;;
  esac
  if [ ! -f "$PROGRAM" ]; then
    local how="cmake --build of this build directory"
    case "$BUILD" in
      wine32) how="cmake --preset win32 && cmake --build --preset win32" ;;
      wine64) how="cmake --preset win64 && cmake --build --preset win64" ;;
    esac
    missing "$PROGRAM has not been built (build it with: $how, or run scripts/test)"
  fi
  if [ "$BUILD" != linux ]; then
    private_prefix
    # The program from a directory of its own, where the test decides what
    # lies beside it: MCI looks for fones.DAT in the current directory and
    # in the program's.
    cp "$PROGRAM" "$RUN_DIR/mirabo.exe" || fail "could not copy $PROGRAM"
    VOICE="$(dirname "$PROGRAM")/fones.DAT"
    [ -f "$VOICE" ] && ln -s "$VOICE" "$RUN_DIR/fones.DAT"
  fi
}

# Sets LOADER and WINESERVER, or skips.
find_wine() {
  WINESERVER=/usr/lib/wine/wineserver
  [ -x "$WINESERVER" ] || missing "Wine is not installed (no $WINESERVER)"
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
}

# What a template prefix holds beyond what wineboot makes: the monospaced
# face the Linux build falls back to in place of Lucida Console (which Wine
# lacks: its own stand-in is a proportional face whose blanks are narrower
# than a cell), and ALSA as the sound driver, which each test points where
# it wants through the .asoundrc of its own HOME.
WINE_TEMPLATE_SETTINGS='Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Lucida Console"="DejaVu Sans Mono"

[HKEY_CURRENT_USER\Software\Wine\Drivers]
"Audio"="alsa"
'

# Makes the template prefix TEMPLATE for BUILD when it is missing or was
# made by another Wine or with other settings.  Making one costs tens of
# seconds of processor time; copying it, a fraction of one.
make_wine_template() {
  local stamp tmp home
  stamp="$("${LOADER[@]}" --version 2>&1) $(md5sum <<<"$WINE_TEMPLATE_SETTINGS" | cut -c1-12)"
  if [ "$(cat "$TEMPLATE/.mirabo-template" 2>/dev/null)" = "$stamp" ]; then
    echo "The Wine prefix template $TEMPLATE is up to date ($stamp)"
    return 0
  fi
  tmp="$TEMPLATE.making"
  home="$WORK/template-home"
  rm -rf "$tmp" && mkdir -p "$tmp" "$home" || fail "cannot make $tmp"
  echo "Making the Wine prefix template $TEMPLATE ($stamp)"
  # A HOME of its own: wineboot links the prefix's user folders to it and
  # writes menu entries there.
  printf '%s' "$WINE_TEMPLATE_SETTINGS" >"$WORK/template.reg"
  if ! (export WINEPREFIX="$tmp" HOME="$home"
        timeout 300 "${LOADER[@]}" wineboot -i &&
        "${LOADER[@]}" regedit /S "$(winepath_of "$WORK/template.reg")" &&
        "$WINESERVER" -w) >"$WORK/wineboot.log" 2>&1; then
    WINEPREFIX="$tmp" "$WINESERVER" -k 2>/dev/null
    fail "making the prefix failed: $(tail -n 20 "$WORK/wineboot.log")"
  fi
  grep -q '"Audio"="alsa"' "$tmp/user.reg" || fail "the template's settings did not take"
  # The user folders become plain folders, so that no test reaches this
  # HOME (or any other) through them.
  find "$tmp/drive_c/users" -type l | while read -r link; do
    rm -f "$link" && mkdir -p "$link"
  done
  echo "$stamp" >"$tmp/.mirabo-template"
  rm -rf "$TEMPLATE" && mv "$tmp" "$TEMPLATE" || fail "cannot move the template to $TEMPLATE"
  du -sh "$TEMPLATE" | sed 's/^/Template size: /'
}

# A Unix path as Wine's Z: drive sees it.
winepath_of() {
  printf 'Z:%s' "$(tr '/' '\\' <<<"$1")"
}

# A prefix of the test's own, copied from the template: the Windows
# directory and the rest of drive_c as hard links (the program writes
# nothing there but MIRABO.INI, a new file), the registry and the .ini files
# as copies, since Wine rewrites them.  The prefix directory itself, where
# the registry lives, is in memory where the machine has a tmpfs: every 30 s
# the wineserver saves the registry that the program's first sound changed
# (a few megabytes), and while a disk busy with other work takes that
# write, every Wine call of the program waits.  Sets WINEPREFIX and HOME.
private_prefix() {
  [ -n "$TEMPLATE" ] || fail "no Wine prefix template given"
  [ -f "$TEMPLATE/.mirabo-template" ] ||
    fail "no Wine prefix template at $TEMPLATE (the WineTemplate fixture makes it: tests/integration/wine_template.sh)"
  local prefix
  if prefix="$(mktemp -d /dev/shm/mirabo-prefix.XXXXXX 2>/dev/null)"; then
    SCRATCH_DIRS+=("$prefix")
  else
    prefix="$WORK/prefix"
    mkdir -p "$prefix"
  fi
  cp -al "$TEMPLATE/drive_c" "$WORK/" 2>/dev/null || cp -a "$TEMPLATE/drive_c" "$WORK/" ||
    fail "cannot copy the prefix $TEMPLATE"
  if [ "$prefix" = "$WORK/prefix" ]; then
    mv "$WORK/drive_c" "$prefix/" || fail "cannot move drive_c into $prefix"
  else
    ln -s "$WORK/drive_c" "$prefix/drive_c" || fail "cannot link drive_c into $prefix"
  fi
  cp -a "$TEMPLATE/dosdevices" "$TEMPLATE/.update-timestamp" "$TEMPLATE"/*.reg "$prefix/" ||
    fail "cannot copy the prefix $TEMPLATE"
  find -H "$prefix/drive_c" -name '*.ini' -type f | while read -r ini; do
    cp --remove-destination "$TEMPLATE/drive_c/${ini#"$prefix/drive_c/"}" "$ini"
  done
  export WINEPREFIX="$prefix" HOME="$WORK/home"
  mkdir -p "$HOME"
  WINESERVERS_TO_STOP+=("$prefix:$WINESERVER")
}

# Where the sound of a Windows build goes (SOUND): "capture", every opening
# of the device recorded by sound_logger into OPENINGS; "none", no sound
# driver at all, as on a machine without a sound device; otherwise a device
# that takes everything and keeps nothing.
route_wine_sound() {
  case "$SOUND" in
    capture)
      local logger="${MIRABO_SOUND_LOGGER:-}"
      [ -x "$logger" ] || missing "the sound_logger program is not built (MIRABO_SOUND_LOGGER='$logger')"
      # In memory where the machine has a tmpfs: sound_logger notes a
      # closing when its read sees the end of the pipe, and a write to a
      # disk busy with other work, just before, could make that tens of
      # milliseconds late.
      OPENINGS="$(mktemp -d /dev/shm/mirabo-openings.XXXXXX 2>/dev/null)" || OPENINGS="$WORK/openings"
      [ "${OPENINGS#/dev/shm/}" != "$OPENINGS" ] && SCRATCH_DIRS+=("$OPENINGS")
      mkdir -p "$OPENINGS"
      # One named pipe per format the program plays in, each read by a
      # sound_logger that waits for the next opening: the plugin then only
      # opens a file, where a "| command" would start a process inside the
      # program's play call at every opening.
      local rate channels bits pipe
      while read -r rate channels bits; do
        pipe="$OPENINGS/device-$rate-$channels-$bits"
        mkfifo "$pipe" || fail "could not make the pipe $pipe"
        "$logger" "$OPENINGS" "$pipe" "$rate" "$channels" "$bits" 199>&- &
        STARTED_PIDS+=("$!")
        SOUND_LOGGER_PIDS+=("$!")
      done < <(harness capture wine-formats "$VOICE")
      [ "${#SOUND_LOGGER_PIDS[@]}" -gt 0 ] || fail "no format to listen for the program's sound in"
      printf 'pcm.!default { type file slave.pcm "null" file "%s/device-%%r-%%c-%%b" format "raw" }\n' \
        "$OPENINGS" >"$HOME/.asoundrc"
      ;;
    none)
      # The device that would capture the sound is there, for the test to
      # see that it is never opened.
      SOUND=capture route_wine_sound
      sed -i 's/^"Audio"="alsa"$/"Audio"=""/' "$WINEPREFIX/user.reg"
      grep -q '^"Audio"=""$' "$WINEPREFIX/user.reg" || fail "could not take the prefix's sound driver away"
      ;;
    *)
      printf 'pcm.!default { type null }\n' >"$HOME/.asoundrc"
      ;;
  esac
}

# MIRABO.INI where the build reads it; no text: no file.
write_config() {
  local text="$1" target
  case "$BUILD" in
    linux) target="$WORK/config/mirabo/MIRABO.INI" ;;
    *) target="$WINEPREFIX/drive_c/windows/MIRABO.INI" ;;
  esac
  if [ -n "$text" ]; then printf '%s' "$text" >"$target"; else rm -f "$target"; fi
}

program_log() {
  echo "--- program output:"
  cat "$WORK/program.log" 2>/dev/null
}

# Starts the program and waits for its window; sets PROGRAM_PID, STARTED_AT
# and GAME_WINDOW.  The Linux program runs in RUN_DIR with the SDL audio
# driver AUDIO (dummy unless set; "disk" writes CAPTURE; SOUND=capture
# means disk, SOUND=none a driver that does not exist); a Windows build
# runs its copy in RUN_DIR, its sound routed by SOUND (route_wine_sound),
# and its end is noted in EXITED_AT when it comes.
#
# TIMED=1 (MIRABO_TIMED=1 from the test's definition: sound measured to the
# millisecond) takes the timed-checks lock first.  TIMED=1 and PACED=1 (a
# game measured against the sum of its waits) run the program and the X
# server at a real-time priority where the system allows it, so that other
# work on a busy machine does not delay the program's wake-ups from its
# waits, nor the drawing it does between them.  A Windows build gets it
# (with its wineserver, which wakes it from its sleeps) once its window is
# up: Wine's start-up is seconds of processor time, which at that priority
# would take both processors from every other test.
start_game() {
  local priority=() level=10
  # A timed test's program comes before a paced one's (and its X server,
  # busy with the photographs its own test takes) whenever both are ready
  # to run: only one timed test runs at a time, paced ones beside it.
  [ "$TIMED" = 1 ] && hold_timed_lock && level=20
  if [ "$TIMED" = 1 ] || [ "$PACED" = 1 ]; then
    if chrt -f "$level" true 2>/dev/null; then
      priority=(chrt -f "$level")
      [ -n "${XVFB_PID:-}" ] && chrt -f -p "$level" "$XVFB_PID" >/dev/null 2>&1
    elif nice -n -10 true 2>/dev/null; then
      priority=(nice -n -10)
      [ -n "${XVFB_PID:-}" ] && renice -n -10 -p "$XVFB_PID" >/dev/null 2>&1
    fi
    echo "The program runs with '${priority[*]:-normal priority}'" \
      "(the machine's load: $(cut -d' ' -f1-3 /proc/loadavg))"
  fi
  case "$BUILD" in
    linux)
      case "$SOUND" in
        capture) AUDIO=disk CAPTURE="${CAPTURE:-$WORK/capture.raw}" ;;
        none) AUDIO=no-such-audio-driver ;;
      esac
      local audio=(SDL_AUDIODRIVER="${AUDIO:-dummy}")
      [ "${AUDIO:-dummy}" = disk ] && audio+=(SDL_DISKAUDIOFILE="$CAPTURE")
      STARTED_AT=$(now)
      (cd "$RUN_DIR" && exec "${priority[@]}" env XDG_CONFIG_HOME="$WORK/config" "${audio[@]}" \
        "$PROGRAM") >"$WORK/program.log" 2>&1 199>&- &
      ;;
    *)
      route_wine_sound
      STARTED_AT=$(now)
      # The end noted as it comes: the game's length is measured to it.
      (cd "$RUN_DIR" && { "${LOADER[@]}" "$RUN_DIR/mirabo.exe"; status=$?
        now >"$WORK/exited-at"; exit "$status"; }) >"$WORK/program.log" 2>&1 199>&- &
      ;;
  esac
  PROGRAM_PID=$!
  STARTED_PIDS+=("$PROGRAM_PID")
  echo "Started the $BUILD program (pid $PROGRAM_PID) on display $DISPLAY"
  if ! GAME_WINDOW="$(find_window mirabo "$PROGRAM_PID" 90)"; then
    window_diagnosis
    fail "no window titled like the program appeared within 90 s$(program_log)"
  fi
  echo "Game window $GAME_WINDOW: '$(xdotool getwindowname "$GAME_WINDOW")'"
  [ "$BUILD" != linux ] && [ "${priority[0]:-}" = chrt ] && raise_wine_priority "$level"
  focus_game
}

# What the display and the machine look like when a window does not show.
window_diagnosis() {
  local id
  echo "--- windows on $DISPLAY:"
  for id in $(xdotool search --name . 2>/dev/null); do
    echo "$id '$(xdotool getwindowname "$id" 2>/dev/null)': $(xwininfo -id "$id" 2>/dev/null |
      grep -E 'Map State|geometry' | tr -s ' \n' ' ')"
  done
  echo "--- openbox: $(kill -0 "${OPENBOX_PID:-0}" 2>/dev/null && echo running || echo gone)"
  cat "$WORK/openbox.log" 2>/dev/null
  echo "--- the machine's load: $(cut -d' ' -f1-3 /proc/loadavg); the busiest processes:"
  ps -eo pid,cls,rtprio,pcpu,stat,comm --sort=-pcpu 2>/dev/null | head -n 12
}

# The program's Wine process (every thread), its wineserver and the
# sound_loggers that read its sound at the real-time priority.
raise_wine_priority() {
  local level="$1" process server=""
  process="$(pgrep -P "$PROGRAM_PID" | head -n 1)"
  [ -n "$process" ] || fail "the Windows program's process is gone$(program_log)"
  for candidate in $(pgrep -x wineserver64) $(pgrep -x wineserver32); do
    # A server of an earlier test may be ending: its environ is gone.
    if { tr '\0' '\n' <"/proc/$candidate/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX"; then
      server="$candidate"
    fi
  done
  [ -n "$server" ] || fail "no wineserver of $WINEPREFIX is running"
  chrt -a -f -p "$level" "$process" >/dev/null && chrt -a -f -p "$level" "$server" >/dev/null ||
    fail "could not raise the priority of the Wine processes $process and $server"
  local logger
  for logger in "${SOUND_LOGGER_PIDS[@]}"; do
    chrt -f -p "$level" "$logger" >/dev/null || fail "could not raise the priority of sound_logger $logger"
  done
  echo "Raised the program's Wine process $process, its wineserver $server" \
    "and ${#SOUND_LOGGER_PIDS[@]} sound_logger(s) to 'chrt -f $level'"
}

# --- Windows, keys and photographs ----------------------------------------------

# Prints the id of the first visible window whose title matches the
# pattern, waiting up to timeout seconds while the process lives.
find_window() {
  local pattern="$1" pid="$2" timeout="$3" id
  for _ in $(seq $((timeout * 5))); do
    id="$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n 1 || true)"
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.2
  done
  return 1
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

# Keeps a copy of a photograph (or capture) in the screenshot directory.
keep() {
  cp "$1" "$SHOT_DIR/$TEST_NAME-$2" 2>/dev/null || true
}

# With MIRABO_KEEP_CAPTURE=1, and whenever the test fails, keeps what the
# test captured of the sound (the Linux program's disk capture, or a Windows
# build's openings of the sound device) and the game's timeline beside the
# screenshots.
keep_sound() {
  [ -n "${MIRABO_KEEP_CAPTURE:-}" ] || return 0
  [ -n "${CAPTURE:-}" ] && [ -f "$CAPTURE" ] && keep "$CAPTURE" capture.raw
  if [ -n "${OPENINGS:-}" ] && [ -d "$OPENINGS" ]; then
    rm -rf "$SHOT_DIR/$TEST_NAME-openings"
    cp -r "$OPENINGS" "$SHOT_DIR/$TEST_NAME-openings" 2>/dev/null
    [ -n "${EXITED_AT:-}" ] && echo "$EXITED_AT" >"$SHOT_DIR/$TEST_NAME-openings/exited-at"
  fi
  [ -n "${TIMELINE:-}" ] && [ -f "$TIMELINE" ] && keep "$TIMELINE" timeline.txt
  return 0
}

# Photographs the game window into $WORK/NAME.png (SHOT) and keeps a copy.
shoot() {
  SHOT="$WORK/$1.png"
  import -window "$GAME_WINDOW" "$SHOT" 2>/dev/null || return 1
  keep "$SHOT" "$1.png"
}

# Photographs the window until the row extents start with the given ones
# (for example "39 1 0": the prompt, one typed character below it, nothing
# under that), for at most timeout seconds; the text extent of a row is the
# cell of its last letter of the colour FOREGROUND.  The photograph stays
# in SHOT, and SHOWN_AT is when it was taken.
wait_for_rows() {
  local name="$1" expected="$2" timeout="$3" status=0
  SHOT="$WORK/$name.png"
  harness screen wait-rows "$GAME_WINDOW" "$expected" "$FOREGROUND" "$SHOT" \
    --pid "$PROGRAM_PID" --timeout "$timeout" >"$WORK/wait.txt" || status=$?
  SHOWN_AT=$(now)
  case "$status" in
    0) echo "Screen '$name': $(cat "$WORK/wait.txt")"; keep "$SHOT" "$name.png" ;;
    3) fail "the program ended while waiting for the screen '$name' (rows $expected)$(program_log)" ;;
    *) fail "the screen '$name' (rows starting $expected) did not appear within $timeout s: $(cat "$WORK/wait.txt")" ;;
  esac
}

# The start screen: "Tecle enter" (one row of 11 cells) in the configured
# colours.  Wine takes its first keys only once its window is up and
# focused, so keys are typed ahead from here on.
wait_for_start_screen() {
  wait_for_rows start "11 0 0" 90
  focus_game
}

# For screens that stay only a second or two: photographs the window as
# fast as it can for the given seconds (SERIES_COUNT photographs).
SERIES_FROM=1
shoot_series() {
  SERIES_NAME="$1" SERIES_FROM=1
  SERIES_COUNT="$(harness screen series "$GAME_WINDOW" "$2" "$WORK" "$SERIES_NAME")" || SERIES_COUNT=0
}

# Looks through the last series for a photograph whose rows start with the
# expected extents, from the one after the last match on (screens follow
# each other).  The match stays in SHOT.
find_in_series() {
  local label="$1" expected="$2" found
  SHOT="$WORK/$label.png"
  found="$(harness screen find "$WORK" "$SERIES_NAME" "$SERIES_COUNT" "$SERIES_FROM" \
    "$expected" "$FOREGROUND" "$SHOT")" ||
    fail "none of the $SERIES_COUNT photographs shows the screen '$label' (rows starting $expected)"
  SERIES_FROM=$((${found%% *} + 1))
  keep "$SHOT" "$label.png"
  echo "Screen '$label': row extents ${found#* } (photograph ${found%% *} of $SERIES_COUNT)"
}

# Pixels of exactly COLOUR in a row of cells of an image.
row_pixels() {
  harness screen count "$1" "$3" --row "$2"
}

# Compares a row read back by tesseract (Portuguese) with the text it
# should hold, ignoring blanks and case, and the letter O for the digit 0
# (which the reader confuses); a missing reader is said so, a wrong reading
# fails.
check_reading() {
  local image="$1" row="$2" text="$3" read_back squeezed expected
  if ! command -v tesseract >/dev/null 2>&1 || ! tesseract --list-langs 2>/dev/null | grep -qx por; then
    in_ci && fail "tesseract with its Portuguese data is not installed (CI must provide it)"
    echo "(tesseract with its Portuguese data is not installed: row $row is not read back)"
    return 0
  fi
  harness screen crop "$image" "$row" "${#text}" "$WORK/ocr.png" "$FOREGROUND" ||
    fail "could not crop row $row of $image"
  read_back="$(tesseract "$WORK/ocr.png" stdout -l por --psm 7 2>/dev/null | tr -d '\f' | head -n 1)"
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
  [ -s "$WORK/exited-at" ] && EXITED_AT="$(cat "$WORK/exited-at")"
  echo "Exit code after $why: $EXIT_STATUS"
  [ "$EXIT_STATUS" -eq "$code" ] || fail "exit code $EXIT_STATUS after $why, expected $code$(program_log)"
}

# --- Sound ----------------------------------------------------------------------

# Waits until the Linux program's disk capture holds MS of sound after its
# first sound.
wait_for_sound() {
  local status=0
  harness capture wait sound "$CAPTURE" "$1" --pid "$PROGRAM_PID" --timeout "${2:-30}" || status=$?
  case "$status" in
    0) ;;
    3) fail "the program ended$(program_log)" ;;
    *) fail "the capture does not reach $1 ms after its first sound" ;;
  esac
}

# The game's own sequences for a game typed ahead as Enter and then each
# line, played on the recording double: sets TIMELINE and PLANNED_MS (the
# sum of the waits to the exit with the given code, default 0).
plan_game() {
  local code=0
  if [ "$1" = --code ]; then code="$2"; shift 2; fi
  local tool="${MIRABO_GAME_TIMELINE:-}"
  [ -x "$tool" ] || missing "the game_timeline program is not built (MIRABO_GAME_TIMELINE='$tool')"
  TIMELINE="$WORK/timeline.txt"
  "$tool" "$@" >"$TIMELINE" || fail "game_timeline failed"
  PLANNED_MS="$(harness timeline length "$TIMELINE" --code "$code")" ||
    fail "on the recording double this game does not end with exit code $code: $(tail -n 3 "$TIMELINE")"
  echo "On the recording double the game ends after $PLANNED_MS ms of waits, beeps and pauses"
}

# A voice of test tones (one frequency per segment) in the program's
# current directory, where it is looked for first.
write_test_voice() {
  local tool="${MIRABO_GAME_TIMELINE:-}"
  [ -x "$tool" ] || missing "the game_timeline program is not built (MIRABO_GAME_TIMELINE='$tool')"
  rm -f "$RUN_DIR/fones.DAT"
  harness timeline voice "$tool" "$RUN_DIR/fones.DAT" >/dev/null || fail "could not write the test voice"
}

# A voice file without speech: one silent sample, so that tones are heard
# alone.
write_silent_voice() {
  rm -f "$RUN_DIR/fones.DAT"
  printf 'RIFF\046\000\000\000WAVEfmt \020\000\000\000\001\000\001\000\042\126\000\000\104\254\000\000\002\000\020\000data\002\000\000\000\000\000' \
    >"$RUN_DIR/fones.DAT"
}
