# shellcheck shell=bash disable=SC2034
# Shared by the integration tests: a private X display with a window
# manager, finding and photographing a window, counting pixel colours, and
# cleaning up every process the test started on every way out.  Sourced.

SKIP_CODE=77

in_ci() {
  [ "${CI:-}" = "true" ] || [ "${CI:-}" = "1" ]
}

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# A prerequisite is missing: outside CI the test is skipped (loudly: ctest
# lists it as skipped and this says why); CI must have it, so there it fails.
missing() {
  if in_ci; then
    fail "$* (CI must provide it)"
  fi
  skip "$*"
}

skip() {
  echo "==================================================================" >&2
  echo "SKIP: $*" >&2
  echo "==================================================================" >&2
  exit "$SKIP_CODE"
}

require_tools() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null 2>&1 || missing "'$tool' is not installed"
  done
}

WORK="$(mktemp -d "${TMPDIR:-/tmp}/mirabo-it.XXXXXX")"
STARTED_PIDS=()           # killed at exit, last started first
WINESERVERS_TO_STOP=()    # "prefix:server" pairs

cleanup() {
  local status=$? index entry pid
  for ((index = ${#STARTED_PIDS[@]} - 1; index >= 0; index--)); do
    pid="${STARTED_PIDS[index]}"
    kill "$pid" 2>/dev/null || true
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
  rm -rf "$WORK"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Starts Xvfb on the first free display from :100 on and exports DISPLAY.
start_display() {
  local display pid
  for display in $(seq 100 199); do
    if [ -e "/tmp/.X${display}-lock" ] || [ -e "/tmp/.X11-unix/X${display}" ]; then
      continue
    fi
    Xvfb ":$display" -screen 0 1600x1200x24 -nolisten tcp -noreset >"$WORK/xvfb.log" 2>&1 &
    pid=$!
    # Another test may have taken the same number at the same moment: then
    # this server dies and the next number is tried.  (-noreset: without it
    # the server resets when this probe, its last client, disconnects, and
    # the next client to connect during the reset is refused.)
    for _ in $(seq 100); do
      if xdpyinfo -display ":$display" >/dev/null 2>&1; then
        STARTED_PIDS+=("$pid")
        export DISPLAY=":$display"
        return 0
      fi
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  fail "no free X display between :100 and :199"
}

# Starts openbox and waits until it manages the screen.
start_window_manager() {
  openbox --sm-disable >"$WORK/openbox.log" 2>&1 &
  STARTED_PIDS+=("$!")
  for _ in $(seq 100); do
    if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
      return 0
    fi
    sleep 0.1
  done
  fail "openbox did not start: $(cat "$WORK/openbox.log")"
}

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

# Counts the pixels of each colour in a region of an image: prints lines
# "count RRGGBB" (upper-case hex).
colour_counts() {
  local image="$1" geometry="$2"
  convert "$image" -alpha off -depth 8 -crop "$geometry" +repage -format %c histogram:info:- |
    sed -n 's/^ *\([0-9]*\):.*#\([0-9A-Fa-f]\{6\}\).*/\1 \2/p' | tr 'a-f' 'A-F'
}

# The number of pixels of one colour (RRGGBB) in a region.
count_colour() {
  local image="$1" geometry="$2" colour="$3"
  colour_counts "$image" "$geometry" | awk -v c="$colour" '$2 == c { n += $1 } END { print n + 0 }'
}

# The number of pixels in a region that are not of the given colour.
count_other() {
  local image="$1" geometry="$2" colour="$3"
  colour_counts "$image" "$geometry" | awk -v c="$colour" '$2 != c { n += $1 } END { print n + 0 }'
}

image_size() {
  identify -format '%w %h' "$1"
}

# Waits up to timeout seconds for a process that this shell started to end;
# sets EXIT_STATUS to its exit code, or to "running" when it did not end.
# (Not for $(...): a subshell cannot wait for its parent's children.)
wait_for_exit() {
  local pid="$1" timeout="$2" index
  EXIT_STATUS=running
  for _ in $(seq $((timeout * 5))); do
    if ! kill -0 "$pid" 2>/dev/null; then
      EXIT_STATUS=0
      wait "$pid" || EXIT_STATUS=$?
      for index in "${!STARTED_PIDS[@]}"; do
        [ "${STARTED_PIDS[index]}" = "$pid" ] && unset 'STARTED_PIDS[index]'
      done
      STARTED_PIDS=("${STARTED_PIDS[@]}")
      return 0
    fi
    sleep 0.2
  done
}

# Starts Xvfb on a display number that the server picks itself (-displayfd:
# it takes the first number whose lock it can get, and says which once it
# accepts connections), so that tests started at the same moment never
# share a display; exports DISPLAY and sets XVFB_PID.  (A probe with xdpyinfo after starting
# on a chosen number can reach another test's server on that number.)
start_private_display() {
  local pid number=""
  Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp -noreset \
    3>"$WORK/display-number" >"$WORK/xvfb.log" 2>&1 &
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
