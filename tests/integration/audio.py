#!/usr/bin/env python3
"""Reads what SDL's disk audio driver wrote while the game ran (raw signed
16-bit little-endian mono at 44100 frames per second) and measures it.

  audio.py tone-voice TABLE OUT          a fones.DAT whose ranges hold test tones
  audio.py started CAPTURE MS            exit 0 once MS of sound follow the first sound
  audio.py signal CAPTURE [ABOVE]        the braille mode signal: 800 Hz then 1600 Hz
  audio.py speech CAPTURE ITEM:WAIT...   onsets of tone-filled segments and beeps
  audio.py game CAPTURE TIMELINE [SIZES] a whole game against game_timeline's events
  audio.py drift CAPTURE TIMELINE        every onset of a tone-filled run (benchmark)
  audio.py mute CAPTURE TIMELINE [untimed] a game without speech: its beeps only, at the
                                         timeline's times (untimed: count and silence only)
  audio.py tail CAPTURE FREQUENCY MS     the capture ends in that tone, sounding at most MS

Standard library only.  Exit status 0 when the checks hold, 1 when one
fails (the reason is printed), 2 on bad use.
"""

import array
import math
import re
import struct
import sys

RATE = 44100          # the device rate of the capture
VOICE_RATE = 22050    # the rate of the test voice written by tone-voice
TONE_AMPLITUDE = 6000


def tone_frequency(segment):
    """The test tone that fills a segment's range: one frequency per segment."""
    return 200 + 20 * segment


def load(path):
    samples = array.array("h")
    with open(path, "rb") as capture:
        samples.frombytes(capture.read())
    if sys.byteorder != "little":
        samples.byteswap()
    return samples


def ms(frames):
    return frames * 1000.0 / RATE


def frames(milliseconds):
    return int(round(milliseconds * RATE / 1000.0))


def first_sound(samples, start=0, threshold=0):
    """The first frame from start whose magnitude exceeds threshold."""
    for index in range(start, len(samples)):
        if abs(samples[index]) > threshold:
            return index
    return None


def rms(samples, start, end):
    start, end = max(0, start), min(len(samples), end)
    if end <= start:
        return 0.0
    total = 0
    for index in range(start, end):
        total += samples[index] * samples[index]
    return math.sqrt(total / (end - start))


def read_segment_table(path):
    """{segment: (start, end)} from the game's segment table header."""
    table = {}
    pattern = re.compile(r'\{"(\d+)",\s*"(\d+)"\},\s*//\s*(\d+):')
    with open(path, encoding="utf-8") as header:
        for line in header:
            match = pattern.search(line)
            if match:
                table[int(match.group(3))] = (int(match.group(1)), int(match.group(2)))
    if len(table) != 87:
        raise SystemExit(f"found {len(table)} segments in {path}, expected 87")
    return table


# --- tone-voice -------------------------------------------------------------

def write_tone_voice(table_path, out_path):
    """A 16-bit mono WAV at 22050 Hz, silent except for the segments' ranges,
    each filled with a sine of its own frequency that starts at phase 0 on
    the range's first sample."""
    table = read_segment_table(table_path)
    length = max(end for _, end in table.values()) + VOICE_RATE // 10
    data = array.array("h", bytes(2 * length))
    for segment, (start, end) in table.items():
        step = 2 * math.pi * tone_frequency(segment) / VOICE_RATE
        for offset in range(end - start):
            data[start + offset] = int(round(TONE_AMPLITUDE * math.sin(step * offset)))
    if sys.byteorder != "little":
        data.byteswap()
    payload = data.tobytes()
    header = b"RIFF" + struct.pack("<I", 36 + len(payload)) + b"WAVE"
    header += b"fmt " + struct.pack("<IHHIIHH", 16, 1, 1, VOICE_RATE, 2 * VOICE_RATE, 2, 16)
    header += b"data" + struct.pack("<I", len(payload))
    with open(out_path, "wb") as out:
        out.write(header + payload)
    print(f"wrote {out_path}: {length} frames at {VOICE_RATE} Hz, 87 tone-filled ranges")
    return 0


# --- square waves (the tones of PlayTone) -------------------------------------

def half_waves(samples, start, end, level=2000):
    """Sign runs of a square wave, with hysteresis: (first frame, length, sign)."""
    runs = []
    sign = 0
    run_start = start
    for index in range(start, end):
        value = samples[index]
        new = 1 if value > level else (-1 if value < -level else sign)
        if new != sign:
            if sign != 0:
                runs.append((run_start, index - run_start, sign))
            sign, run_start = new, index
    if sign != 0:
        runs.append((run_start, end - run_start, sign))
    return runs


def square_frequency(waves):
    """Frequency from the rising edges (low to high) of a run of half-waves."""
    rises = [start for start, _, sign in waves if sign > 0]
    if len(rises) < 3:
        return 0.0
    return (len(rises) - 1) * RATE / (rises[-1] - rises[0])


def sound_runs(samples, gap_ms=20):
    """Stretches of sound separated by at least gap_ms of exact silence."""
    runs = []
    gap = frames(gap_ms)
    index, count = 0, len(samples)
    while True:
        begin = first_sound(samples, index)
        if begin is None:
            return runs
        end = begin
        silent = 0
        index = begin
        while index < count:
            if samples[index] != 0:
                end = index + 1
                silent = 0
            else:
                silent += 1
                if silent >= gap:
                    break
            index += 1
        runs.append((begin, end))


def check_signal(capture, above=5.0):
    """The braille signal: the first stretch of sound longer than 300 ms
    (a beep is shorter) is 800 Hz for 200 ms, then 1600 Hz for 200 ms; each
    may last `above` ms longer."""
    samples = load(capture)
    runs = [run for run in sound_runs(samples) if run[1] - run[0] > frames(300)]
    if not runs:
        print("FAIL: the capture holds no stretch of sound longer than 300 ms")
        return 1
    begin, end = runs[0]
    print(f"first sound: {ms(begin):.1f} to {ms(end):.1f} ms of the capture "
          f"({ms(end - begin):.1f} ms); {len(runs)} stretch(es) of sound in all")
    waves = half_waves(samples, begin, end)
    # 800 Hz half-waves are about 0.62 ms long, 1600 Hz ones about 0.31 ms.
    boundary_length = frames(0.47)
    switch = None
    for number, (start, length, _) in enumerate(waves[:-1]):
        if length < boundary_length and waves[number + 1][1] < boundary_length:
            switch = number
            break
    if switch is None or switch < 4:
        print("FAIL: no 800 Hz stretch followed by a faster tone")
        return 1
    first_fast = waves[switch]
    # The 1600 Hz image starts with a low half-wave.  When the 800 Hz tone was
    # cut in a low half, the two merge: the switch lies one short half-wave
    # before the first short one.
    switch_frame = first_fast[0]
    if first_fast[2] > 0:
        switch_frame -= first_fast[1]
    slow, fast = waves[:switch - 1], waves[switch:-1]
    slow_hz, fast_hz = square_frequency(slow), square_frequency(fast)
    slow_ms, fast_ms = ms(switch_frame - begin), ms(end - switch_frame)
    print(f"tone 1: {slow_ms:.1f} ms at {slow_hz:.1f} Hz; "
          f"tone 2: {fast_ms:.1f} ms at {fast_hz:.1f} Hz")
    failures = []
    if not 195 <= slow_ms <= 200 + above:
        failures.append(f"the first tone lasts {slow_ms:.1f} ms, not 200 ms (-5, +{above:g})")
    if abs(slow_hz - 800) > 16:
        failures.append(f"the first tone is {slow_hz:.1f} Hz, not 800 Hz +- 2%")
    if abs(fast_hz - 1600) > 32:
        failures.append(f"the second tone is {fast_hz:.1f} Hz, not 1600 Hz +- 2%")
    if not 195 <= fast_ms <= 200 + above:
        failures.append(f"the second tone lasts {fast_ms:.1f} ms, not 200 ms (-5, +{above:g})")
    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


# --- tone-filled speech ---------------------------------------------------------

def crossings(samples, start, end):
    """Zero crossings (either way) as fractional frame positions."""
    found = []
    previous = samples[start]
    for index in range(start + 1, end):
        value = samples[index]
        if (previous < 0 <= value) or (previous > 0 >= value and value != previous):
            if value != previous:
                found.append(index - 1 + previous / (previous - value))
            else:
                found.append(float(index))
        previous = value
    return found


def sine_misfit(samples, onset, frequency, amplitude, span):
    """How far the capture from onset differs from a sine starting there at
    phase 0, relative to its amplitude (0 is a perfect fit)."""
    first = int(math.ceil(onset))
    total = 0.0
    count = 0
    for index in range(first, min(len(samples), first + span)):
        expected = amplitude * math.sin(2 * math.pi * frequency * (index - onset) / RATE)
        total += (samples[index] - expected) ** 2
        count += 1
    return math.sqrt(total / count) / amplitude if count else 1.0


def find_onset(samples, frequency, predicted, window_ms=20.0, before=None):
    """The frame (fractional) where a sine of the given frequency starts at
    phase 0 near the predicted frame, or None.  `before` is the frequency
    sounding until then, which may lie within a few percent of it.

    The new sine's zeros lie at onset + k half-periods; its crossings give
    that grid, and the onset is the earliest point of the grid from which
    the capture follows the sine."""
    half = RATE / (2.0 * frequency)
    half_before = RATE / (2.0 * before) if before else None
    start = max(1, frames(ms(predicted) - window_ms))
    end = min(len(samples), frames(ms(predicted) + window_ms) + int(8 * half))
    found = crossings(samples, start, end)
    amplitude = None
    for number, crossing in enumerate(found):
        # Six crossings in a row half a period apart belong to the new sine.
        following = found[number:number + 7]
        if len(following) < 7:
            break
        gaps = [b - a for a, b in zip(following, following[1:])]
        mean = sum(gaps) / len(gaps)
        if all(abs(gap - half) < 0.05 * half for gap in gaps) and \
                (half_before is None or abs(mean - half) < abs(mean - half_before)):
            if amplitude is None:
                amplitude = max(abs(samples[i]) for i in range(int(crossing),
                                                               int(following[-1])))
            # Step back half-periods while the capture still fits the sine.
            onset = crossing
            span = max(4, int(half))
            while sine_misfit(samples, onset - half, frequency, amplitude, span) < 0.25:
                onset -= half
            return onset
    return None


def beep_onset(samples, start, end, jump=4000):
    """The first frame with a step no sine of the test voice makes: the
    square-wave beep (5000 Hz at 11025 samples per second)."""
    start, end = int(start), int(end)
    for index in range(max(1, start), min(len(samples), end)):
        if abs(samples[index] - samples[index - 1]) > jump:
            # Back to where the step began.
            while index > start and abs(samples[index - 1] - samples[index - 2]) > 300 and \
                    abs(samples[index - 1]) > abs(samples[index - 2]):
                index -= 1
            return index
    return None


def measure_onsets(samples, items, first_predicted=None):
    """items: [(label, frequency or None for the beep, wait_ms)].  Answers the
    measured onsets in frames (None where not found); each prediction starts
    from the onset measured before it, so drift does not build up in the
    search windows."""
    onsets = []
    predicted = first_predicted
    if predicted is None:
        predicted = first_sound(samples)
        if predicted is None:
            return [None] * len(items)
    for label, frequency, wait in items:
        if frequency is None:
            found = beep_onset(samples, predicted - frames(20), predicted + frames(20))
        else:
            found = find_onset(samples, frequency, predicted)
        onsets.append(found)
        if found is not None:
            predicted = found + frames(wait)
        else:
            predicted += frames(wait)
    return onsets


def purity(samples, start, end, frequency):
    """The share of the half-waves between two frames that belong to the
    given frequency (within 5%)."""
    half = RATE / (2.0 * frequency)
    found = crossings(samples, int(start), int(end))
    gaps = [b - a for a, b in zip(found, found[1:])]
    if not gaps:
        return 0.0
    return sum(1 for gap in gaps if abs(gap - half) < 0.05 * half) / len(gaps)


def check_speech(capture, items_text):
    """items_text: SEG:WAIT for a tone-filled segment, beep:WAIT for the 5000 Hz
    beep, pause:MS for silence; WAIT is the time from the item's start to
    the next item's.  Items between pauses make a stretch of sound.

    Within a stretch the program's calls are placed in the sound on the wall
    clock, so each onset is checked against the sum of the waits before it
    since the stretch began: within 5 ms plus 0.5% of that sum, for the
    fraction of a millisecond that every play and every wake-up from a sleep
    costs on top of its wait (the pacing benchmark measures it).  The first
    stretch gets 20 ms more: its first waits also serve the new window's
    first messages (showing, focusing and painting it, and the keys typed
    into it), once.  An onset never comes sooner than
    its wait after the one before it.  A pause is measured from the end of
    the beep before it to the next onset: across silence the sound is placed
    by the audio driver's own clock, and the program first draws the next
    message's screen, so it may be 10 ms short or 25 ms long.  The pause
    after the first stretch is only reported: the driver's clock is still
    settling on its first buffers then."""
    samples = load(capture)
    items = []
    for item in items_text:
        name, value = item.split(":")
        if name == "beep":
            items.append(("beep", None, int(value)))
        elif name == "pause":
            items.append(("pause", None, int(value)))
        else:
            items.append((f"segment {name}", tone_frequency(int(name)), int(value)))
    first = first_sound(samples)
    if first is None:
        print("FAIL: the capture holds no sound at all")
        return 1
    # Search every onset from the one before it; a pause moves the search on
    # by its length.
    sounding = [item for item in items if item[0] != "pause"]
    onsets = []
    predicted = first
    for number, (label, frequency, wait) in enumerate(items):
        if label == "pause":
            predicted += frames(wait)
            continue
        if frequency is None:
            found = beep_onset(samples, predicted - frames(20), predicted + frames(20))
        else:
            after_pause = number > 0 and items[number - 1][0] == "pause"
            found = find_onset(samples, frequency, predicted, 30.0 if after_pause else 20.0,
                               None if number == 0 or after_pause else items[number - 1][1])
        onsets.append(found)
        predicted = (found if found is not None else predicted) + frames(wait)

    failures = []
    print(f"first sound at {ms(first):.1f} ms of the capture")
    print(f"{'item':>12} {'Hz':>6} {'planned ms':>11} {'measured ms':>12} {'error ms':>9} "
          f"{'gap ms':>7} {'tone purity':>11}")
    stretch = 0
    origin = None        # measured frame where the stretch began
    planned = 0          # ms since the stretch began
    previous = None      # (measured frame, wait) of the item before
    pause = None
    index = 0
    for number, (label, frequency, wait) in enumerate(items):
        if label == "pause":
            pause = wait
            continue
        onset = onsets[index]
        index += 1
        hz = frequency or 5000
        if pause is not None:
            if previous is not None and onset is not None:
                silence = ms(onset - previous[0]) - previous[1]
                print(f"{'pause':>12} {'':>6} {pause:>11} {silence:>12.2f} "
                      f"{silence - pause:>9.2f}")
                if stretch > 0 and not -10 <= silence - pause <= 25:
                    failures.append(f"the pause lasts {silence:.2f} ms, planned {pause} ms "
                                    "(allowed: -10 to +25 ms)")
            stretch += 1
            origin, planned, previous, pause = None, 0, None, None
        if onset is None:
            print(f"{label:>12} {hz:>6} {planned:>11} {'not heard':>12}")
            failures.append(f"{label} ({hz} Hz) of stretch {stretch + 1} was not heard near "
                            f"{planned} ms")
            planned += wait
            previous = None
            continue
        if origin is None:
            origin = onset - frames(planned)
        measured = ms(onset - origin)
        error = measured - planned
        gap = ms(onset - previous[0]) if previous else float("nan")
        clean = ""
        following = onsets[index] if index < len(onsets) else None
        if frequency is not None and following is not None and \
                items[number + 1][0] != "pause":
            share = purity(samples, onset + frames(1), following - frames(1), frequency)
            clean = f"{100 * share:.0f}%"
            if share < 0.95:
                failures.append(f"{label} is not heard alone until the next item starts "
                                f"({100 * share:.0f}% of its half-waves are {frequency} Hz)")
        print(f"{label:>12} {hz:>6} {planned:>11} {measured:>12.2f} {error:>9.2f} "
              f"{gap:>7.2f} {clean:>11}")
        allowed = (25 if stretch == 0 else 5) + 0.005 * planned
        if abs(error) > allowed:
            failures.append(f"{label} of stretch {stretch + 1} starts at {measured:.2f} ms, "
                            f"planned {planned} ms (allowed: {allowed:.1f} ms)")
        if previous and gap < previous[1] - 1:
            failures.append(f"{label} starts {gap:.2f} ms after the item before, whose wait "
                            f"is {previous[1]} ms")
        previous = (onset, wait)
        planned += wait
    del sounding
    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


# --- whole games ---------------------------------------------------------------

def read_timeline(path):
    events = []
    with open(path, encoding="utf-8") as timeline:
        for line in timeline:
            fields = line.split()
            if not fields:
                continue
            kind, values = fields[0], [int(value) for value in fields[1:]]
            events.append((kind, values))
    return events


def is_beep_frame(samples, start, length):
    """A short stretch that looks like the 5000 Hz beep: loud and crossing
    zero about ten times a millisecond."""
    level = rms(samples, start, start + length)
    if not 4500 < level < 9000:
        return False
    count = 0
    for index in range(start + 1, start + length):
        if (samples[index - 1] < 0) != (samples[index] < 0):
            count += 1
    return count >= 7 * length * 1000 // RATE


def find_beeps(samples, start=0):
    """(onset, length) in frames of beep-like stretches of at least 60 ms;
    beeps less than 5 ms apart count as one stretch."""
    step = frames(1)
    stretches = []
    index = start
    run_start = run_end = None
    while index + step <= len(samples):
        if is_beep_frame(samples, index, step):
            if run_start is None or index - run_end > frames(5):
                if run_start is not None and run_end - run_start >= frames(60):
                    stretches.append((run_start, run_end - run_start))
                run_start = index
            run_end = index + step
        index += step
    if run_start is not None and run_end - run_start >= frames(60):
        stretches.append((run_start, run_end - run_start))
    return stretches


def planned_beeps(events):
    """(start, length) in ms of the 5000 Hz beeps the timeline sounds; a beep
    that starts as the one before it stops makes one stretch with it."""
    stretches = []
    start = None
    for kind, values in events:
        if kind == "tone" and values[0] == 5000:
            if stretches and stretches[-1][0] + stretches[-1][1] == values[1] and start is None:
                start = stretches.pop()[0]
            elif start is None:
                start = values[1]
        elif kind == "stop" and start is not None:
            stretches.append((start, values[0] - start))
            start = None
    return stretches


def device_rate(sizes_path):
    """How fast the disk driver wrote, relative to the wall clock, from
    lines "seconds bytes" noted while the program ran; None without them."""
    points = []
    with open(sizes_path, encoding="utf-8") as sizes:
        for line in sizes:
            fields = line.split()
            if len(fields) == 2 and int(fields[1]) > 0:
                points.append((float(fields[0]), int(fields[1])))
    # The first and last notes may catch the file being opened or closed.
    points = points[1:-1]
    if len(points) < 2 or points[-1][0] - points[0][0] < 10:
        return None
    written = (points[-1][1] - points[0][1]) / (2.0 * RATE)
    return written / (points[-1][0] - points[0][0])


def check_game(capture, timeline_path, sizes_path=None):
    samples = load(capture)
    events = read_timeline(timeline_path)
    plays = [(values[0], values[1], values[2]) for kind, values in events if kind == "play"]
    exits = [values for kind, values in events if kind == "exit"]
    if not plays or not exits:
        print("FAIL: the timeline has no segment or no end")
        return 1
    exit_at = exits[0][1]
    first_play = plays[0][1]
    first = first_sound(samples, 0, 100)
    if first is None:
        print("FAIL: the capture holds no sound at all")
        return 1
    failures = []

    # The whole game: from the first sound to the end of the capture.  The
    # program ends after the closing pause (silence), and closing the device
    # ends the file, so the end of the file is the moment of the exit, to
    # within the one 100 ms buffer the driver had not yet written.
    expected_total = exit_at - first_play
    measured_total = ms(len(samples) - first)
    error = measured_total - expected_total
    print(f"first sound at {ms(first):.1f} ms of the capture; capture ends at "
          f"{ms(len(samples)):.1f} ms")
    print(f"game from the first sound to the exit: measured {measured_total:.1f} ms of sound, "
          f"expected {expected_total} ms (sum of the waits, beeps and pauses): "
          f"{error:+.1f} ms ({100 * error / expected_total:+.3f}%)")
    if abs(error) > 0.02 * expected_total:
        failures.append(f"the game lasted {measured_total:.1f} ms of sound, expected "
                        f"{expected_total} ms +- 2%")
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
            failures.append(f"the game lasted {real_total:.1f} ms of real time, expected "
                            f"{expected_total} ms +- 2%")

    # The beeps: a stretch of sound played and stopped on the wall clock, so
    # each lasts what its waits say (75 ms, 150 ms for two in a row), plus
    # the little time the program needs between its calls (a wake-up from
    # the sleep, building the second tone of a pair), never less.
    heard = find_beeps(samples, first)
    planned = planned_beeps(events)
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
        if not -3 <= worst <= 50:
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
    for segment, at, wait in plays:
        planned_at, heard_at = max((a for a in anchors if a[0] <= at), default=anchors[0])
        begin = heard_at + frames(at - planned_at)
        level = rms(samples, begin, begin + frames(wait))
        if level < 100:
            silent_segments.append((segment, at, level))
        elif level < 400:
            quiet += 1
    print(f"segments played: {len(plays)}; silent in the capture: {len(silent_segments)}; "
          f"quiet (RMS under 400): {quiet}")
    for segment, at, level in silent_segments[:10]:
        print(f"  segment {segment} at {at} ms: RMS {level:.0f}")
    if silent_segments:
        failures.append(f"{len(silent_segments)} of {len(plays)} segments are silent in the "
                        "capture")
    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


def report_drift(capture, timeline_path):
    """Every onset of a capture made with the tone-filled voice, against the
    game's own timeline.  The sounds between two silences make a stretch,
    placed in the capture on the wall clock; each stretch's measured span
    (first onset to last) is compared with the sum of its waits."""
    samples = load(capture)
    items = []           # (label, frequency or None for a beep, planned at, planned end)
    tone_start = None
    for kind, values in read_timeline(timeline_path):
        if kind == "play":
            items.append((f"segment {values[0]}", tone_frequency(values[0]), values[1],
                          values[1] + values[2]))
        elif kind == "tone" and values[0] == 5000:
            tone_start = values[1]
        elif kind == "stop" and tone_start is not None:
            if items and items[-1][1] is None and items[-1][3] == tone_start:
                # A second beep straight after the first: one sound.
                items[-1] = (items[-1][0], None, items[-1][2], values[0])
            else:
                items.append(("beep", None, tone_start, values[0]))
            tone_start = None
    stretches = []
    for item in items:
        if not stretches or item[2] > stretches[-1][-1][3] + 50:
            stretches.append([item])
        else:
            stretches[-1].append(item)
    first = first_sound(samples)
    if first is None:
        print("no sound in the capture")
        return 1
    # Across a silence the sound is placed by the driver's clock, not the
    # wall clock: each stretch is found as the next stretch of sound.
    starts = [begin for begin, _ in sound_runs(samples)]
    print(f"stretches of sound: {len(starts)} heard, {len(stretches)} in the timeline")
    anchor = (first, items[0][2])      # (measured frame, planned ms) of the last onset found
    total_planned = total_measured = 0.0
    worst = 0.0
    found_count = 0
    print(f"{'stretch':>7} {'items':>5} {'planned ms':>10} {'measured ms':>11} {'drift ms':>9} "
          f"{'drift':>8} {'worst onset ms':>14}")
    for number, stretch in enumerate(stretches, 1):
        onsets = []
        for position, (label, frequency, at, _) in enumerate(stretch):
            predicted = anchor[0] + frames(at - anchor[1])
            window = 20.0
            if position == 0:
                # The stretch of sound that starts nearest, within 100 ms.
                nearest = min(starts, key=lambda start: abs(start - predicted))
                if abs(nearest - predicted) < frames(100):
                    predicted, window = nearest, 5.0
                else:
                    window = 40.0
            if frequency is None:
                onset = beep_onset(samples, predicted - frames(window), predicted + frames(window))
            else:
                before = stretch[position - 1][1] if position > 0 else None
                onset = find_onset(samples, frequency, predicted, window, before)
            onsets.append(onset)
            if onset is not None:
                anchor = (onset, at)
                found_count += 1
        heard = [(item[2], onset) for item, onset in zip(stretch, onsets) if onset is not None]
        if len(heard) < 2:
            print(f"{number:>7} {len(stretch):>5} (too few onsets found: {len(heard)})")
            continue
        planned = heard[-1][0] - heard[0][0]
        measured = ms(heard[-1][1] - heard[0][1])
        drift = measured - planned
        errors = [ms(onset - heard[0][1]) - (at - heard[0][0]) for at, onset in heard]
        total_planned += planned
        total_measured += measured
        worst = max(worst, abs(100 * drift / planned))
        print(f"{number:>7} {len(stretch):>5} {planned:>10} {measured:>11.2f} {drift:>+9.2f} "
              f"{100 * drift / planned:>+7.3f}% {max(errors, key=abs):>+14.2f}")
    print(f"onsets found: {found_count} of {len(items)}")
    if total_planned:
        drift = total_measured - total_planned
        print(f"all stretches: {total_planned:.0f} ms of waits, {total_measured:.2f} ms measured, "
              f"drift {drift:+.2f} ms ({100 * drift / total_planned:+.3f}%)")
    print(f"largest drift of a stretch: {worst:.3f}% of its length (target: under 1%)")
    return 0 if found_count == len(items) else 1


def check_mute(capture, timeline_path, timed=True):
    """A game played without speech (no voice file, or one that cannot be
    read): the capture holds the game's beeps and nothing else, and each
    beep starts when the game's own timeline says, within the 2% the whole
    voiced game is allowed, plus 25 ms.  The first beep ends the start
    message; the game then waits for the player's Enter, which the timeline
    does not count, so the second beep comes no sooner than planned after
    it, and the beeps from the second on are placed from the second."""
    samples = load(capture)
    events = read_timeline(timeline_path)
    exits = [values for kind, values in events if kind == "exit"]
    planned = planned_beeps(events)
    if not exits or not planned:
        print("FAIL: the timeline has no end or no beep")
        return 1
    first = first_sound(samples, 0, 100)
    if first is None:
        print("FAIL: the capture holds no sound at all, not even the beeps")
        return 1
    failures = []
    heard = find_beeps(samples, 0)
    if not timed:
        # A slow build may take some milliseconds between the two beeps of a
        # pair (building the second tone): they are still one stretch.
        merged = []
        for onset, length in heard:
            if merged and onset - (merged[-1][0] + merged[-1][1]) < frames(50):
                merged[-1] = (merged[-1][0], onset + length - merged[-1][0])
            else:
                merged.append((onset, length))
        heard = merged
    print(f"beep stretches heard: {len(heard)}, sounded by the game: {len(planned)}")
    if len(heard) != len(planned):
        failures.append(f"{len(heard)} beep stretches heard, the game sounds {len(planned)}")

    # Anything audible that is not a beep is speech that should not be there:
    # the stretches of sound, less the beeps (and a few milliseconds at their
    # edges, where the beep detector's 1 ms frames end), must be empty.
    margin = frames(3)
    stray = []
    for begin, end in sound_runs(samples):
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
            error = ms(onset - origin_heard) - offset
            allowed = 25 + 0.02 * abs(offset)
            if number == 0:
                error = 0.0
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
        expected_rest = exits[0][1] - origin_planned
        measured_rest = ms(len(samples) - origin_heard)
        print(f"second beep to the exit: measured {measured_rest:.1f} ms, expected "
              f"{expected_rest} ms ({measured_rest - expected_rest:+.1f} ms)")
        if abs(measured_rest - expected_rest) > 0.02 * expected_rest + 100:
            failures.append(f"from the second beep to the exit {measured_rest:.1f} ms passed, "
                            f"expected {expected_rest} ms +- 2% + 100 ms")
    elif not timed:
        print("(untimed: the beeps' onsets and lengths are not measured)")
    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


def check_tail(capture, frequency, longest_ms):
    """A tone cut by the end of the program: the capture's last stretch of
    sound is that square wave, and it lasts no longer than allowed."""
    samples = load(capture)
    runs = sound_runs(samples)
    if not runs:
        print("FAIL: the capture holds no sound")
        return 1
    begin, end = runs[-1]
    waves = half_waves(samples, begin, end)
    heard_hz = square_frequency(waves)
    silent_after = ms(len(samples) - end)
    print(f"last stretch of sound: {ms(begin):.1f} to {ms(end):.1f} ms ({ms(end - begin):.1f} ms) "
          f"at {heard_hz:.1f} Hz; the capture ends {silent_after:.1f} ms later, at "
          f"{ms(len(samples)):.1f} ms")
    failures = []
    if abs(heard_hz - frequency) > 0.02 * frequency:
        failures.append(f"the last sound is {heard_hz:.1f} Hz, not {frequency:g} Hz")
    if ms(end - begin) > longest_ms:
        failures.append(f"the tone sounds {ms(end - begin):.1f} ms, more than {longest_ms:g} ms")
    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


def main(arguments):
    if len(arguments) < 2:
        print(__doc__)
        return 2
    command = arguments[1]
    if command == "tone-voice" and len(arguments) == 4:
        return write_tone_voice(arguments[2], arguments[3])
    if command == "started" and len(arguments) == 4:
        samples = load(arguments[2])
        first = first_sound(samples)
        return 0 if first is not None and ms(len(samples) - first) >= float(arguments[3]) else 1
    if command == "signal" and len(arguments) in (3, 4):
        return check_signal(arguments[2], *(float(value) for value in arguments[3:]))
    if command == "speech" and len(arguments) >= 4:
        return check_speech(arguments[2], arguments[3:])
    if command == "game" and len(arguments) in (4, 5):
        return check_game(*arguments[2:])
    if command == "drift" and len(arguments) == 4:
        return report_drift(arguments[2], arguments[3])
    if command == "mute" and len(arguments) in (4, 5):
        if len(arguments) == 5 and arguments[4] != "untimed":
            print(__doc__)
            return 2
        return check_mute(arguments[2], arguments[3], len(arguments) == 4)
    if command == "tail" and len(arguments) == 5:
        return check_tail(arguments[2], float(arguments[3]), float(arguments[4]))
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
