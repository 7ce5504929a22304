#!/usr/bin/env python3
"""Draws the splash screen's logo and writes it as resources/splash.bmp: a 244 x 244
Windows bitmap file, 8 bits per pixel with a 256-colour table, bottom-up rows. The build
compresses it (mscompress, SZDD) into raw data resource 2. The output is committed; run
this again only to remake it (python3 resources/draw-splash.py).

The picture, on white: "CMYK" across the top in cyan, magenta, yellow and black; "RGB"
across the bottom in red, green and blue; between them three ink drops in cyan, magenta
and yellow that overlap as inks do, so that their overlaps are the red, green and blue of
the bottom line and their common middle is black. The letters are drawn from a 5 x 7 dot
font, each dot joined to its neighbours by round strokes. Everything is sampled 4 x 4
times a pixel and mapped to the nearest colour of the table."""

import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
SIZE = 244
SAMPLES = 4  # per pixel and axis

WHITE = (255, 255, 255)
CYAN, MAGENTA, YELLOW, BLACK = (0, 255, 255), (255, 0, 255), (255, 255, 0), (0, 0, 0)
RED, GREEN, BLUE = (255, 0, 0), (0, 255, 0), (0, 0, 255)

FONT = {
    "C": [".XXX.", "X...X", "X....", "X....", "X....", "X...X", ".XXX."],
    "M": ["X...X", "XX.XX", "X.X.X", "X.X.X", "X...X", "X...X", "X...X"],
    "Y": ["X...X", "X...X", ".X.X.", "..X..", "..X..", "..X..", "..X.."],
    "K": ["X...X", "X..X.", "X.X..", "XX...", "X.X..", "X..X.", "X...X"],
    "R": ["XXXX.", "X...X", "X...X", "XXXX.", "X.X..", "X..X.", "X...X"],
    "G": [".XXX.", "X...X", "X....", "X.XXX", "X...X", "X...X", ".XXXX"],
    "B": ["XXXX.", "X...X", "X...X", "XXXX.", "X...X", "X...X", "XXXX."],
}
CELL = 8       # pixels per dot of the font
STROKE = 7.0   # stroke width in pixels
LETTER_GAP = 12


def palette():
    """A 6 x 6 x 6 colour cube (every colour of the picture is in it) and 40 more greys."""
    colours = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
    cube_greys = {c[0] for c in colours if c[0] == c[1] == c[2]}
    greys = [v for v in range(256) if v not in cube_greys]
    step = len(greys) / 40
    colours += [(greys[int(i * step)],) * 3 for i in range(40)]
    assert len(colours) == 256
    return colours


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length2))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def letter_strokes(letter, left, top):
    """The letter's strokes as segments between dot centres (a dot alone is a segment of
    length 0)."""
    rows = FONT[letter]
    dots = {(x, y) for y, row in enumerate(rows) for x, c in enumerate(row) if c == "X"}
    centre = lambda x, y: (left + (x + 0.5) * CELL, top + (y + 0.5) * CELL)
    segments = []
    for (x, y) in sorted(dots):
        segments.append(centre(x, y) + centre(x, y))
        for nx, ny in ((x + 1, y), (x, y + 1), (x + 1, y + 1), (x - 1, y + 1)):
            if (nx, ny) in dots:
                segments.append(centre(x, y) + centre(nx, ny))
    return segments


def word(letters_and_colours, top):
    """Strokes of a word centred across the picture, each with its colour."""
    width = len(letters_and_colours) * 5 * CELL + (len(letters_and_colours) - 1) * LETTER_GAP
    left = (SIZE - width) / 2
    strokes = []
    for i, (letter, colour) in enumerate(letters_and_colours):
        for segment in letter_strokes(letter, left + i * (5 * CELL + LETTER_GAP), top):
            strokes.append((segment, colour))
    return strokes


def in_drop(px, py, cx, cy, radius, tip_height):
    """A drop: a disc with its tangent cone up to a tip `tip_height` above its centre."""
    if math.hypot(px - cx, py - cy) <= radius:
        return True
    tip_y = cy - tip_height
    along = py - tip_y  # distance from the tip along the (vertical) axis
    reach = (tip_height * tip_height - radius * radius) / tip_height
    if along < 0 or along > reach:
        return False
    half_angle = math.asin(radius / tip_height)
    return abs(px - cx) <= along * math.tan(half_angle)


DROP_RADIUS, DROP_TIP = 23, 46
DROPS = [  # centre and the ink it takes away from white
    ((122, 118), (1.0, 0.0, 1.0)),   # magenta takes green
    ((105, 146), (0.0, 1.0, 1.0)),   # cyan takes red
    ((139, 146), (1.0, 1.0, 0.0)),   # yellow takes blue
]

STROKES = word([("C", CYAN), ("M", MAGENTA), ("Y", YELLOW), ("K", BLACK)], 12) + \
          word([("R", RED), ("G", GREEN), ("B", BLUE)], SIZE - 12 - 7 * CELL)


def sample(px, py):
    for (ax, ay, bx, by), colour in STROKES:
        if segment_distance(px, py, ax, ay, bx, by) <= STROKE / 2:
            return colour
    light = [1.0, 1.0, 1.0]
    for (cx, cy), ink in DROPS:
        if in_drop(px, py, cx, cy, DROP_RADIUS, DROP_TIP):
            light = [a * b for a, b in zip(light, ink)]
    return tuple(round(255 * v) for v in light)


def near_strokes(x, y):
    margin = STROKE
    return [s for s in STROKES
            if min(s[0][0], s[0][2]) - margin <= x + 1 and x <= max(s[0][0], s[0][2]) + margin
            and min(s[0][1], s[0][3]) - margin <= y + 1 and y <= max(s[0][1], s[0][3]) + margin]


def draw():
    global STROKES
    all_strokes = STROKES
    pixels = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            STROKES = near_strokes(x, y)
            total = [0, 0, 0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    colour = sample(x + (sx + 0.5) / SAMPLES, y + (sy + 0.5) / SAMPLES)
                    total = [t + c for t, c in zip(total, colour)]
            row.append(tuple(t / (SAMPLES * SAMPLES) for t in total))
            STROKES = all_strokes
        pixels.append(row)
    return pixels


def nearest(colours, cache, colour):
    key = tuple(round(c) for c in colour)
    if key not in cache:
        cache[key] = min(range(len(colours)),
                         key=lambda i: sum((a - b) ** 2 for a, b in zip(colours[i], key)))
    return cache[key]


def write_bmp(path, pixels, colours):
    cache = {}
    rows = bytearray()
    for row in reversed(pixels):  # bottom-up
        rows += bytes(nearest(colours, cache, c) for c in row)
        rows += b"\0" * (-len(row) % 4)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in colours)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 8, 0, 0, 2835, 2835, 0, 0)
    offset = 14 + len(info) + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    with open(path, "wb") as out:
        out.write(header + info + table + rows)


def main():
    colours = palette()
    write_bmp(os.path.join(HERE, "splash.bmp"), draw(), colours)


if __name__ == "__main__":
    main()
