"""The one finder of the program's square-wave tones (the beeps and the
braille signals) in captured samples, at any rate.

A stretch is a run of sound between silences (exact zeros).  Within a
stretch a tone is a run of periods (rising edge to rising edge, counted
with hysteresis so that the ringing of resampled edges is not counted)
that agree with each other: the tones are made at 11025 samples a second,
so the periods of one tone differ by at most one such sample.
"""

from typing import List, NamedTuple

from capture import milliseconds

TONE_RATE = 11025
# A tone swings 32 of 128 steps either way: about 8192 in 16 bits.
LEVEL = 2000
BEEP_HZ = 5000


class Tone(NamedTuple):
    start: float      # frames
    end: float
    frequency: float


def stretches(samples, rate, gap_ms):
    """(first, end) of each run of non-zero samples; runs are separated by
    at least gap_ms of exact silence."""
    found = []
    gap = int(gap_ms * rate / 1000)
    index, count = 0, len(samples)
    while index < count:
        while index < count and samples[index] == 0:
            index += 1
        if index >= count:
            break
        begin = end = index
        silent = 0
        while index < count and silent < gap:
            if samples[index] != 0:
                end = index + 1
                silent = 0
            else:
                silent += 1
            index += 1
        found.append((begin, end))
    return found


def rising_edges(samples, begin, end, level=LEVEL):
    """Frames where the wave goes from below -level to above +level (the
    frame where it first rises above 0 on the way)."""
    rises = []
    low = False
    last_non_positive = begin
    for index in range(begin, end):
        value = samples[index]
        if value <= 0:
            last_non_positive = index
        if value < -level:
            low = True
        elif value > level and low:
            rises.append(last_non_positive + 1)
            low = False
    return rises


def tones_in(samples, rate, begin, end):
    """The tones of one stretch, in order.

    A tone starts with its low half-wave, half a period before its first
    rise; one that starts within a period of the stretch starts with it.
    Two tones that touch share the boundary (the period across a change of
    tone belongs to neither); the last one lasts to the end of the stretch
    when that comes within one and a half periods of its last rise."""
    rises = rising_edges(samples, begin, end)
    periods = [b - a for a, b in zip(rises, rises[1:])]
    # One sample of the tone's own rate, in frames of this one.
    slack = rate / TONE_RATE + 0.5
    groups = []   # [first period, last period]
    for number, period in enumerate(periods):
        if groups:
            first, last = groups[-1]
            if last == number - 1:
                reference = sum(periods[first:last + 1]) / (last + 1 - first)
                if abs(period - reference) <= max(slack, 0.1 * reference):
                    groups[-1][1] = number
                    continue
        groups.append([number, number])
    # A tone lasts a few periods at least: shorter groups are the joins
    # between tones, or sound that is no steady tone.
    groups = [group for group in groups if group[1] - group[0] >= 3]
    tones = []
    for first, last in groups:
        span = rises[last + 1] - rises[first]
        frequency = (last + 1 - first) * rate / span
        period = rate / frequency
        start = rises[first] - period / 2
        if start - begin <= period:
            start = begin
        tones.append([start, rises[last + 1], frequency])
    for earlier, later in zip(tones, tones[1:]):
        if later[0] - earlier[1] <= 1.5 * rate / earlier[2]:
            earlier[1] = later[0]
    if tones and end - tones[-1][1] <= 1.5 * rate / tones[-1][2]:
        tones[-1][1] = end
    return [Tone(*tone) for tone in tones]


def describe(samples, rate, gap_ms=30):
    """[(first, end, [Tone])] for every stretch."""
    return [(begin, end, tones_in(samples, rate, begin, end))
            for begin, end in stretches(samples, rate, gap_ms)]


def print_stretches(found, rate):
    if not found:
        print("no sound")
    for number, (begin, end, tones) in enumerate(found, 1):
        parts = ", ".join(f"{tone.frequency:.1f} Hz for {milliseconds(tone.end - tone.start, rate):.1f} ms"
                          for tone in tones) or "no steady tone"
        print(f"stretch {number}: {milliseconds(begin, rate):.1f} to {milliseconds(end, rate):.1f} ms "
              f"({milliseconds(end - begin, rate):.1f} ms): {parts}")


def all_tones(samples, rate, gap_ms=20):
    return [tone for _, _, tones in describe(samples, rate, gap_ms) for tone in tones]


def is_beep(tone):
    return abs(tone.frequency - BEEP_HZ) <= 0.02 * BEEP_HZ


def beeps(samples, rate, shortest_ms=60.0, join_ms=5.0):
    """(onset, length) in frames of the 5000 Hz beeps: the beep tones, with
    two that follow each other within join_ms counted as one stretch (a
    beep started as the one before it stops), of shortest_ms at least."""
    found: List[List[float]] = []
    for tone in all_tones(samples, rate):
        if not is_beep(tone):
            continue
        if found and tone.start - found[-1][1] <= join_ms * rate / 1000:
            found[-1][1] = tone.end
        else:
            found.append([tone.start, tone.end])
    return [(start, end - start) for start, end in found
            if milliseconds(end - start, rate) >= shortest_ms]
