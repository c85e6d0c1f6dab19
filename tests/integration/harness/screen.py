"""The one reader of photographs of the game window (its client area, 80 x
25 cells): pixel counts, the text extent of each row, crops for tesseract,
the magnifier's enlarged picture; and waits that photograph the window
until it shows what is expected, in this one process.

Photographs come from ImageMagick as PPM (import for a window, convert for
a file), so that nothing else is needed to decode them."""

import array
import os
import subprocess
import sys
import time

from capture import process_lives

# Stands for the caret's cell: a value no photographed pixel has.
MASKED = 0xFF000000


def parse_ppm(data):
    """(width, height, RGB bytes) of a binary PPM with 8-bit channels."""
    fields = []
    position = 0
    while len(fields) < 4:
        while data[position:position + 1].isspace():
            position += 1
        if data[position:position + 1] == b"#":
            position = data.index(b"\n", position) + 1
            continue
        start = position
        while not data[position:position + 1].isspace():
            position += 1
        fields.append(data[start:position])
    if fields[0] != b"P6" or fields[3] != b"255":
        raise ValueError("not an 8-bit binary PPM")
    width, height = int(fields[1]), int(fields[2])
    pixels = data[position + 1:position + 1 + 3 * width * height]
    if len(pixels) != 3 * width * height:
        raise ValueError(f"{len(pixels)} bytes of pixels for {width} x {height}")
    return width, height, pixels


class Picture:
    """An RGB photograph: width, height and 3 bytes a pixel, row by row."""

    def __init__(self, width, height, pixels):
        self.width, self.height, self.pixels = width, height, pixels

    @classmethod
    def load(cls, path):
        data = subprocess.run(["convert", path, "-alpha", "off", "-depth", "8", "ppm:-"],
                              check=True, capture_output=True).stdout
        return cls(*parse_ppm(data))

    @classmethod
    def of_window(cls, window):
        """A photograph of the window, or None when it cannot be taken."""
        result = subprocess.run(["import", "-window", window, "-depth", "8", "ppm:-"],
                                capture_output=True)
        if result.returncode != 0:
            return None
        try:
            return cls(*parse_ppm(result.stdout))
        except (ValueError, IndexError):
            return None

    def save(self, path):
        header = f"P6\n{self.width} {self.height}\n255\n".encode("ascii")
        subprocess.run(["convert", "ppm:-", path], input=header + self.pixels, check=True)

    def row(self, y, x=0, width=None):
        width = self.width - x if width is None else width
        start = 3 * (y * self.width + x)
        return self.pixels[start:start + 3 * width]

    @property
    def cells(self):
        """(cell width, line height)."""
        if self.width % 80 or self.height % 25:
            raise SystemExit(f"the window is {self.width} x {self.height} pixels, "
                             "not 80 x 25 cells")
        return self.width // 80, self.height // 25

    def count(self, colour, x, y, width, height):
        """The pixels of exactly this colour (3 bytes) in a rectangle."""
        return sum(len(positions(self.row(line, x, width), colour))
                   for line in range(y, y + height))


def positions(row_bytes, colour):
    """The x of every pixel of the colour in a row of pixels."""
    found = []
    position = row_bytes.find(colour)
    while position >= 0:
        if position % 3 == 0:
            found.append(position // 3)
            position = row_bytes.find(colour, position + 3)
        else:
            position = row_bytes.find(colour, position + 1)
    return found


def colour(text):
    return bytes.fromhex(text)


def geometry(text):
    """WIDTHxHEIGHT+X+Y"""
    size, x, y = text.split("+")
    width, height = size.split("x")
    return int(x), int(y), int(width), int(height)


def row_extents(picture, foreground):
    """The text extent of each of the 25 rows: the cell, from the left, of
    the row's last cell with letters.  A cell holds a letter when at least
    4 of its pixels have the letter colour; a pixel row filled across a
    whole cell is the caret (it inverts the background, which can give the
    letter colour), not a letter: letters keep a margin at the cell's
    sides."""
    cell_width, line_height = picture.cells
    counts = {}
    for y in range(picture.height):
        per_cell = {}
        for x in positions(picture.row(y), foreground):
            per_cell[x // cell_width] = per_cell.get(x // cell_width, 0) + 1
        for column, number in per_cell.items():
            if number < cell_width:
                key = (y // line_height, column)
                counts[key] = counts.get(key, 0) + number
    extents = []
    for line in range(25):
        inked = [column + 1 for (row, column), number in counts.items()
                 if row == line and number >= 4]
        extents.append(max(inked, default=0))
    return extents


def row_count(picture, row, wanted):
    _, line_height = picture.cells
    return picture.count(wanted, 0, row * line_height, picture.width, line_height)


def crop_for_reading(path, row, cells, out, foreground):
    """A row's first cells, black letters on white with a margin, four times
    as large: what tesseract reads best."""
    picture = Picture.load(path)
    cell_width, line_height = picture.cells
    box = f"{(cells + 1) * cell_width}x{line_height}+0+{row * line_height}"
    subprocess.run(["convert", path, "-alpha", "off", "-crop", box, "+repage",
                    "-fuzz", "25%", "-transparent", "#" + foreground, "-alpha", "extract",
                    "-bordercolor", "white", "-border", "10", "-resize", "400%", out],
                   check=True)
    return 0


# --- waits --------------------------------------------------------------------

def wait_for(window, pid, timeout, test, describe, out, settle=0.0):
    """Photographs the window until test(picture) holds; then, after settle
    seconds, photographs it once more (so that it is not taken in the middle
    of drawing) and saves it as out.  0 when it came, 1 at the timeout, 3
    when the program pid ended."""
    deadline = time.monotonic() + timeout
    last = None
    while True:
        if pid and not process_lives(pid):
            print(f"the program ended while waiting; last: {describe(last)}")
            return 3
        picture = Picture.of_window(window)
        if picture is not None:
            last = picture
            if test(picture):
                if settle:
                    time.sleep(settle)
                    picture = Picture.of_window(window) or picture
                picture.save(out)
                print(describe(picture))
                return 0
        if time.monotonic() > deadline:
            print(f"not within {timeout:g} s; last: {describe(last)}")
            return 1
        time.sleep(0.2)


def wait_for_rows(window, pid, expected, timeout, foreground, out):
    """Until the row extents start with the expected ones (for example
    "39 1 0": the prompt, one typed character below it, nothing under it)."""
    wanted = [int(value) for value in expected.split()]
    wanted_colour = colour(foreground)

    def extents(picture):
        try:
            return row_extents(picture, wanted_colour)
        except SystemExit:
            return None

    def test(picture):
        found = extents(picture)
        return found is not None and found[:len(wanted)] == wanted

    def describe(picture):
        found = extents(picture) if picture else None
        return "row extents " + (" ".join(map(str, found)) if found else "(no photograph of 80 x 25 cells)")

    return wait_for(window, pid, timeout, test, describe, out)


def photograph_series(window, seconds, directory, name):
    """Photographs the window as fast as it can for the given seconds, for
    screens that stay only a second or two; prints how many it took.  The
    photographs are decoded later: on a busy machine decoding takes longer
    than photographing."""
    deadline = time.monotonic() + seconds
    count = 0
    while time.monotonic() < deadline:
        result = subprocess.run(["import", "-window", window, "-depth", "8",
                                 os.path.join(directory, f"{name}-{count + 1}.ppm")],
                                capture_output=True)
        if result.returncode != 0:
            break
        count += 1
    print(count)
    return 0


def find_in_series(directory, name, count, start, expected, foreground, out):
    """The first photograph of a series, from number start on, whose rows
    start with the expected extents; prints its number and extents."""
    wanted = [int(value) for value in expected.split()]
    for number in range(start, count + 1):
        path = os.path.join(directory, f"{name}-{number}.ppm")
        with open(path, "rb") as ppm:
            picture = Picture(*parse_ppm(ppm.read()))
        try:
            found = row_extents(picture, colour(foreground))
        except SystemExit:
            continue
        if found[:len(wanted)] == wanted:
            picture.save(out)
            print(number, " ".join(map(str, found)))
            return 0
    return 1


# --- the magnifier --------------------------------------------------------------

class Pixels:
    """A photograph as one 0xBBGGRR number a pixel, one array a row, with
    the first cell of row 1 (where the caret blinks, over the magnified
    picture too) MASKED."""

    def __init__(self, picture):
        self.width, self.height = picture.width, picture.height
        count = self.width * self.height
        padded = bytearray(4 * count)
        for channel in range(3):
            padded[channel::4] = picture.pixels[channel::3]
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


class Enlargement:
    """What the magnifier should show: the rectangle at (x - x div factor,
    y - y div factor) of the picture before, of (W div factor) x (H div
    factor) pixels, stretched onto W x H pixels from the client's corner,
    where W x H is the window's outer size."""

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
        """(differing pixels, pixels with letters in either picture, pixels
        compared) over the shown client area, or over some rows."""
        totals = [0, 0, 0]
        for y in rows if rows is not None else range(shown.height):
            expected = self.row(y)
            if expected is None:
                continue
            for index, value in enumerate(count_differing(expected, shown.rows[y], background)):
                totals[index] += value
        return tuple(totals)

    def describe(self):
        text = (f"outer size {self.outer[0]} x {self.outer[1]}, source rectangle at "
                f"({self.source_x}, {self.source_y}) of {self.source_size[0]} x "
                f"{self.source_size[1]} pixels")
        return text + (", stretched from the centre of each pixel" if self.mode == "centre" else "")


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


def check_zoom(before_path, shown_path, factor, x, y, frames, tolerance):
    """SHOWN must be BEFORE enlarged (see Enlargement).  FRAMES is
    "FRAME:CAPTION" when the platform's frame is known (W = w + 2 FRAME,
    H = h + 2 FRAME + CAPTION), or "fit" to find the frame (1 to 8 pixels)
    and caption (10 to 40) that explain SHOWN best, with stretching from
    the pixels' corners or centres.  TOLERANCE is the share of pixels with
    letters in either picture that may differ."""
    before, shown = Pixels(Picture.load(before_path)), Pixels(Picture.load(shown_path))
    if (before.width, before.height) != (shown.width, shown.height):
        print(f"FAIL: the photographs differ in size: {before.width} x {before.height} and "
              f"{shown.width} x {shown.height}")
        return 1
    background = before.rows[-1][-1]
    width, height = before.width, before.height
    if frames == "fit":
        candidates = []
        source_y = max(0, y - y // factor)
        rows = content_rows(before, factor, height, source_y) or list(range(min(height, 64)))
        for mode in ("floor", "centre"):
            for frame in range(1, 9):
                for caption in range(10, 41):
                    expectation = Enlargement(before, factor, x, y, width + 2 * frame,
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
        expectation = Enlargement(before, factor, x, y, width + 2 * frame,
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
    """Pixels that differ between two photographs, the caret's cell left
    out; None when their sizes differ."""
    if (first.width, first.height) != (second.width, second.height):
        return None
    return sum(count_differing(one, other, -1)[0] for one, other in zip(first.rows, second.rows))


def caret_shown(picture, background):
    wanted = int.from_bytes(bytes.fromhex(background), "little")
    return any(value != wanted for row in Pixels(picture).caret for value in row)


def wait_for_change(window, pid, how, base_path, timeout, out):
    """Until the window differs from (changed) or equals (same) the
    photograph base, then once more after a moment."""
    base = Pixels(Picture.load(base_path))

    def difference(picture):
        return differing_pixels(base, Pixels(picture))

    def test(picture):
        count = difference(picture)
        return (count is None or count > 0) == (how == "changed")

    def describe(picture):
        if picture is None:
            return "no photograph"
        count = difference(picture)
        return ("the photographs differ in size" if count is None else
                f"{count} pixels differ from {os.path.basename(base_path)} (the caret's cell left out)")

    return wait_for(window, pid, timeout, test, describe, out, settle=0.3)


def wait_for_caret(window, pid, background, timeout, out):
    def describe(picture):
        return "no photograph" if picture is None else (
            "the caret shows" if caret_shown(picture, background) else "no caret")
    return wait_for(window, pid, timeout, lambda picture: caret_shown(picture, background),
                    describe, out)
