#!/usr/bin/env bash
# How much processor time the Linux program takes while it waits for a key:
# it is started on a private X display, left until the start message has
# been spoken (it then waits for Enter, with the caret blinking), and its
# user and system time are read from /proc before and after SECONDS
# seconds.  Reports the share of one core (target: at most 1%) and each
# thread's part.  Not a test: it reports and does not judge.
#
#   bench/idle_cpu.sh [PATH/TO/mirabo] [SECONDS]
#
# The sound goes to SDL's disk audio driver (AUDIO=dummy for the dummy
# driver), so that the end of the start message can be heard.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
HERE="$ROOT/tests/integration"
source "$HERE/lib.sh"

PROGRAM="${1:-$ROOT/build/default/mirabo}"
SECONDS_IDLE="${2:-10}"
TEST_NAME="idle-cpu"
setup_build linux "$PROGRAM"
# Processor time is what is measured: not beside another measurement.
hold_timed_lock
start_desktop
write_config ""
AUDIO="${AUDIO:-disk}"
CAPTURE="$WORK/capture.raw"
start_game

if [ "$AUDIO" = disk ]; then
  # The message: its segments, the beep and the pause, 1.7 s from its first
  # sound; then the program waits.
  harness capture wait sound "$CAPTURE" 2000 --pid "$PROGRAM_PID" --timeout 30
else
  sleep 4
fi
kill -0 "$PROGRAM_PID" 2>/dev/null || fail "the program ended$(program_log)"

ticks=$(getconf CLK_TCK)
# utime and stime are fields 14 and 15; the command name (field 2) is in
# parentheses and may hold blanks, so count from after it.
cpu_ticks() { sed 's/^.*) //' "$1" | awk '{ print $12 + $13 }'; }
thread_ticks() {
  local task
  for task in /proc/"$PROGRAM_PID"/task/*; do
    echo "$(cat "$task/comm") $(cpu_ticks "$task/stat")"
  done
}

before=$(cpu_ticks /proc/"$PROGRAM_PID"/stat)
thread_ticks >"$WORK/threads-before.txt"
start=$(date +%s.%N)
sleep "$SECONDS_IDLE"
after=$(cpu_ticks /proc/"$PROGRAM_PID"/stat)
thread_ticks >"$WORK/threads-after.txt"
end=$(date +%s.%N)
kill -0 "$PROGRAM_PID" 2>/dev/null || fail "the program ended while waiting$(program_log)"

awk -v b="$before" -v a="$after" -v t="$ticks" -v s="$start" -v e="$end" -v audio="$AUDIO" 'BEGIN {
  used = (a - b) / t; wall = e - s
  printf "Waiting for Enter on the start screen (audio driver %s):\n", audio
  printf "  %.2f s of processor time in %.2f s: %.2f%% of one core (target: at most 1%%)\n",
         used, wall, 100 * used / wall
}'
echo "  by thread (ticks of 1/$ticks s):"
paste "$WORK/threads-before.txt" "$WORK/threads-after.txt" |
  awk '{ printf "    %-16s %d\n", $1, $4 - $2 }'

focus_game
xdotool key --clearmodifiers alt+F4
wait_for_exit "$PROGRAM_PID" 20
