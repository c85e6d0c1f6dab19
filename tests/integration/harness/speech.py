"""Speech measured to the millisecond with a voice of test tones: a
fones.DAT whose every range holds a sine of its own frequency, starting at
phase 0 on the range's first sample, silence elsewhere.  In the Linux
program's disk capture each segment's onset is then where its sine starts,
and the beep's where its first square edge is (the range before it may
still sound under it)."""

import array
import math
import struct
import sys

import capture
import timeline as timelines
import tones
from capture import frames, milliseconds as ms

VOICE_RATE = 22050
AMPLITUDE = 6000


def tone_frequency(segment):
    return 200 + 20 * segment


def write_voice(tool, out_path):
    """The test voice, 16-bit mono at 22050 Hz, for the segments game_timeline
    lists."""
    table = timelines.segments(tool)
    length = max(end for _, end in table.values()) + VOICE_RATE // 10
    data = array.array("h", bytes(2 * length))
    for segment, (start, end) in table.items():
        step = 2 * math.pi * tone_frequency(segment) / VOICE_RATE
        for offset in range(end - start):
            data[start + offset] = int(round(AMPLITUDE * math.sin(step * offset)))
    if sys.byteorder != "little":
        data.byteswap()
    payload = data.tobytes()
    header = b"RIFF" + struct.pack("<I", 36 + len(payload)) + b"WAVE"
    header += b"fmt " + struct.pack("<IHHIIHH", 16, 1, 1, VOICE_RATE, 2 * VOICE_RATE, 2, 16)
    header += b"data" + struct.pack("<I", len(payload))
    with open(out_path, "wb") as out:
        out.write(header + payload)
    print(f"wrote {out_path}: {length} frames at {VOICE_RATE} Hz, {len(table)} tone-filled ranges")
    return 0


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
        expected = amplitude * math.sin(2 * math.pi * frequency * (index - onset) / capture.DISK_RATE)
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
    half = capture.DISK_RATE / (2.0 * frequency)
    half_before = capture.DISK_RATE / (2.0 * before) if before else None
    start = max(1, frames(ms(predicted) - window_ms))
    end = min(len(samples), frames(ms(predicted) + window_ms) + int(8 * half))
    found = crossings(samples, start, end)
    for number in range(len(found)):
        # Six crossings in a row half a period apart belong to the new sine.
        following = found[number:number + 7]
        if len(following) < 7:
            break
        gaps = [b - a for a, b in zip(following, following[1:])]
        mean = sum(gaps) / len(gaps)
        if all(abs(gap - half) < 0.05 * half for gap in gaps) and \
                (half_before is None or abs(mean - half) < abs(mean - half_before)):
            amplitude = max(abs(samples[i]) for i in range(int(following[0]), int(following[-1])))
            # Step back half-periods while the capture still fits the sine.
            onset = following[0]
            span = max(4, int(half))
            while sine_misfit(samples, onset - half, frequency, amplitude, span) < 0.25:
                onset -= half
            return onset
    return None


def beep_onset(samples, start, end, jump=4000):
    """The first frame with a step no sine of the test voice makes: the
    beep's first square edge."""
    start, end = int(start), int(end)
    for index in range(max(2, start), min(len(samples), end)):
        if abs(samples[index] - samples[index - 1]) > jump:
            # Back to where the step began.
            while index > start and abs(samples[index - 1] - samples[index - 2]) > 300 and \
                    abs(samples[index - 1]) > abs(samples[index - 2]):
                index -= 1
            return index
    return None


def purity(samples, start, end, frequency):
    """The share of the half-waves between two frames that belong to the
    given frequency (within 5%)."""
    half = capture.DISK_RATE / (2.0 * frequency)
    found = crossings(samples, int(start), int(end))
    gaps = [b - a for a, b in zip(found, found[1:])]
    if not gaps:
        return 0.0
    return sum(1 for gap in gaps if abs(gap - half) < 0.05 * half) / len(gaps)


def spoken_items(timeline):
    """The timeline as what is heard: (label, frequency or None for the beep,
    ms to the next item), with ("pause", None, MS) for the silences between
    a beep and what follows it."""
    items = []
    events = timeline.events
    for number, event in enumerate(events):
        if isinstance(event, timelines.Play):
            items.append((f"segment {event.segment}", tone_frequency(event.segment), event.wait))
            lasts = event.wait
        else:
            items.append(("beep", None, event.length or 0))
            lasts = event.length or 0
        following = events[number + 1].at if number + 1 < len(events) else None
        if following is not None and following > event.at + lasts:
            items.append(("pause", None, following - event.at - lasts))
    return items


def check_speech(capture_path, timeline_path):
    """Every item of the timeline at its onset.  Within a stretch (the items
    between pauses) the program's calls are placed in the sound on the wall
    clock, so each onset is checked against the sum of the waits before it
    since the stretch began: within 5 ms plus 0.5% of that sum, for the
    fraction of a millisecond that every play and every wake-up from a
    sleep costs on top of its wait.  The first stretch gets 20 ms more: its
    first waits also serve the new window's first messages (showing,
    focusing and painting it, and the keys typed into it), once.  An onset
    never comes sooner than its wait after the one before it.  A pause is
    measured from the end of the beep before it to the next onset: across
    silence the sound is placed by the audio driver's own clock, and the
    program first draws the next message's screen, so it may be 10 ms short
    or 25 ms long.  The pause after the first stretch is only reported: the
    driver's clock is still settling on its first buffers then.  Each
    segment must be heard alone until the next item starts."""
    samples = capture.load_disk(capture_path)
    items = spoken_items(timelines.read(timeline_path))
    first = capture.first_sound(samples)
    if first is None:
        print("FAIL: the capture holds no sound at all")
        return 1
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
        hz = frequency or tones.BEEP_HZ
        if pause is not None:
            if previous is not None and onset is not None:
                silence = ms(onset - previous[0]) - previous[1]
                print(f"{'pause':>12} {'':>6} {pause:>11} {silence:>12.2f} {silence - pause:>9.2f}")
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
        if frequency is not None and following is not None and items[number + 1][0] != "pause":
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
    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


def report_drift(capture_path, timeline_path):
    """Every onset of a capture made with the test voice, against the game's
    own timeline.  The sounds between two silences make a stretch, placed in
    the capture on the wall clock; each stretch's measured span (first onset
    to last) is compared with the sum of its waits.  A measurement, not a
    check: the exit status says only whether every onset was found."""
    samples = capture.load_disk(capture_path)
    game = timelines.read(timeline_path)
    items = []           # (label, frequency or None for a beep, planned at, planned end)
    for event in game.events:
        if isinstance(event, timelines.Play):
            items.append((f"segment {event.segment}", tone_frequency(event.segment), event.at,
                          event.at + event.wait))
        elif event.frequency == tones.BEEP_HZ and event.length is not None:
            end = event.at + event.length
            if items and items[-1][1] is None and items[-1][3] == event.at:
                # A second beep straight after the first: one sound.
                items[-1] = (items[-1][0], None, items[-1][2], end)
            else:
                items.append(("beep", None, event.at, end))
    stretches = []
    for item in items:
        if not stretches or item[2] > stretches[-1][-1][3] + 50:
            stretches.append([item])
        else:
            stretches[-1].append(item)
    first = capture.first_sound(samples)
    if first is None:
        print("no sound in the capture")
        return 1
    # Across a silence the sound is placed by the driver's clock, not the
    # wall clock: each stretch is found as the next stretch of sound.
    starts = [begin for begin, _ in tones.stretches(samples, capture.DISK_RATE, 20)]
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
