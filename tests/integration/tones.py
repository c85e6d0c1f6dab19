#!/usr/bin/env python3
"""Finds the square-wave tones in what SDL's disk audio driver wrote while
the game ran (raw signed 16-bit little-endian mono, 44100 frames a second):
stretches of sound between silences, and within each stretch the tones it
is made of, with their frequencies (from the rising zero crossings) and
durations.

  tones.py runs CAPTURE [FROM_BYTE]          print every stretch and its tones
  tones.py quiet CAPTURE MS                  exit 0 when the capture holds sound
                                             and its last MS ms are silent
  tones.py expect CAPTURE FROM_BYTE STRETCH...
      the sound from FROM_BYTE on is exactly these stretches, each written
      HZ:MS[,HZ:MS...], for example 800:200,1600:200: frequencies within 2%,
      durations from 5 ms less to 15 ms more, or within MIN-MAX when a
      duration is written so (MIN- for no upper bound); a stretch written
      HZ:MS,...,+ may go on with other sound (speech) after its tones, and
      its last tone is then only checked for lasting at least MS - 5 ms
  tones.py starts CAPTURE STRETCH            the capture's first stretch of sound
                                             is STRETCH (written as above)

Standard library only.  Exit status 0 when the checks hold, 1 when one
fails (the reason is printed), 2 on bad use.
"""

import array
import sys

RATE = 44100
# A square wave of PlayTone swings 32 of 128 steps either way: about 8192
# after conversion to 16 bits.  Crossings are counted with this much
# hysteresis, so that the ringing of the resampled edges is not counted.
LEVEL = 2000
GAP_MS = 30                # silence that separates two stretches
FREQUENCY_TOLERANCE = 0.02
# A tone lasts as long as the program sleeps between starting and stopping
# it, and the capture's frames follow the wall clock: a sleep may overrun
# on a busy machine, but a tone cut short is a fault.
SHORTER_MS = 5.0
LONGER_MS = 15.0


def load(path, from_byte=0):
    samples = array.array("h")
    with open(path, "rb") as capture:
        capture.seek(from_byte - from_byte % 2)
        samples.frombytes(capture.read())
    if sys.byteorder != "little":
        samples.byteswap()
    return samples


def ms(frames):
    return frames * 1000.0 / RATE


def stretches(samples, gap_ms=GAP_MS):
    """(first, end) of each stretch of non-zero samples; stretches are
    separated by at least gap_ms of exact silence."""
    found = []
    gap = int(gap_ms * RATE / 1000)
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


def rising_crossings(samples, begin, end):
    """Frames where the wave goes from below -LEVEL to above +LEVEL (the
    frame where it first rises above 0 on the way)."""
    rises = []
    low = False
    last_non_positive = begin
    for index in range(begin, end):
        value = samples[index]
        if value <= 0:
            last_non_positive = index
        if value < -LEVEL:
            low = True
        elif value > LEVEL and low:
            rises.append(last_non_positive + 1)
            low = False
    return rises


def tones_in(samples, begin, end):
    """The tones of one stretch: [(first frame, end frame, frequency)].

    The tones are made at 11025 samples a second, so the periods (rise to
    rise) of one tone differ by one such sample, four frames of the capture;
    a change of tone gives one odd period, which belongs to no tone.
    A tone starts with its low half-wave, so it begins half a period before
    its first rise; the stretch's first tone begins with the stretch."""
    rises = rising_crossings(samples, begin, end)
    periods = [b - a for a, b in zip(rises, rises[1:])]
    groups = []   # [first period index, last period index]
    for number, period in enumerate(periods):
        if groups:
            first, last = groups[-1]
            reference = sum(periods[first:last + 1]) / (last + 1 - first)
            if abs(period - reference) <= max(RATE / 11025 + 0.5, 0.1 * reference):
                groups[-1][1] = number
                continue
        groups.append([number, number])
    # A tone lasts at least a few periods: shorter groups are the joins
    # between tones, or sound that is not a steady tone.
    groups = [group for group in groups if group[1] - group[0] >= 3]
    tones = []
    for first, last in groups:
        span = rises[last + 1] - rises[first]
        frequency = (last + 1 - first) * RATE / span
        start = rises[first] - RATE / frequency / 2
        tones.append([start, rises[last + 1], frequency])
    if tones:
        tones[0][0] = begin
        for earlier, later in zip(tones, tones[1:]):
            earlier[1] = later[0]
        # The last tone lasts to its last rise and one more period at most:
        # to the end of the stretch when the stretch ends within that period.
        last = tones[-1]
        if end - last[1] <= 1.5 * RATE / last[2]:
            last[1] = end
    return [(start, stop, frequency) for start, stop, frequency in tones]


def describe(samples):
    result = []
    for begin, end in stretches(samples):
        result.append((begin, end, tones_in(samples, begin, end)))
    return result


def print_runs(found):
    if not found:
        print("no sound")
    for number, (begin, end, tones) in enumerate(found, 1):
        parts = ", ".join(f"{frequency:.1f} Hz for {ms(stop - start):.1f} ms"
                          for start, stop, frequency in tones) or "no steady tone"
        print(f"stretch {number}: {ms(begin):.1f} to {ms(end):.1f} ms "
              f"({ms(end - begin):.1f} ms): {parts}")


def parse_stretch(text):
    open_ended = text.endswith(",+")
    if open_ended:
        text = text[:-2]
    tones = []
    for part in text.split(","):
        frequency, duration = part.split(":")
        if "-" in duration:
            low, high = duration.split("-")
            bounds = (float(low), float(high) if high else float("inf"))
        else:
            bounds = (float(duration) - SHORTER_MS, float(duration) + LONGER_MS)
        tones.append((float(frequency), bounds))
    return tones, open_ended


def expect(samples, wanted_stretches, leading=False):
    found = describe(samples)
    if leading:
        found = found[:1]
    print_runs(found)
    failures = []
    if len(found) != len(wanted_stretches):
        failures.append(f"{len(found)} stretch(es) of sound, expected {len(wanted_stretches)}")
    for number, ((_, _, tones), wanted_stretch) in enumerate(zip(found, wanted_stretches), 1):
        wanted, open_ended = parse_stretch(wanted_stretch)
        heard = tones[:len(wanted)] if open_ended else tones
        if len(heard) != len(wanted):
            failures.append(f"stretch {number} holds {len(tones)} tone(s), expected "
                            f"{len(wanted)}{' first' if open_ended else ''}")
            continue
        for index, ((start, stop, frequency), (hz, (low, high))) in enumerate(zip(heard, wanted)):
            lasted = ms(stop - start)
            name = f"stretch {number}, tone {index + 1}"
            if abs(frequency - hz) > FREQUENCY_TOLERANCE * hz:
                failures.append(f"{name} is {frequency:.1f} Hz, expected {hz:g} Hz +- 2%")
            if open_ended and index == len(wanted) - 1:
                high = float("inf")
            if not low <= lasted <= high:
                failures.append(f"{name} lasts {lasted:.1f} ms, expected {low:g} to {high:g} ms")
    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


def quiet(samples, milliseconds):
    tail = int(milliseconds * RATE / 1000)
    if len(samples) < tail:
        return 1
    heard = any(samples[:len(samples) - tail])
    return 0 if heard and not any(samples[len(samples) - tail:]) else 1


def main(arguments):
    if len(arguments) in (3, 4) and arguments[1] == "runs":
        samples = load(arguments[2], int(arguments[3]) if len(arguments) == 4 else 0)
        print_runs(describe(samples))
        return 0
    if len(arguments) == 4 and arguments[1] == "quiet":
        return quiet(load(arguments[2]), float(arguments[3]))
    if len(arguments) == 4 and arguments[1] == "starts":
        return expect(load(arguments[2]), arguments[3:], leading=True)
    if len(arguments) >= 5 and arguments[1] == "expect":
        return expect(load(arguments[2], int(arguments[3])), arguments[4:])
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
