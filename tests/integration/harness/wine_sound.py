"""Checks of a Windows build's sound under Wine, from the openings of the
sound device that sound_logger wrote (see capture.load_openings).

What Wine's winealsa delivers through ALSA's file plugin (with the null
device behind it, which takes samples as fast as they come, and a named
pipe per format in front of sound_logger):

- each MCI play is one opening in the voice file's own format (16-bit
  mono at its rate), holding the play's whole sample range byte for byte,
  sometimes followed by whole 10 ms periods of silence that winealsa writes
  when its buffer runs dry before the stream stops; Wine then closes the
  device by itself, well before the next play;
- each sndPlaySoundA of a tone image is one opening at the image's format
  (8-bit mono, 11025 Hz) holding the image's samples from the first; since
  the null device takes them faster than real time, its length says
  nothing, but its closing comes with the stop, to within winealsa's 10 ms
  period;
- an opening's time is when the plugin opened its format's pipe, which is
  when the stream's format was set, right after the play or tone call
  began;
- an opening in a format nobody listens for lands in a plain file of the
  pipe's name, which load_openings reports as an opening never closed.
"""

import struct

import capture
import timeline as timelines
import tones
from capture import samples_from

TONE_FORMAT = (11025, 1, 8)
FREQUENCY_TOLERANCE = 0.02
# The game as a whole may last this much longer than its waits: every play
# costs Wine a few milliseconds (the device's opening and closing) on top
# of the wait that follows it.
LENGTH_TOLERANCE = 0.03
# One event may start this much later than its wait after the one before
# (a busy moment, drawing the screen before the next play), never sooner.
LATER_MS = 40.0
SOONER_MS = 3.0
# The very first opening of a process is noted late: the sound system is
# set up on the way to it.  (How the start message is measured: see
# check_times.)
FIRST_SOONER_MS = 20.0
# A tone's device is closed on winealsa's next 10 ms period after the stop.
TONE_SHORTER_MS = 20.0
TONE_LONGER_MS = 30.0


class Voice:
    """fones.DAT: its format and sample bytes."""

    def __init__(self, path):
        with open(path, "rb") as voice:
            data = voice.read()
        if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
            raise SystemExit(f"{path} is no RIFF WAVE file")
        position = 12
        self.format = None
        self.data = None
        while position + 8 <= len(data):
            chunk, size = data[position:position + 4], struct.unpack("<I", data[position + 4:position + 8])[0]
            body = data[position + 8:position + 8 + size]
            if chunk == b"fmt ":
                _, channels, rate, _, _, bits = struct.unpack("<HHIIHH", body[:16])
                self.format = (rate, channels, bits)
            elif chunk == b"data":
                self.data = body
            position += 8 + size + size % 2
        if self.format is None or self.data is None:
            raise SystemExit(f"{path} has no fmt or no data chunk")
        self.frame_bytes = self.format[1] * self.format[2] // 8

    def range(self, first, end):
        return self.data[first * self.frame_bytes:end * self.frame_bytes]


def print_formats(voice_path):
    formats = [TONE_FORMAT]
    try:
        voice = Voice(voice_path)
    except (OSError, SystemExit):
        voice = None  # no voice, or a broken one: the game is mute
    if voice is not None and voice.format not in formats:
        formats.append(voice.format)
    for rate, channels, bits in formats:
        print(rate, channels, bits)
    return 0


def fmt(opening):
    return (opening.rate, opening.channels, opening.bits)


def tone_of(opening):
    """The one tone an opening holds from its first sample, or None."""
    samples = samples_from(opening.data, opening.bits)
    found = tones.tones_in(samples, opening.rate, 0, len(samples))
    if len(found) != 1 or found[0].start != 0:
        return None
    return found[0]


def matching_bytes(a, a_from, b, b_from):
    """How many bytes of a from a_from equal b's from b_from."""
    length = min(len(a) - a_from, len(b) - b_from)
    low, high = 0, length
    while low < high:
        middle = (low + high + 1) // 2
        if a[a_from:a_from + middle] == b[b_from:b_from + middle]:
            low = middle
        else:
            high = middle - 1
    return low


def pieces_of(got, wanted, voice, probe=64):
    """The captured bytes as pieces, to say how they differ from the range:
    ("range", first, end) bytes of the range, ("silence", bytes),
    ("voice", first frame, frames) of the voice elsewhere, ("capture",
    first, end) bytes the capture held before, ("unknown", bytes)."""
    frame = voice.frame_bytes
    found = []
    position = expected = 0

    def add(piece):
        if found and piece[0] == "unknown" and found[-1][0] == "unknown":
            found[-1] = ("unknown", found[-1][1] + piece[1])
        else:
            found.append(piece)

    while position < len(got):
        run = matching_bytes(got, position, wanted, expected)
        run -= run % frame
        if run and (run >= probe or position + run == len(got) or expected + run == len(wanted)):
            add(("range", expected, expected + run))
            position += run
            expected += run
            continue
        zeros = len(got) - position - len(got[position:].lstrip(b"\0"))
        zeros -= zeros % frame
        if zeros >= frame:
            add(("silence", zeros))
            position += zeros
            continue
        sample = got[position:position + probe]
        elsewhere = [index for index in (wanted.find(sample), ) if index >= 0 and index % frame == 0]
        if len(sample) == probe and elsewhere:
            expected = elsewhere[0]
            run = matching_bytes(got, position, wanted, expected)
            add(("range", expected, expected + run - run % frame))
            position += run - run % frame
            expected += run - run % frame
            continue
        index = voice.data.find(sample) if len(sample) == probe else -1
        while index >= 0 and index % frame:
            index = voice.data.find(sample, index + 1)
        if index >= 0:
            run = matching_bytes(got, position, voice.data, index)
            run -= run % frame
            add(("voice", index // frame, run // frame))
            position += run
            continue
        index = got.find(sample, 0, position) if len(sample) == probe else -1
        if index >= 0:
            run = min(matching_bytes(got, position, got, index), position - index)
            run -= run % frame
            add(("capture", index, index + run))
            position += run
            continue
        add(("unknown", min(frame, len(got) - position)))
        position += frame
    return found


def describe(pieces, voice, limit=8):
    frame_ms = 1000.0 / voice.format[0]
    words = []
    for piece in pieces[:limit]:
        if piece[0] == "range":
            words.append(f"bytes {piece[1]}-{piece[2]} of the range")
        elif piece[0] == "silence":
            words.append(f"{piece[1]} bytes of silence "
                         f"({piece[1] // voice.frame_bytes * frame_ms:.1f} ms)")
        elif piece[0] == "voice":
            words.append(f"samples {piece[1]}-{piece[1] + piece[2]} of the voice")
        elif piece[0] == "capture":
            words.append(f"bytes {piece[1]}-{piece[2]} of this capture again")
        else:
            words.append(f"{piece[1]} bytes found nowhere in the voice")
    if len(pieces) > limit:
        words.append(f"... ({len(pieces) - limit} pieces more)")
    return ", ".join(words)


def check_segment(opening, play, voice):
    """None when the opening is the play's range byte for byte, followed
    only by whole 10 ms periods of silence; else what is wrong."""
    if fmt(opening) != voice.format:
        return f"arrived as {opening.kind}, not as the voice's {voice.format}"
    wanted = voice.range(play.first, play.end)
    got = opening.data
    if got[:len(wanted)] != wanted:
        if wanted.startswith(got):
            return (f"holds only the first {len(got)} of the range's {len(wanted)} bytes")
        same = matching_bytes(got, 0, wanted, 0)
        return (f"differs from samples {play.first} to {play.end} of the voice from byte "
                f"{same} of {len(wanted)} on; its {len(got)} bytes hold "
                f"{describe(pieces_of(got, wanted, voice), voice)}")
    rest = got[len(wanted):]
    period = voice.format[0] // 100 * voice.frame_bytes
    if rest.strip(b"\0") or len(rest) % period:
        return (f"holds the range and then {len(rest)} bytes that are not whole 10 ms periods "
                "of silence")
    return None


def check_tone(opening, tone):
    if fmt(opening) != TONE_FORMAT:
        return f"arrived as {opening.kind}, not as 8-bit mono at 11025 Hz"
    heard = tone_of(opening)
    if heard is None:
        return "holds no single steady tone from its first sample"
    if abs(heard.frequency - tone.frequency) > FREQUENCY_TOLERANCE * tone.frequency:
        return f"is {heard.frequency:.1f} Hz, not {tone.frequency} Hz +- 2%"
    return None


def label(event):
    if isinstance(event, timelines.Play):
        return f"segment {event.segment}"
    return f"tone {event.frequency} Hz"


def check_times(openings, events, enter_index):
    """Each opening starts its planned time after the one before (never
    sooner, not much later); the game lasts its waits within 3%.  The game
    may wait for the player's Enter before the event enter_index (the
    timeline does not count that wait): that event is measured only from
    below, and the game's length from it on.  So are the events before it,
    the start message, spoken while the program starts up: the test raises
    its priority only once its window is up."""
    failures = []
    gaps = []
    start_up = []
    anchor = enter_index if enter_index is not None else 0
    # While the program starts up, the thread Wine plays an MCI play on can
    # be held up by tens of milliseconds after the call (seen: one opening
    # noted 100 ms late, the next on time again), so one late opening makes
    # the next look early.  There an event is early only if it comes sooner
    # than planned after every earlier event: its offset from the timeline
    # falls below the smallest offset before it.
    def offset(number):
        return 1000 * (openings[number].opened - openings[0].opened) - (events[number].at - events[0].at)
    lowest, lowest_at = offset(0), 0
    for number in range(1, len(events)):
        planned = events[number].at - events[number - 1].at
        measured = 1000 * (openings[number].opened - openings[number - 1].opened)
        extra = measured - planned
        sooner = FIRST_SOONER_MS if number == 1 or lowest_at == 0 else SOONER_MS
        if number < anchor:
            if offset(number) < lowest - sooner:
                failures.append(f"{label(events[number])} (event {number + 1}) starts "
                                f"{lowest - offset(number):.1f} ms sooner than planned after "
                                f"event {lowest_at + 1} ({label(events[lowest_at])})")
            if offset(number) < lowest:
                lowest, lowest_at = offset(number), number
        elif extra < -(FIRST_SOONER_MS if number == 1 else SOONER_MS):
            failures.append(f"{label(events[number])} (event {number + 1}) starts {measured:.1f} ms "
                            f"after {label(events[number - 1])}, sooner than its {planned} ms")
        if number == enter_index:
            print(f"{label(events[number])} after the start message: {extra:+.1f} ms after its "
                  "planned time (the game may wait for Enter there)")
            continue
        if number < anchor:
            start_up.append(extra)
            continue
        gaps.append(extra)
        allowed = LATER_MS + LENGTH_TOLERANCE * planned
        if extra > allowed:
            failures.append(f"{label(events[number])} (event {number + 1}) starts {measured:.1f} ms "
                            f"after {label(events[number - 1])}, {extra:.1f} ms later than planned "
                            f"(allowed: {allowed:.0f} ms)")
    if start_up:
        print(f"the start message's events after the one before, beyond their planned time: "
              f"{min(start_up):+.1f} to {max(start_up):+.1f} ms")
    if gaps:
        gaps.sort()
        print(f"each event from event {anchor + 1} on after the one before, beyond its planned "
              f"time: {gaps[0]:+.1f} to {gaps[-1]:+.1f} ms, median {gaps[len(gaps) // 2]:+.1f} ms")
    origin_heard, origin_planned = openings[anchor].opened, events[anchor].at
    worst = 0.0
    for opening, event in zip(openings[anchor:], events[anchor:]):
        offset = event.at - origin_planned
        error = 1000 * (opening.opened - origin_heard) - offset
        worst = max(worst, error, key=abs)
        if abs(error) > LENGTH_TOLERANCE * offset + 50:
            failures.append(f"{label(event)} planned {offset} ms after {label(events[anchor])} "
                            f"starts {offset + error:.1f} ms after it (allowed: 3% + 50 ms)")
    print(f"onsets from {label(events[anchor])} (event {anchor + 1}): largest difference from the "
          f"timeline {worst:+.1f} ms")
    return failures, origin_heard, origin_planned


def check_length(exited_at, origin_heard, origin_planned, exit_at, what):
    planned = exit_at - origin_planned
    measured = 1000 * (exited_at - origin_heard)
    error = measured - planned
    print(f"{what} to the exit: measured {measured:.1f} ms, the waits add up to {planned} ms: "
          f"{error:+.1f} ms ({100 * error / planned:+.2f}%)")
    if abs(error) > LENGTH_TOLERANCE * planned:
        return [f"the game lasted {measured:.1f} ms from {what}, its waits add up to {planned} ms "
                f"(allowed: 3%)"]
    return []


def enter_event(events):
    """The event after the start message's pause: the first room's beep,
    where the game waits for Enter if it has not come yet."""
    beeps = [number for number, event in enumerate(events) if isinstance(event, timelines.Tone)]
    return beeps[1] if len(beeps) > 1 else None


def report(failures):
    for failure in failures[:20]:
        print("FAIL: " + failure)
    if len(failures) > 20:
        print(f"FAIL: ... and {len(failures) - 20} more")
    return 1 if failures else 0


def summary(openings):
    kinds = {}
    for opening in openings:
        kinds[opening.kind] = kinds.get(opening.kind, 0) + 1
    return ", ".join(f"{count} of {kind}" for kind, count in sorted(kinds.items())) or "none"


def check_game(directory, voice_path, timeline_path, exited_at, mute=False):
    """A whole game typed ahead: every event of the timeline, in its order,
    as one opening of the device each (mute: the tones only, nothing else).
    Segments byte for byte from the voice, tones at their frequencies and
    lengths, each at its time; the game as long as its waits."""
    game = timelines.read(timeline_path)
    if game.exit_code is None:
        print("FAIL: on the recording double this game does not end")
        return 1
    events = game.tones if mute else game.events
    openings = capture.load_openings(directory)
    print(f"openings of the sound device: {len(openings)} ({summary(openings)}); the game "
          f"{'sounds' if mute else 'plays and sounds'} {len(events)}"
          f" ({len(game.plays)} segments and {len(game.tones)} tones on the recording double)")
    failures = []
    unclosed = [opening.name for opening in openings if opening.closed is None]
    if unclosed:
        failures.append(f"{len(unclosed)} opening(s) never closed: {', '.join(unclosed[:3])}")
    voice = None if mute else Voice(voice_path)
    wrong = []
    for number, (opening, event) in enumerate(zip(openings, events)):
        if isinstance(event, timelines.Play):
            problem = check_segment(opening, event, voice)
        else:
            problem = check_tone(opening, event)
            if problem is None and event.length is not None and opening.closed is not None:
                lasted = 1000 * (opening.closed - opening.opened)
                # The process's first opening is noted late (see
                # FIRST_SOONER_MS) while its closing is not, so it looks short
                # by as much (seen: a 75 ms first beep spanning 49 ms).
                shorter = TONE_SHORTER_MS + (FIRST_SOONER_MS if number == 0 else 0.0)
                if not event.length - shorter <= lasted <= event.length + TONE_LONGER_MS:
                    problem = (f"sounds {lasted:.1f} ms from its opening to its closing, planned "
                               f"{event.length} ms (allowed: -{shorter:g} to "
                               f"+{TONE_LONGER_MS:g} ms)")
        if problem:
            wrong.append(f"opening {number + 1}, {label(event)} at {event.at} ms of the game, {problem}")
    failures += wrong
    print(f"{'tones' if mute else 'segments and tones'} as the game plays them: "
          f"{min(len(openings), len(events)) - len(wrong)} of {len(events)}")
    if len(openings) != len(events):
        failures.append(f"{len(openings)} openings of the sound device, the game "
                        f"{'sounds' if mute else 'plays and sounds'} {len(events)}")
        if mute:
            speech = [opening for opening in openings if fmt(opening) != TONE_FORMAT]
            if speech:
                failures.append(f"{len(speech)} opening(s) that are no tone: speech in a mute game")
        return report(failures)
    tone_lengths = [1000 * (opening.closed - opening.opened) - event.length
                    for opening, event in zip(openings, events)
                    if isinstance(event, timelines.Tone) and event.length and opening.closed]
    if tone_lengths:
        print(f"tones from opening to closing, beyond their planned length: "
              f"{min(tone_lengths):+.1f} to {max(tone_lengths):+.1f} ms")
    enter = enter_event(events)
    time_failures, origin_heard, origin_planned = check_times(openings, events, enter)
    failures += time_failures
    failures += check_length(exited_at, origin_heard, origin_planned, game.exit_at,
                             label(events[enter]) if enter is not None else "the first sound")
    return report(failures)


def check_silent(directory, timeline_path, started_at, shown_at, exited_at):
    """A game without a sound device: no opening at all, and a game no
    quicker than its waits (from the program's start) and no more than 3%
    longer (from the moment its start screen was seen, right before the
    first segment would play)."""
    game = timelines.read(timeline_path)
    openings = capture.load_openings(directory)
    failures = []
    print(f"openings of the sound device: {len(openings)} ({summary(openings)})")
    if openings:
        failures.append(f"{len(openings)} opening(s) of a sound device that should not exist")
    since_start = 1000 * (exited_at - started_at)
    since_shown = 1000 * (exited_at - shown_at)
    print(f"the program ran {since_start:.0f} ms, {since_shown:.0f} ms after its start screen "
          f"was seen; the waits add up to {game.exit_at} ms "
          f"({100 * (since_shown - game.exit_at) / game.exit_at:+.2f}% from the start screen)")
    if since_start < game.exit_at:
        failures.append(f"the game ended {since_start:.0f} ms after the program started, sooner "
                        f"than its {game.exit_at} ms of waits")
    if since_shown > (1 + LENGTH_TOLERANCE) * game.exit_at:
        failures.append(f"the game lasted {since_shown:.0f} ms from its start screen, more than "
                        f"its {game.exit_at} ms of waits + 3%")
    return report(failures)
