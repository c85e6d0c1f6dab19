#!/usr/bin/env bash
# shellcheck source=lib.sh disable=SC2034
# The installed package's program (scripts/test-deb installs it): started
# from a directory of its own, with nothing beside it, it wins a game typed
# ahead (Enter, then 0 8 2 2) with exit code 0 and speaks with the voice
# installed in /usr/share/games/mirabo: the beeps the game sounds, and
# sound in the stretch of every segment it plays.
#
#   package_test.sh linux win /usr/games/mirabo
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
begin_test package "$@"
[ -z "$(ls -A "$RUN_DIR")" ] || fail "the program's directory is not empty"

plan_game 0 8 2 2
SOUND=capture
# A whole game whose every segment must be heard: at the paced games'
# priority, so that the disk audio driver keeps up with the game on a
# machine busy with other tests.  Behind, it loses the game's last segment
# when the program exits (seen once in CI, the capture 244 ms short).
PACED=1
start_desktop
write_config $'[VIDEO]\nCORFUNDO=1\nCORLETRA=14\n'
FOREGROUND=FFFF00
start_game
wait_for_start_screen
type_text $'\r0\r8\r2\r2\r'
expect_exit 0 240 "a whole game typed ahead"
keep_sound
harness capture game "$CAPTURE" "$TIMELINE" --untimed ||
  fail "the installed program did not speak the game with its voice"
echo "PASS: the installed program wins a game with its voice"
