#!/usr/bin/env python3
"""Compares photographs of the game window (client area, 80 x 25 cells)
taken around the magnifier: the picture shown while the right button is
held must be the photograph taken before, enlarged.

  zoom.py check BEFORE SHOWN FACTOR X Y FRAMES [TOLERANCE]
      SHOWN must be BEFORE's rectangle at (sx, sy) = (X - X div FACTOR,
      Y - Y div FACTOR), of (W div FACTOR) x (H div FACTOR) pixels,
      stretched onto W x H pixels from the client's corner, where W x H is
      the window's outer size: the client's size plus the frame.  FRAMES is
      "FRAME:CAPTION" (W = w + 2 FRAME, H = h + 2 FRAME + CAPTION) when the
      platform's frame is known, or "fit" to find the frame (1 to 8 pixels)
      and caption (10 to 40) that explain SHOWN best: a window with a
      sizing frame and a caption, never the bare client area.  Each
      shown pixel (x, y) is expected to be the source pixel
      (sx + x * (W div FACTOR) div W, sy + y * (H div FACTOR) div H); with
      "fit", stretching that rounds from the pixels' centres is tried too.
      TOLERANCE (default 0) is the share of pixels with letters in them
      (in either picture) that may differ.
  zoom.py same FIRST SECOND
      the two photographs are equal
  zoom.py changed FIRST SECOND
      exit 0 when the two photographs differ
  zoom.py caret IMAGE BACKGROUND
      exit 0 when the first cell of row 1 (where the start screen waits for
      Enter) holds something other than the background: the caret

The first cell of row 1 is left out of every comparison: the caret blinks
there, over the magnified picture too.  Colours are RRGGBB.  Standard
library only (ImageMagick's convert decodes the photographs).
"""

import array
import subprocess
import sys

# Stands for the caret's cell: a value no photographed pixel has.
MASKED = 0xFF000000


class Picture:
    """Pixels as 0xBBGGRR numbers (little-endian), one array per row; the
    first cell of row 1 holds MASKED."""

    def __init__(self, path):
        size = subprocess.run(["identify", "-format", "%w %h", path], check=True,
                              capture_output=True, text=True).stdout.split()
        self.width, self.height = int(size[0]), int(size[1])
        data = subprocess.run(["convert", path, "-alpha", "off", "-depth", "8", "rgb:-"],
                              check=True, capture_output=True).stdout
        count = self.width * self.height
        if len(data) != 3 * count:
            raise SystemExit(f"{path}: {len(data)} bytes for {self.width} x {self.height}")
        padded = bytearray(4 * count)
        for channel in range(3):
            padded[channel::4] = data[channel::3]
        pixels = array.array("I", bytes(padded))
        if sys.byteorder != "little":
            pixels.byteswap()
        self.rows = [pixels[self.width * y:self.width * (y + 1)] for y in range(self.height)]
        self.cell_width = self.width // 80
        self.line_height = self.height // 25
        self.caret = [row[:self.cell_width] for row in
                      self.rows[self.line_height:2 * self.line_height]]
        for row in self.rows[self.line_height:2 * self.line_height]:
            row[:self.cell_width] = array.array("I", [MASKED] * self.cell_width)


def stretch_map(size, start, source_size, mode):
    """For each of `size` shown pixels, the source pixel it shows."""
    if mode == "floor":
        return [start + offset * source_size // size for offset in range(size)]
    # From the centre of each shown pixel.
    return [start + (2 * offset + 1) * source_size // (2 * size) for offset in range(size)]


def count_differing(expected, actual, background):
    """(differing, inked, compared) over two rows, MASKED pixels left out."""
    differing = inked = compared = 0
    for wanted, seen in zip(expected, actual):
        if wanted == MASKED or seen == MASKED:
            continue
        compared += 1
        if wanted != background or seen != background:
            inked += 1
            if wanted != seen:
                differing += 1
    return differing, inked, compared


class Expectation:
    def __init__(self, before, factor, x, y, outer_width, outer_height, mode):
        self.source_x = max(0, x - x // factor)
        self.source_y = max(0, y - y // factor)
        self.outer = (outer_width, outer_height)
        self.source_size = (outer_width // factor, outer_height // factor)
        self.mode = mode
        self.before = before
        columns = stretch_map(outer_width, self.source_x, self.source_size[0], mode)
        self.columns = [column for column in columns[:before.width] if column < before.width]
        self.lines = stretch_map(outer_height, self.source_y, self.source_size[1], mode)
        self.stretched = {}

    def row(self, y):
        """The shown row y as expected, or None beyond the source."""
        source_y = self.lines[y]
        if source_y >= self.before.height:
            return None
        if source_y not in self.stretched:
            source = self.before.rows[source_y]
            self.stretched[source_y] = [source[column] for column in self.columns]
        return self.stretched[source_y]

    def compare(self, shown, background, rows=None):
        """(differing pixels, pixels with letters in either picture,
        pixels compared) over the shown client area, or over some rows."""
        totals = [0, 0, 0]
        for y in rows if rows is not None else range(shown.height):
            expected = self.row(y)
            if expected is None:
                continue
            for index, value in enumerate(count_differing(expected, shown.rows[y], background)):
                totals[index] += value
        return tuple(totals)

    def describe(self):
        return (f"outer size {self.outer[0]} x {self.outer[1]}, source rectangle at "
                f"({self.source_x}, {self.source_y}) of {self.source_size[0]} x "
                f"{self.source_size[1]} pixels, stretched from the {self.mode} of each pixel"
                if self.mode == "centre" else
                f"outer size {self.outer[0]} x {self.outer[1]}, source rectangle at "
                f"({self.source_x}, {self.source_y}) of {self.source_size[0]} x "
                f"{self.source_size[1]} pixels")


def content_rows(before, factor, shown_height, source_y):
    """The shown rows whose source rows hold letters, and a few around
    them: where a wrong stretch shows."""
    rows = set()
    for y in range(before.height):
        row = before.rows[y]
        if any(value not in (MASKED, row[-1]) for value in row):
            low = max(0, (y - source_y - 2) * factor)
            high = min(shown_height, (y - source_y + 3) * factor)
            rows.update(range(low, high))
    return sorted(rows)


def check(before_path, shown_path, factor, x, y, frames, tolerance):
    before, shown = Picture(before_path), Picture(shown_path)
    if (before.width, before.height) != (shown.width, shown.height):
        print(f"FAIL: the photographs differ in size: {before.width} x {before.height} and "
              f"{shown.width} x {shown.height}")
        return 1
    background = before.rows[-1][-1]
    width, height = before.width, before.height
    if frames == "fit":
        # The frame and caption that explain the shown picture best, from
        # the rows where letters are; then everything is compared.
        candidates = []
        source_y = max(0, y - y // factor)
        rows = content_rows(before, factor, height, source_y) or list(range(min(height, 64)))
        for mode in ("floor", "centre"):
            for frame in range(1, 9):
                for caption in range(10, 41):
                    expectation = Expectation(before, factor, x, y, width + 2 * frame,
                                              height + 2 * frame + caption, mode)
                    differing, _, _ = expectation.compare(shown, background, rows)
                    candidates.append((differing, mode != "floor", frame, caption, expectation))
        candidates.sort(key=lambda item: item[:4])
        best = candidates[0]
        fitting = [(frame, caption) for differing, centre, frame, caption, _ in candidates
                   if differing == best[0] and centre == best[1]]
        frames_fitting = sorted({frame for frame, _ in fitting})
        captions_fitting = sorted({caption for _, caption in fitting})
        print(f"best fit: {best[0]} pixels differ in the rows with letters, stretched from "
              f"the {'centre' if best[1] else 'corner'} of each pixel, with a frame of "
              f"{' or '.join(str(frame) for frame in frames_fitting)} pixels and a caption of "
              f"{captions_fitting[0]} to {captions_fitting[-1]} pixels: {len(fitting)} "
              f"pairs explain the picture equally well")
        expectation = best[4]
    else:
        frame, caption = (int(part) for part in frames.split(":"))
        expectation = Expectation(before, factor, x, y, width + 2 * frame,
                                  height + 2 * frame + caption, "floor")
    differing, inked, compared = expectation.compare(shown, background)
    share = differing / inked if inked else 0.0
    print(f"factor {factor}, mouse at ({x}, {y}): {expectation.describe()}")
    print(f"{compared} pixels compared, {inked} of them with letters in either picture; "
          f"{differing} differ ({100 * share:.2f}% of those with letters)")
    if compared < width * height // 2:
        print("FAIL: too little of the picture could be compared")
        return 1
    if differing > tolerance * inked:
        print(f"FAIL: the shown picture is not the earlier one enlarged "
              f"({differing} pixels differ, {tolerance * inked:.0f} allowed)")
        return 1
    return 0


def differing_pixels(first, second):
    if (first.width, first.height) != (second.width, second.height):
        return None
    return sum(count_differing(one, other, -1)[0] for one, other in zip(first.rows, second.rows))


def caret_shown(path, background):
    picture = Picture(path)
    wanted = int.from_bytes(bytes.fromhex(background), "little")
    return any(value != wanted for row in picture.caret for value in row)


def main(arguments):
    if len(arguments) in (8, 9) and arguments[1] == "check":
        tolerance = float(arguments[8]) if len(arguments) == 9 else 0.0
        return check(arguments[2], arguments[3], int(arguments[4]), int(arguments[5]),
                     int(arguments[6]), arguments[7], tolerance)
    if len(arguments) == 4 and arguments[1] in ("same", "changed"):
        count = differing_pixels(Picture(arguments[2]), Picture(arguments[3]))
        print("the photographs differ in size" if count is None else
              f"{count} pixels differ (the caret's cell left out)")
        differ = count is None or count > 0
        return 0 if differ == (arguments[1] == "changed") else 1
    if len(arguments) == 4 and arguments[1] == "caret":
        return 0 if caret_shown(arguments[2], arguments[3]) else 1
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
