"""The integration tests' tool: reads what the tests capture of the real
programs (sound, photographs of the window) and the game's own facts, and
checks the one against the other.

  harness capture ...    sound: the Linux program's disk capture, a Windows
                         build's openings of the sound device under Wine
  harness screen ...     photographs of the game window, and waits for them
  harness timeline ...   the game's facts from game_timeline

Run `harness GROUP -h` for the commands of a group.  Standard library only
(ImageMagick decodes the photographs).  Exit status 0 when a check holds,
1 when it fails (the reason is printed), 2 on bad use; a wait answers 3
when the program it watches ends first.
"""

import argparse
import sys

import capture
import linux_sound
import screen
import speech
import timeline as timelines
import wine_sound


def capture_commands(group):
    commands = group.add_subparsers(dest="command", required=True)

    command = commands.add_parser("wait", help="wait until a disk capture holds MS of sound "
                                  "after its first sound (sound), or has fallen silent for MS (quiet)")
    command.add_argument("condition", choices=["sound", "quiet"])
    command.add_argument("capture")
    command.add_argument("ms", type=float)
    command.add_argument("--pid", type=int)
    command.add_argument("--timeout", type=float, default=30.0)
    command.set_defaults(run=lambda a: capture.wait_for_disk(a.capture, a.condition, a.ms,
                                                             a.pid, a.timeout))

    command = commands.add_parser("tones", help="the capture from FROM_BYTE on is exactly these "
                                  "stretches of tones, each HZ:MS[,HZ:MS...] (MS may be MIN-MAX; "
                                  "',+' lets the stretch go on with other sound)")
    command.add_argument("capture")
    command.add_argument("--from-byte", type=int, default=0)
    command.add_argument("--first", action="store_true", help="only the capture's first stretch")
    command.add_argument("stretch", nargs="+")
    command.set_defaults(run=lambda a: linux_sound.check_tones(a.capture, a.from_byte, a.stretch,
                                                               a.first))

    command = commands.add_parser("signal", help="the braille mode signal: 800 Hz then 1600 Hz, "
                                  "200 ms each (each may last ABOVE ms longer)")
    command.add_argument("capture")
    command.add_argument("--above", type=float, default=5.0)
    command.set_defaults(run=lambda a: linux_sound.check_signal(a.capture, a.above))

    command = commands.add_parser("tail", help="the capture ends in a tone of HZ, sounding at "
                                  "most MS")
    command.add_argument("capture")
    command.add_argument("hz", type=float)
    command.add_argument("ms", type=float)
    command.set_defaults(run=lambda a: linux_sound.check_tail(a.capture, a.hz, a.ms))

    command = commands.add_parser("beeps", help="print how many beep stretches a disk capture holds")
    command.add_argument("capture")
    command.set_defaults(run=lambda a: linux_sound.count_beeps(a.capture))

    command = commands.add_parser("game", help="a whole game in a disk capture against its timeline")
    command.add_argument("capture")
    command.add_argument("timeline")
    command.add_argument("--sizes", help="lines 'seconds bytes' noted while the capture grew")
    command.add_argument("--untimed", action="store_true",
                         help="the beeps' count and the segments' sound only")
    command.set_defaults(run=lambda a: linux_sound.check_game(a.capture, a.timeline, a.sizes,
                                                              not a.untimed))

    command = commands.add_parser("mute", help="a game without speech in a disk capture: its "
                                  "beeps alone, at the timeline's times")
    command.add_argument("capture")
    command.add_argument("timeline")
    command.add_argument("--untimed", action="store_true", help="count and silence only")
    command.set_defaults(run=lambda a: linux_sound.check_mute(a.capture, a.timeline, not a.untimed))

    command = commands.add_parser("speech", help="a disk capture made with the test voice holds "
                                  "the timeline's segments and beeps at their onsets")
    command.add_argument("capture")
    command.add_argument("timeline")
    command.set_defaults(run=lambda a: speech.check_speech(a.capture, a.timeline))

    command = commands.add_parser("drift", help="every onset of a disk capture made with the test "
                                  "voice against the timeline (a measurement)")
    command.add_argument("capture")
    command.add_argument("timeline")
    command.set_defaults(run=lambda a: speech.report_drift(a.capture, a.timeline))

    command = commands.add_parser("wine-game", help="a Windows build's openings of the sound "
                                  "device against a whole game's timeline")
    command.add_argument("openings", help="the directory sound_logger wrote")
    command.add_argument("timeline")
    command.add_argument("--voice", help="the fones.DAT the program played")
    command.add_argument("--mute", action="store_true", help="a game without its voice: the "
                         "tones alone")
    command.add_argument("--exited-at", type=float, required=True,
                         help="when the program ended, in seconds of the real-time clock")
    command.set_defaults(run=lambda a: wine_sound.check_game(a.openings, a.voice, a.timeline,
                                                             a.exited_at, a.mute))

    command = commands.add_parser("wine-formats", help="print the formats a Windows build "
                                  "opens the sound device in, one RATE CHANNELS BITS a line: "
                                  "its tones', and VOICE's where it is a voice file")
    command.add_argument("voice")
    command.set_defaults(run=lambda a: wine_sound.print_formats(a.voice))

    command = commands.add_parser("wine-silent", help="a Windows build without a sound device: "
                                  "no opening, and the game as long as its waits")
    command.add_argument("openings")
    command.add_argument("timeline")
    command.add_argument("--started-at", type=float, required=True)
    command.add_argument("--shown-at", type=float, required=True,
                         help="when the start screen was seen")
    command.add_argument("--exited-at", type=float, required=True)
    command.set_defaults(run=lambda a: wine_sound.check_silent(a.openings, a.timeline,
                                                               a.started_at, a.shown_at,
                                                               a.exited_at))


def screen_commands(group):
    commands = group.add_subparsers(dest="command", required=True)

    def show(value):
        print(value)
        return 0

    command = commands.add_parser("extents", help="the text extent of each row, in cells")
    command.add_argument("image")
    command.add_argument("foreground")
    command.set_defaults(run=lambda a: show(" ".join(map(str, screen.row_extents(
        screen.Picture.load(a.image), screen.colour(a.foreground))))))

    command = commands.add_parser("count", help="pixels of exactly COLOUR in a row of cells, or "
                                  "in a rectangle WIDTHxHEIGHT+X+Y (--other: of any other colour)")
    command.add_argument("image")
    command.add_argument("colour")
    place = command.add_mutually_exclusive_group(required=True)
    place.add_argument("--row", type=int)
    place.add_argument("--rectangle", type=screen.geometry)
    command.add_argument("--other", action="store_true")

    def count(a):
        picture = screen.Picture.load(a.image)
        if a.row is not None:
            _, line_height = picture.cells
            x, y, width, height = 0, a.row * line_height, picture.width, line_height
        else:
            x, y, width, height = a.rectangle
        matching = picture.count(screen.colour(a.colour), x, y, width, height)
        return show(width * height - matching if a.other else matching)
    command.set_defaults(run=count)

    command = commands.add_parser("size", help="print WIDTH HEIGHT")
    command.add_argument("image")
    command.set_defaults(run=lambda a: show("{0.width} {0.height}".format(screen.Picture.load(a.image))))

    command = commands.add_parser("crop", help="a row's first CELLS cells, black on white and "
                                  "enlarged, for tesseract")
    for name in ("image", "row", "cells", "out", "foreground"):
        command.add_argument(name, type=int if name in ("row", "cells") else str)
    command.set_defaults(run=lambda a: screen.crop_for_reading(a.image, a.row, a.cells, a.out,
                                                               a.foreground))

    command = commands.add_parser("wait-rows", help="photograph the window until its row "
                                  "extents start with EXPECTED; save the photograph as OUT")
    for name in ("window", "expected", "foreground", "out"):
        command.add_argument(name)
    command.add_argument("--pid", type=int)
    command.add_argument("--timeout", type=float, default=30.0)
    command.set_defaults(run=lambda a: screen.wait_for_rows(a.window, a.pid, a.expected,
                                                            a.timeout, a.foreground, a.out))

    command = commands.add_parser("wait-change", help="photograph the window until it differs "
                                  "from (changed) or equals (same) BASE; save it as OUT")
    command.add_argument("how", choices=["changed", "same"])
    for name in ("window", "base", "out"):
        command.add_argument(name)
    command.add_argument("--pid", type=int)
    command.add_argument("--timeout", type=float, default=10.0)
    command.set_defaults(run=lambda a: screen.wait_for_change(a.window, a.pid, a.how, a.base,
                                                              a.timeout, a.out))

    command = commands.add_parser("wait-caret", help="photograph the window until the caret "
                                  "shows in the first cell of row 1; save it as OUT")
    for name in ("window", "background", "out"):
        command.add_argument(name)
    command.add_argument("--pid", type=int)
    command.add_argument("--timeout", type=float, default=20.0)
    command.set_defaults(run=lambda a: screen.wait_for_caret(a.window, a.pid, a.background,
                                                             a.timeout, a.out))

    command = commands.add_parser("series", help="photograph the window as fast as possible for "
                                  "SECONDS into DIRECTORY/NAME-N.ppm; print how many")
    command.add_argument("window")
    command.add_argument("seconds", type=float)
    command.add_argument("directory")
    command.add_argument("name")
    command.set_defaults(run=lambda a: screen.photograph_series(a.window, a.seconds,
                                                                a.directory, a.name))

    command = commands.add_parser("find", help="the first photograph of a series from number "
                                  "START on whose rows start with EXPECTED; print its number")
    command.add_argument("directory")
    command.add_argument("name")
    command.add_argument("count", type=int)
    command.add_argument("start", type=int)
    command.add_argument("expected")
    command.add_argument("foreground")
    command.add_argument("out")
    command.set_defaults(run=lambda a: screen.find_in_series(a.directory, a.name, a.count,
                                                             a.start, a.expected,
                                                             a.foreground, a.out))

    command = commands.add_parser("zoom", help="SHOWN is BEFORE enlarged FACTOR times around "
                                  "the mouse at (X, Y)")
    command.add_argument("before")
    command.add_argument("shown")
    command.add_argument("factor", type=int)
    command.add_argument("x", type=int)
    command.add_argument("y", type=int)
    command.add_argument("frames", help="FRAME:CAPTION, or fit")
    command.add_argument("--tolerance", type=float, default=0.0)
    command.set_defaults(run=lambda a: screen.check_zoom(a.before, a.shown, a.factor, a.x, a.y,
                                                         a.frames, a.tolerance))


def timeline_commands(group):
    commands = group.add_subparsers(dest="command", required=True)

    command = commands.add_parser("voice", help="write a fones.DAT whose ranges hold test "
                                  "tones, 200 + 20 n Hz for segment n, from game_timeline --segments")
    command.add_argument("tool", help="the game_timeline program")
    command.add_argument("out")
    command.set_defaults(run=lambda a: speech.write_voice(a.tool, a.out))

    command = commands.add_parser("length", help="print the ms from the program's start to "
                                  "its exit with the given code; fail when it does not end so")
    command.add_argument("timeline")
    command.add_argument("--code", type=int, default=0)

    def length(a):
        game = timelines.read(a.timeline)
        if game.exit_code != a.code:
            print(f"on the recording double the game ends with {game.exit_code}, not {a.code}",
                  file=sys.stderr)
            return 1
        print(game.exit_at)
        return 0
    command.set_defaults(run=length)


def main(arguments):
    parser = argparse.ArgumentParser(prog="harness", description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    groups = parser.add_subparsers(dest="group", required=True)
    capture_commands(groups.add_parser("capture", help="captured sound"))
    screen_commands(groups.add_parser("screen", help="photographs of the game window"))
    timeline_commands(groups.add_parser("timeline", help="the game's own facts"))
    options = parser.parse_args(arguments)
    return options.run(options)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
