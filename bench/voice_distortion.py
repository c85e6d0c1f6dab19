#!/usr/bin/python3
"""How far the game's joined phrases lie from espeak-ng saying them whole.

For each phrase the game says (the ten messages, the word resultado, a
spread of numbers from 0 to 999, the ending with its scores), the phrase is
rendered from fones.DAT with the game's own timing (mirabo-voice --preview:
each segment cut off when the next one starts) and compared with espeak-ng's
pt-br voice reading the same words as one sentence.  The figure is the
mel-cepstral distortion (MCD, dB) of the two, frame by frame along the best
alignment found by dynamic time warping, averaged over the aligned path.

The reference is the same figure between another voice of espeak-ng
(pt-br+m3) reading the same sentence and that target sentence: what "the
same words, said naturally by another voice" costs.  Not a test: it reports and does not judge.

  voice_distortion.py [BUILD_DIR] [--voice FILE] [--only NAME,...]
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile
import wave

import numpy as np
from scipy.fft import dct, rfft

# espeak-ng's pt-br voice, as the voice tool uses it, says the sentence the
# game's phrase is measured against.
TARGET_VOICE = "pt-br"
# The reference: the same sentence said by another male voice of espeak-ng
# (the variant m3: formants 3 to 5% lower, another pitch and stress),
# measured against the same target sentence.  The figure then says how far
# another speaker saying the words naturally lies from the very sentence the
# game's phrase is held against.  A man's against a woman's voice (m3
# against f2) lies about four times as far and says nothing about joins: it
# is printed for comparison only.
REFERENCE_VOICE = "pt-br+m3"
CONTRAST_VOICES = ("pt-br+m3", "pt-br+f2")

RATE = 22050
FRAME = int(0.025 * RATE)   # 25 ms Hann window
HOP = int(0.005 * RATE)     # 5 ms steps
FFT = 1024
BANDS = 40                  # mel bands, 0 Hz to the Nyquist frequency
COEFFICIENTS = 13           # c1 to c13; c0, the loudness, is left out
FLOOR_DB = 60               # band energies floored this far below the loudest
TRIM_DB = 40                # lead-in and tail quieter than this are trimmed

# --- Portuguese number names, with the words the game chooses -------------

UNITS = ["zero", "um", "dois", "três", "quatro", "cinco", "seis", "sete", "oito", "nove",
         "dez", "onze", "doze", "treze", "catorze", "quinze", "dezesseis", "dezessete",
         "dezoito", "dezenove"]
TENS = {2: "vinte", 3: "trinta", 4: "quarenta", 5: "cinquenta", 6: "sessenta",
        7: "setenta", 8: "oitenta", 9: "noventa"}
HUNDREDS = {1: "cento", 2: "duzentos", 3: "trezentos", 4: "quatrocentos", 5: "quinhentos",
            6: "seiscentos", 7: "setecentos", 8: "oitocentos", 9: "novecentos"}


def number_words(value):
    """What the game says for 0 to 999, and menos before a negative one."""
    if value < 0:
        return "menos " + number_words(-value)
    if value < 20:
        return UNITS[value]
    if value == 100:
        return "cem"
    parts = []
    hundreds, rest = divmod(value, 100)
    if hundreds:
        parts.append(HUNDREDS[hundreds])
    if rest >= 20:
        parts.append(TENS[rest // 10])
        if rest % 10:
            parts.append(UNITS[rest % 10])
    elif rest:
        parts.append(UNITS[rest])
    return " e ".join(parts)


# Every different number word, a few of each pattern of joins (tens and
# units, hundreds and tens, hundreds and units), and all of the hundreds.
NUMBERS = (list(range(0, 21)) + [21, 34, 47, 56, 63, 72, 85, 98] +
           [30, 40, 50, 60, 70, 80, 90, 100] + [101, 110, 115, 123] +
           [200, 205, 300, 342, 400, 467, 500, 578, 600, 616, 700, 734, 800, 851, 900, 999])
# Scores the ending speaks: one miss in the first room, two; one miss in a
# later room (above 30, said with menos), two.
ENDING_SCORES = [29, 28, 39, 48]
CLOSING = "11,45,7,51,75,32,2,19,54,6,65"   # doutor de paula agradece


# How often one game says each phrase, for a second mean weighted by what a
# player hears most.  A game is about 40 turns (a tenth of the guesses hit,
# four rooms); each turn says the room's message, the prompt, the typed
# number, resultado and the drawn digit, and a miss the obstacle of the drawn
# digit (0, 4, 8 and 9 não desista; 1 and 5 janela fechada; 2 and 6 desse lado
# não; 3 and 7 parede dura).  Numbers from 10 up are heard only when typed
# by mistake or as the final score, about once a game in all; the ending
# once.
GAME_WEIGHTS = {"PressEnter": 1, "Prompt": 40, "resultado": 40, "BigRoom": 10, "BiggerRoom": 10,
                "DeathCorridor": 10, "Stairs": 10, "DontGiveUp": 14.4, "ClosedWindow": 7.2,
                "NotThisWay": 7.2, "HardWall": 7.2, "ending closing": 1}
for digit in range(10):
    GAME_WEIGHTS[str(digit)] = 8
LARGER_NUMBERS = [value for value in NUMBERS if value >= 10]
for value in LARGER_NUMBERS:
    GAME_WEIGHTS[str(value)] = 1 / len(LARGER_NUMBERS)
for score in ENDING_SCORES:
    GAME_WEIGHTS[f"ending {score}"] = 1 / len(ENDING_SCORES)


def phrases(tool):
    """(name, group, words for espeak-ng, what mirabo-voice --preview renders)."""
    listing = subprocess.run([tool, "--list-messages"], capture_output=True, text=True,
                             check=True).stdout
    found = []
    for line in listing.splitlines():
        name, _, rest = line.partition(":")
        text = " ".join(part.strip() for part in re.findall(r'"([^"]*)"', rest))
        # Written in capitals on the screen; espeak-ng would spell some.
        found.append((name, "message", text.lower(), "speech:" + name))
    found.append(("resultado", "resultado", "resultado", "segments:60,87,31,68,11"))
    for value in NUMBERS:
        found.append((str(value), "number", number_words(value), f"number:{value}"))
    for score in ENDING_SCORES:
        said = number_words(score) if score < 30 else number_words(-score)
        opening = "segments:18" + ("+segments:36,43,61" if score > 30 else "")
        found.append((f"ending {score}", "ending", f"parabéns {said} pontos",
                      f"{opening}+number:{score}+segments:52,74,61"))
    found.append(("ending closing", "ending", "doutor de paula agradece", "segments:" + CLOSING))
    return found


# --- where the distortion lies ----------------------------------------------

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def segment_ranges():
    """(first, end) of each segment in fones.DAT, from the game's own table."""
    with open(os.path.join(ROOT, "synt", "segment_table.h"), encoding="utf-8") as table:
        return [(int(first), int(end)) for first, end in
                re.findall(r'\{"(\d+)", "(\d+)"\},\s*// \d+:', table.read())]


def label_voice(path, length):
    """A fones.DAT whose every range holds its segment's number, 100 per
    unit: played as the game plays it, it says which segment each sample
    of a phrase comes from."""
    labels = np.zeros(length, dtype="<i2")
    for number, (first, end) in enumerate(segment_ranges(), start=1):
        labels[first:end] = number * 100
    with wave.open(path, "wb") as file:
        file.setnchannels(1)
        file.setsampwidth(2)
        file.setframerate(RATE)
        file.writeframes(labels.tobytes())


class Shares:
    """The distortion of each phrase's aligned frames, put down to the
    segment that sounds in the middle of each frame of the game's phrase,
    and to the joins: frames more than a quarter silent, where one segment
    has stopped and the next has not begun."""

    def __init__(self):
        self.by_segment = {}
        self.join = [0.0, 0]
        self.total = 0.0

    def add(self, game, labels, costs, path, first):
        phrase = sum(costs[i, j] for i, j in path)
        for i, j in path:
            # Each phrase weighs alike in the mean, whatever its length.
            share = costs[i, j] / phrase
            start = (first + i) * HOP
            window = game[start:start + FRAME]
            if np.mean(np.abs(window) < 1e-4) > 0.25:
                self.join[0] += share * phrase / len(path)
                self.join[1] += 1
            segment = int(round(labels[min(start + FRAME // 2, len(labels) - 1)] * 32768 / 100))
            entry = self.by_segment.setdefault(segment, [0.0, 0, 0.0])
            entry[0] += share * phrase / len(path)
            entry[1] += 1
            entry[2] += costs[i, j]
        self.total += phrase / len(path)

    def report(self, count):
        print(f"where the distortion lies (share of the mean; dB per aligned frame):")
        print(f"  frames across a join (over a quarter silent): {100 * self.join[0] / self.total:.0f}% "
              f"of the distortion in {self.join[1]} frames")
        ranked = sorted(self.by_segment.items(), key=lambda item: -item[1][0])
        cells = [f"{'silence' if number == 0 else number:>7}: {100 * share / self.total:4.1f}% "
                 f"{summed / frames:5.2f}" for number, (share, frames, summed) in ranked[:count]]
        for at in range(0, len(cells), 4):
            print("  " + "   ".join(cells[at:at + 4]))


# --- sound ----------------------------------------------------------------

def read_wav(path):
    with wave.open(path, "rb") as file:
        if file.getsampwidth() != 2 or file.getnchannels() != 1:
            sys.exit(f"FAIL: {path} is not mono 16-bit")
        if file.getframerate() != RATE:
            sys.exit(f"FAIL: {path} is at {file.getframerate()} Hz, not {RATE}")
        data = np.frombuffer(file.readframes(file.getnframes()), dtype="<i2")
    return data.astype(np.float64) / 32768


def espeak(voice, words, path):
    subprocess.run(["espeak-ng", "-v", voice, "-w", path, words], check=True)
    return read_wav(path)


def mel_filters():
    def mel(hz):
        return 2595 * np.log10(1 + hz / 700)

    def hz(m):
        return 700 * (10 ** (m / 2595) - 1)

    edges = hz(np.linspace(0, mel(RATE / 2), BANDS + 2))
    bins = np.fft.rfftfreq(FFT, 1 / RATE)
    filters = np.zeros((BANDS, len(bins)))
    for band in range(BANDS):
        low, centre, high = edges[band:band + 3]
        rising = (bins - low) / (centre - low)
        falling = (high - bins) / (high - centre)
        filters[band] = np.clip(np.minimum(rising, falling), 0, None)
    return filters


FILTERS = mel_filters()
WINDOW = np.hanning(FRAME)


def mfcc(samples):
    """c1..c13 per 5 ms frame, of the sound without its quiet ends."""
    return mfcc_from(samples)[0]


def mfcc_from(samples):
    """mfcc(samples), and the first frame it keeps.

    The cepstrum is the cosine series of the natural log of the mel band
    amplitudes, c_m = (1/N) DCT-II, the scale the MCD formula expects."""
    if len(samples) < FRAME:
        samples = np.pad(samples, (0, FRAME - len(samples)))
    count = 1 + (len(samples) - FRAME) // HOP
    frames = np.stack([samples[i * HOP:i * HOP + FRAME] * WINDOW for i in range(count)])
    power = np.abs(rfft(frames, n=FFT, axis=1)) ** 2
    bands = power @ FILTERS.T
    loudest = bands.max()
    energy = bands.sum(axis=1)
    audible = np.nonzero(energy > energy.max() * 10 ** (-TRIM_DB / 10))[0]
    bands = bands[audible[0]:audible[-1] + 1]
    bands = np.maximum(bands, loudest * 10 ** (-FLOOR_DB / 10))
    cepstra = dct(0.5 * np.log(bands), type=2, axis=1) / BANDS
    return cepstra[:, 1:COEFFICIENTS + 1], audible[0]


MCD_SCALE = 10 / np.log(10) * np.sqrt(2)


def distortion(a, b):
    """Mean MCD in dB along the dynamic time warping path of a and b."""
    costs, path = alignment(a, b)
    return sum(costs[i, j] for i, j in path) / len(path)


def alignment(a, b):
    """The frame-by-frame MCD of a and b, and the cheapest path through it."""
    costs = MCD_SCALE * np.sqrt(((a[:, None, :] - b[None, :, :]) ** 2).sum(axis=2))
    n, m = costs.shape
    total = np.full((n, m), np.inf)
    previous = np.full(m + 1, np.inf)
    previous[0] = 0.0    # before the first frame of both
    for i in range(n):
        row = costs[i]
        # From the row above: straight down, or diagonally.
        through = row + np.minimum(previous[1:], previous[:-1])
        # Then along the row: D[j] = min(through[j], row[j] + D[j-1]),
        # which is a running minimum once the row's sums are taken out.
        sums = np.cumsum(row)
        current = sums + np.minimum.accumulate(through - sums)
        total[i] = current
        previous = np.concatenate(([np.inf], current))
    # Back along the cheapest path.
    i, j = n - 1, m - 1
    path = [(i, j)]
    while i > 0 or j > 0:
        options = []
        if i > 0 and j > 0:
            options.append((total[i - 1, j - 1], i - 1, j - 1))
        if i > 0:
            options.append((total[i - 1, j], i - 1, j))
        if j > 0:
            options.append((total[i, j - 1], i, j - 1))
        _, i, j = min(options)
        path.append((i, j))
    return costs, path[::-1]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build", nargs="?", default="build/release")
    parser.add_argument("--voice", help="the fones.DAT to measure (default BUILD/fones.DAT)")
    parser.add_argument("--only", help="phrase names, comma-separated")
    parser.add_argument("--keep", help="keep the rendered sounds in this folder")
    parser.add_argument("--by-segment", action="store_true",
                        help="also say which segments and joins the distortion comes from")
    arguments = parser.parse_args()
    tool = os.path.join(arguments.build, "tools", "voice", "mirabo-voice")
    voice = arguments.voice or os.path.join(arguments.build, "fones.DAT")
    for path in (tool, voice):
        if not os.path.exists(path):
            sys.exit(f"FAIL: {path} is not built")
    chosen = phrases(tool)
    if arguments.only:
        names = arguments.only.split(",")
        chosen = [phrase for phrase in chosen if phrase[0] in names]

    results = []
    with tempfile.TemporaryDirectory() as scratch:
        folder = arguments.keep or scratch
        os.makedirs(folder, exist_ok=True)
        shares = Shares() if arguments.by_segment else None
        if shares:
            labels_voice = os.path.join(scratch, "labels.DAT")
            label_voice(labels_voice, max(end for _, end in segment_ranges()))
        print(f"{'phrase':<22} {'voice':>6} {'ref.':>6}  words")
        for name, group, words, preview in chosen:
            stem = os.path.join(folder, name.replace(" ", "_"))
            subprocess.run([tool, "--preview", preview, "--voice", voice,
                            "--output", stem + "-game.wav"], check=True, capture_output=True)
            sound = read_wav(stem + "-game.wav")
            game, first = mfcc_from(sound)
            target = mfcc(espeak(TARGET_VOICE, words, stem + "-espeak.wav"))
            if shares:
                subprocess.run([tool, "--preview", preview, "--voice", labels_voice,
                                "--output", stem + "-labels.wav"], check=True, capture_output=True)
                shares.add(sound, read_wav(stem + "-labels.wav"), *alignment(game, target), first)
            other = mfcc(espeak(REFERENCE_VOICE, words, f"{stem}-{REFERENCE_VOICE}.wav"))
            man, woman = (mfcc(espeak(v, words, f"{stem}-{v}.wav")) for v in CONTRAST_VOICES)
            figure = distortion(game, target)
            reference = distortion(other, target)
            results.append((group, figure, reference, distortion(man, woman)))
            print(f"{name:<22} {figure:6.2f} {reference:6.2f}  {words}", flush=True)

    print()
    for group in ("message", "resultado", "number", "ending"):
        figures = [r for r in results if r[0] == group]
        if figures:
            print(f"mean of the {group} phrases ({len(figures)}): "
                  f"voice {np.mean([r[1] for r in figures]):.2f} dB, "
                  f"reference {np.mean([r[2] for r in figures]):.2f} dB")
    worst = max(results, key=lambda r: r[1])
    print(f"voice against espeak-ng {TARGET_VOICE}: mean {np.mean([r[1] for r in results]):.2f} dB MCD "
          f"over {len(results)} phrases (largest {worst[1]:.2f} dB)")
    weights = [GAME_WEIGHTS.get(name, 0) for name, *_ in chosen]
    if sum(weights) > 0:
        print(f"weighted by how often a game says each phrase: voice "
              f"{np.average([r[1] for r in results], weights=weights):.2f} dB, reference "
              f"{np.average([r[2] for r in results], weights=weights):.2f} dB")
    print(f"reference, espeak-ng {REFERENCE_VOICE} against {TARGET_VOICE}: mean "
          f"{np.mean([r[2] for r in results]):.2f} dB MCD over the same phrases")
    print(f"for comparison, {CONTRAST_VOICES[0]} against {CONTRAST_VOICES[1]} (a man's and a "
          f"woman's voice): mean {np.mean([r[3] for r in results]):.2f} dB MCD")
    if shares:
        shares.report(24)
    # The table again, compact, for scripts/bench's report.
    print("per phrase (the game's / the reference, dB):")
    cells = [f"{name:<15}{r[1]:5.2f} / {r[2]:4.2f}" for (name, *_), r in zip(chosen, results)]
    for at in range(0, len(cells), 3):
        print("   ".join(cells[at:at + 3]))


if __name__ == "__main__":
    main()
