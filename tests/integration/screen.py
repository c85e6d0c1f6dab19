#!/usr/bin/env python3
"""Reads photographs of the game window (80 x 25 cells) through ImageMagick.

  screen.py extents IMAGE FG BG            the text extent of each row, in cells
  screen.py count IMAGE ROW COLOUR         pixels of exactly COLOUR in a row
  screen.py crop IMAGE ROW CELLS OUT FG    a row's first CELLS cells, black on
                                           white and enlarged, for tesseract

Colours are RRGGBB.  Standard library only (convert does the decoding).
"""

import subprocess
import sys


def load(path):
    size = subprocess.run(["identify", "-format", "%w %h", path], check=True,
                          capture_output=True, text=True).stdout.split()
    width, height = int(size[0]), int(size[1])
    pixels = subprocess.run(["convert", path, "-alpha", "off", "-depth", "8", "rgb:-"],
                            check=True, capture_output=True).stdout
    if len(pixels) != 3 * width * height:
        raise SystemExit(f"{path}: {len(pixels)} bytes of pixels for {width} x {height}")
    return width, height, pixels


def colour(text):
    return bytes.fromhex(text)


def cell_grid(width, height):
    if width % 80 or height % 25:
        raise SystemExit(f"the window is {width} x {height} pixels, not 80 x 25 cells")
    return width // 80, height // 25


def letter_positions(row_bytes, foreground):
    """The x of every pixel of the letter colour in one row of pixels."""
    found = []
    position = row_bytes.find(foreground)
    while position >= 0:
        if position % 3 == 0:
            found.append(position // 3)
            position = row_bytes.find(foreground, position + 3)
        else:
            position = row_bytes.find(foreground, position + 1)
    return found


def extents(path, foreground, background):
    """A cell holds a letter when at least 4 of its pixels have the letter
    colour.  A pixel row filled across a whole cell is the caret (it inverts
    the background, which can give the letter colour), not a letter: letters
    keep a margin at the cell's sides."""
    width, height, pixels = load(path)
    cell_width, line_height = cell_grid(width, height)
    counts = {}
    for y in range(height):
        row_bytes = pixels[3 * y * width:3 * (y + 1) * width]
        per_cell = {}
        for x in letter_positions(row_bytes, foreground):
            per_cell[x // cell_width] = per_cell.get(x // cell_width, 0) + 1
        for column, number in per_cell.items():
            if number < cell_width:
                key = (y // line_height, column)
                counts[key] = counts.get(key, 0) + number
    result = []
    for row in range(25):
        inked = [column + 1 for (r, column), number in counts.items() if r == row and number >= 4]
        result.append(max(inked, default=0))
    print(" ".join(str(value) for value in result))
    return 0


def count(path, row, wanted):
    width, height, pixels = load(path)
    _, line_height = cell_grid(width, height)
    total = 0
    for y in range(row * line_height, (row + 1) * line_height):
        total += len(letter_positions(pixels[3 * y * width:3 * (y + 1) * width], wanted))
    print(total)
    return 0


def crop(path, row, cells, out, foreground):
    width, height, _ = load(path)
    cell_width, line_height = cell_grid(width, height)
    geometry = f"{(cells + 1) * cell_width}x{line_height}+0+{row * line_height}"
    subprocess.run(["convert", path, "-alpha", "off", "-crop", geometry, "+repage",
                    "-fuzz", "25%", "-transparent", "#" + foreground, "-alpha", "extract",
                    "-bordercolor", "white", "-border", "10", "-resize", "400%", out],
                   check=True)
    return 0


def main(arguments):
    if len(arguments) == 5 and arguments[1] == "extents":
        return extents(arguments[2], colour(arguments[3]), colour(arguments[4]))
    if len(arguments) == 5 and arguments[1] == "count":
        return count(arguments[2], int(arguments[3]), colour(arguments[4]))
    if len(arguments) == 7 and arguments[1] == "crop":
        return crop(arguments[2], int(arguments[3]), int(arguments[4]), arguments[5],
                    arguments[6])
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
