"""Checks of the Linux program's sound, captured with SDL's disk audio
driver (one file of the device's mix at 44100 frames a second)."""

import math

import capture
import timeline as timelines
import tones
from capture import DISK_RATE, frames, milliseconds as ms

# A tone lasts as long as the program sleeps between starting and stopping
# it, and the capture's frames follow the wall clock: a sleep may overrun
# on a busy machine, but a tone cut short is a fault.
SHORTER_MS = 5.0
LONGER_MS = 15.0
FREQUENCY_TOLERANCE = 0.02


def rms(samples, start, end):
    start, end = max(0, int(start)), min(len(samples), int(end))
    if end <= start:
        return 0.0
    return math.sqrt(sum(samples[index] * samples[index] for index in range(start, end)) /
                     (end - start))


def report(failures):
    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


# --- the tones of a stretch: HZ:MS[,HZ:MS...] ---------------------------------

def parse_stretch(text):
    """HZ:MS,... ; MS may be MIN-MAX (MIN- for no upper bound); a final ",+"
    lets the stretch go on with other sound after its tones, and its last
    tone is then only checked for lasting at least MS - 5 ms."""
    open_ended = text.endswith(",+")
    if open_ended:
        text = text[:-2]
    wanted = []
    for part in text.split(","):
        frequency, duration = part.split(":")
        if "-" in duration:
            low, high = duration.split("-")
            bounds = (float(low), float(high) if high else float("inf"))
        else:
            bounds = (float(duration) - SHORTER_MS, float(duration) + LONGER_MS)
        wanted.append((float(frequency), bounds))
    return wanted, open_ended


def expect_stretches(found, wanted_stretches):
    """found: tones.describe() of a capture; each wanted stretch must be
    the tones of the found stretch in its place."""
    tones.print_stretches(found, DISK_RATE)
    failures = []
    if len(found) != len(wanted_stretches):
        failures.append(f"{len(found)} stretch(es) of sound, expected {len(wanted_stretches)}")
    for number, ((_, _, heard_tones), text) in enumerate(zip(found, wanted_stretches), 1):
        wanted, open_ended = parse_stretch(text)
        heard = heard_tones[:len(wanted)] if open_ended else heard_tones
        if len(heard) != len(wanted):
            failures.append(f"stretch {number} holds {len(heard_tones)} tone(s), expected "
                            f"{len(wanted)}{' first' if open_ended else ''}")
            continue
        for index, (tone, (hz, (low, high))) in enumerate(zip(heard, wanted)):
            lasted = ms(tone.end - tone.start)
            name = f"stretch {number}, tone {index + 1}"
            if abs(tone.frequency - hz) > FREQUENCY_TOLERANCE * hz:
                failures.append(f"{name} is {tone.frequency:.1f} Hz, expected {hz:g} Hz +- 2%")
            if open_ended and index == len(wanted) - 1:
                high = float("inf")
            if not low <= lasted <= high:
                failures.append(f"{name} lasts {lasted:.1f} ms, expected {low:g} to {high:g} ms")
    return report(failures)


def check_tones(path, from_byte, wanted, first_only=False):
    found = tones.describe(capture.load_disk(path, from_byte), DISK_RATE)
    return expect_stretches(found[:1] if first_only else found, wanted)


def check_signal(path, above):
    """The braille signal: the first stretch of sound longer than 300 ms (a
    beep is shorter) is 800 Hz for 200 ms, then 1600 Hz for 200 ms; each
    may last `above` ms longer, neither 5 ms less."""
    found = [stretch for stretch in tones.describe(capture.load_disk(path), DISK_RATE)
             if stretch[1] - stretch[0] > frames(300)]
    if not found:
        print("FAIL: the capture holds no stretch of sound longer than 300 ms")
        return 1
    bounds = f"195-{200 + above:g}"
    return expect_stretches(found[:1], [f"800:{bounds},1600:{bounds}"])


def check_tail(path, frequency, longest_ms):
    """A tone cut by the end of the program: the capture's last stretch of
    sound ends in that tone, and it lasts no longer than allowed."""
    samples = capture.load_disk(path)
    found = tones.describe(samples, DISK_RATE)
    if not found or not found[-1][2]:
        print("FAIL: the capture ends in no tone")
        return 1
    begin, end, heard = found[-1]
    last = heard[-1]
    print(f"last stretch of sound: {ms(begin):.1f} to {ms(end):.1f} ms; its last tone "
          f"{last.frequency:.1f} Hz for {ms(last.end - last.start):.1f} ms; the capture ends "
          f"{ms(len(samples) - end):.1f} ms later, at {ms(len(samples)):.1f} ms")
    failures = []
    if abs(last.frequency - frequency) > FREQUENCY_TOLERANCE * frequency:
        failures.append(f"the last sound is {last.frequency:.1f} Hz, not {frequency:g} Hz")
    if last.end < end - frames(1):
        failures.append("the last stretch goes on after its last tone")
    if ms(last.end - last.start) > longest_ms:
        failures.append(f"the tone sounds {ms(last.end - last.start):.1f} ms, more than "
                        f"{longest_ms:g} ms")
    return report(failures)


# --- whole games --------------------------------------------------------------

def device_rate(sizes_path):
    """How fast the disk driver wrote, relative to the wall clock, from
    lines "seconds bytes" noted while the program ran; None without them."""
    points = []
    with open(sizes_path, encoding="ascii") as sizes:
        for line in sizes:
            fields = line.split()
            if len(fields) == 2 and int(fields[1]) > 0:
                points.append((float(fields[0]), int(fields[1])))
    # The first and last notes may catch the file being opened or closed.
    points = points[1:-1]
    if len(points) < 2 or points[-1][0] - points[0][0] < 10:
        return None
    written = (points[-1][1] - points[0][1]) / (2.0 * DISK_RATE)
    return written / (points[-1][0] - points[0][0])


def check_game(capture_path, timeline_path, sizes_path=None, timed=True):
    """A whole game with the real voice: its length from the first room's
    beep (or the first sound) to the end of the capture (the device's close
    at the exit), the beeps' count and lengths, and sound in every segment's
    stretch.  Untimed, only the beeps' count and the segments' sound."""
    samples = capture.load_disk(capture_path)
    game = timelines.read(timeline_path)
    plays = game.plays
    if not plays or game.exit_code is None:
        print("FAIL: the timeline has no segment or no end")
        return 1
    first_play = plays[0].at
    first = capture.first_sound(samples, 0, 100)
    if first is None:
        print("FAIL: the capture holds no sound at all")
        return 1
    failures = []

    # The game waits for the player's Enter before the first room's beep
    # (the second beep) if it has not come yet, and the timeline does not
    # count that wait: typed ahead on a busy machine, the Enter may come
    # after the start message.  The game's length is measured from that
    # beep on, the start message by its own test.
    heard = tones.beeps(samples, DISK_RATE)
    planned = timelines.planned_beeps(game)
    origin_planned, origin_heard, origin = first_play, first, "the first sound"
    if len(heard) == len(planned) and len(planned) > 1:
        origin_planned, origin_heard = planned[1][0], heard[1][0]
        origin = "the first room's beep"
        late = ms(origin_heard - first) - (origin_planned - first_play)
        print(f"the first room's beep: {late:+.1f} ms after its planned time from the first "
              "sound (the game may wait for Enter there)")
        if timed and late < -0.02 * (origin_planned - first_play):
            failures.append(f"the first room's beep comes {-late:.1f} ms sooner than planned")
    # The program ends after the closing pause (silence), and closing the
    # device ends the file, so the end of the file is the moment of the
    # exit, to within the one 100 ms buffer the driver had not yet written.
    expected_total = game.exit_at - origin_planned
    measured_total = ms(len(samples) - origin_heard)
    error = measured_total - expected_total
    print(f"first sound at {ms(first):.1f} ms of the capture; capture ends at "
          f"{ms(len(samples)):.1f} ms")
    print(f"game from {origin} to the exit: measured {measured_total:.1f} ms of sound, "
          f"expected {expected_total} ms (sum of the waits, beeps and pauses): "
          f"{error:+.1f} ms ({100 * error / expected_total:+.3f}%)")
    if timed and abs(error) > 0.02 * expected_total:
        failures.append(f"the game lasted {measured_total:.1f} ms of sound from {origin}, "
                        f"expected {expected_total} ms +- 2%")
    # The file counts the driver's time, which may run behind the wall clock
    # when the machine is busy; the sizes noted on the wall clock tell by how
    # much, and give the game's length in real time.
    rate = device_rate(sizes_path) if sizes_path else None
    if rate is not None:
        real_total = measured_total / rate
        real_error = real_total - expected_total
        print(f"the disk driver wrote {100 * rate:.2f}% of real time; the game in real time: "
              f"{real_total:.1f} ms, {real_error:+.1f} ms "
              f"({100 * real_error / expected_total:+.3f}%)")
        if abs(real_error) > 0.02 * expected_total:
            failures.append(f"the game lasted {real_total:.1f} ms of real time from {origin}, "
                            f"expected {expected_total} ms +- 2%")

    # The beeps: played and stopped on the wall clock, so each lasts what
    # its waits say (75 ms, 150 ms for two in a row), plus the little time
    # the program needs between its calls, never less.
    print(f"beep stretches heard: {len(heard)}, sounded by the game: {len(planned)}")
    if len(heard) != len(planned):
        failures.append(f"{len(heard)} beep stretches heard, the game sounds {len(planned)}")
    else:
        lengths = [ms(length) - planned_length
                   for (_, length), (_, planned_length) in zip(heard, planned)]
        worst = max(lengths, key=abs)
        print(f"beep lengths: {min(ms(length) for _, length in heard):.1f} to "
              f"{max(ms(length) for _, length in heard):.1f} ms; largest difference from "
              f"the planned {worst:+.1f} ms")
        # The stop comes after the pump that ends the beep's wait, and that
        # pump may repaint the window first: on a busy machine that took
        # up to 36 ms.  The whole game's length above is the real measure.
        if timed and not -3 <= worst <= 50:
            failures.append(f"a beep stretch differs from its planned length by {worst:+.1f} ms "
                            "(allowed: -3 to +50 ms)")

    # Speech: each segment's stretch, placed from the nearest beep (or the
    # first sound) before it, must hold sound.
    anchors = [(first_play, first)]
    if len(heard) == len(planned):
        anchors += [(at, onset) for (at, _), (onset, _) in zip(planned, heard)]
    anchors.sort()
    silent_segments = []
    quiet = 0
    for play in plays:
        planned_at, heard_at = max((a for a in anchors if a[0] <= play.at), default=anchors[0])
        begin = heard_at + frames(play.at - planned_at)
        level = rms(samples, begin, begin + frames(play.wait))
        if level < 100:
            silent_segments.append((play.segment, play.at, level))
        elif level < 400:
            quiet += 1
    print(f"segments played: {len(plays)}; silent in the capture: {len(silent_segments)}; "
          f"quiet (RMS under 400): {quiet}")
    for segment, at, level in silent_segments[:10]:
        print(f"  segment {segment} at {at} ms: RMS {level:.0f}")
    if silent_segments:
        failures.append(f"{len(silent_segments)} of {len(plays)} segments are silent in the "
                        "capture")
    return report(failures)


def check_mute(capture_path, timeline_path, timed=True):
    """A game played without speech (no voice file, or one that cannot be
    read): the capture holds the game's beeps and nothing else, and each
    beep starts when the game's own timeline says, within the 2% the whole
    voiced game is allowed, plus 25 ms.  The first beep ends the start
    message; the game then waits for the player's Enter, which the timeline
    does not count, so the second beep comes no sooner than planned after
    it, and the beeps from the second on are placed from the second."""
    samples = capture.load_disk(capture_path)
    game = timelines.read(timeline_path)
    planned = timelines.planned_beeps(game)
    if game.exit_code is None or not planned:
        print("FAIL: the timeline has no end or no beep")
        return 1
    if capture.first_sound(samples, 0, 100) is None:
        print("FAIL: the capture holds no sound at all, not even the beeps")
        return 1
    failures = []
    # Untimed, a slow build may take some milliseconds between the two
    # beeps of a pair (building the second tone): still one stretch.
    heard = tones.beeps(samples, DISK_RATE, join_ms=5.0 if timed else 50.0)
    print(f"beep stretches heard: {len(heard)}, sounded by the game: {len(planned)}")
    if len(heard) != len(planned):
        failures.append(f"{len(heard)} beep stretches heard, the game sounds {len(planned)}")

    # Anything audible that is not a beep is speech that should not be there:
    # the stretches of sound, less the beeps (and a few milliseconds at their
    # edges), must be empty.
    margin = frames(3)
    stray = []
    for begin, end in tones.stretches(samples, DISK_RATE, 20):
        pieces = [(begin, end)]
        for onset, length in heard:
            low, high = onset - margin, onset + length + margin
            pieces = [part for first, last in pieces
                      for part in ((first, min(last, low)), (max(first, high), last))
                      if part[1] - part[0] > 0]
        for first, last in pieces:
            if last - first > frames(5) and rms(samples, first, last) > 100:
                stray.append((first, last))
    print(f"stretches of sound outside the beeps: {len(stray)}")
    for begin, end in stray[:10]:
        print(f"  {ms(begin):.1f} to {ms(end):.1f} ms: RMS {rms(samples, begin, end):.0f}")
    if stray:
        failures.append(f"{len(stray)} stretch(es) of sound besides the beeps")

    if timed and len(heard) == len(planned) and len(heard) >= 2:
        waited = ms(heard[1][0] - heard[0][0]) - (planned[1][0] - planned[0][0])
        print(f"second beep: {waited:+.1f} ms after its planned distance from the first "
              "(the wait for Enter)")
        if waited < -5:
            failures.append(f"the second beep comes {-waited:.1f} ms too soon after the first")
        origin_heard, origin_planned = heard[1][0], planned[1][0]
        worst_onset = worst_length = 0.0
        for number, ((onset, length), (at, planned_length)) in enumerate(zip(heard, planned)):
            offset = at - origin_planned
            error = 0.0 if number == 0 else ms(onset - origin_heard) - offset
            allowed = 25 + 0.02 * abs(offset)
            if abs(error) > abs(worst_onset):
                worst_onset = error
            if abs(error) > allowed:
                failures.append(f"the beep planned {offset} ms after the second starts "
                                f"{ms(onset - origin_heard):.1f} ms after it "
                                f"(allowed: +-{allowed:.1f} ms)")
            difference = ms(length) - planned_length
            if abs(difference) > abs(worst_length):
                worst_length = difference
            if not -3 <= difference <= 50:
                failures.append(f"the beep planned {offset} ms after the second lasts "
                                f"{ms(length):.1f} ms, planned {planned_length} ms "
                                "(allowed: -3 to +50 ms)")
        print(f"beep onsets from the second: largest difference from the timeline "
              f"{worst_onset:+.1f} ms; beep lengths: largest difference {worst_length:+.1f} ms")
        # From the second beep to the end of the capture, the device's close
        # at the exit, as the voiced game is measured.
        expected_rest = game.exit_at - origin_planned
        measured_rest = ms(len(samples) - origin_heard)
        print(f"second beep to the exit: measured {measured_rest:.1f} ms, expected "
              f"{expected_rest} ms ({measured_rest - expected_rest:+.1f} ms)")
        if abs(measured_rest - expected_rest) > 0.02 * expected_rest + 100:
            failures.append(f"from the second beep to the exit {measured_rest:.1f} ms passed, "
                            f"expected {expected_rest} ms +- 2% + 100 ms")
    elif not timed:
        print("(untimed: the beeps' onsets and lengths are not measured)")
    return report(failures)


def count_beeps(path):
    heard = tones.beeps(capture.load_disk(path), DISK_RATE)
    print(len(heard))
    return 0
