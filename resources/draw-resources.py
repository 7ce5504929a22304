#!/usr/bin/env python3
"""Draws the desktop program's icons and drive-tree bitmaps and writes them, byte for
byte, as the ICO and BMP files that resources/Inkhound.rc names. The outputs are
committed; run this again only to remake them (python3 resources/draw-resources.py).

The 16-colour pictures are drawn as text, one character a pixel, in the system's
16-colour palette; "." is transparent (magenta in the bitmaps, the tree's mask colour,
and a cleared mask bit in the icons). The 32 x 32 program icon is drawn from shapes in
up to 256 colours."""

import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# The system's 16 colours in their palette order.
PALETTE_16 = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
MAGENTA = 13  # the tree's transparent colour

# One character per palette index; "." is transparent.
LEGEND = {
    "k": 0,   # black
    "r": 1,   # dark red
    "g": 2,   # dark green
    "o": 3,   # olive
    "n": 4,   # navy
    "p": 5,   # purple
    "t": 6,   # teal
    "s": 7,   # silver
    "d": 8,   # grey
    "R": 9,   # red
    "G": 10,  # green
    "Y": 11,  # yellow
    "B": 12,  # blue
    "M": 13,  # magenta (opaque in icons only)
    "C": 14,  # cyan
    "W": 15,  # white
}


def art(text):
    """The rows of a 16 x 16 picture written as text."""
    rows = [line.strip() for line in text.strip().splitlines()]
    assert len(rows) == 16, rows
    for row in rows:
        assert len(row) == 16, row
        assert all(c == "." or c in LEGEND for c in row), row
    return rows


def recolour(rows, mapping):
    return ["".join(mapping.get(c, c) for c in row) for row in rows]


def overlay(rows, top):
    """`top` drawn over `rows`; its transparent pixels let `rows` show."""
    return ["".join(t if t != "." else b for b, t in zip(row, over))
            for row, over in zip(rows, art(top))]


# ---- The drive tree's eleven bitmaps ------------------------------------------------------

FOLDER = art("""
    ................
    ................
    ..kkkkk.........
    .kYWYWYk........
    kYWYWYWYkkkkkkk.
    kWYYYYYYYYYYYYok
    kYYYYYYYYYYYYYok
    kWYYYYYYYYYYYYok
    kYYYYYYYYYYYYYok
    kWYYYYYYYYYYYYok
    kYYYYYYYYYYYYYok
    kWYYYYYYYYYYYYok
    kooooooooooooook
    .kkkkkkkkkkkkkkk
    ................
    ................
""")

INCLUDED_FOLDER = recolour(FOLDER, {"Y": "R", "o": "r"})

FLOPPY_35 = art("""
    ................
    .kkkkkkkkkkkkk..
    .knnssssssssnnnk
    .knnssskkssnnnnk
    .knnssskkssnnnnk
    .knnssskkssnnnnk
    .knnssssssssnnnk
    .knnnnnnnnnnnnnk
    .knnWWWWWWWWWnnk
    .knnWddddddWWnnk
    .knnWWWWWWWWWnnk
    .knnWddddddWWnnk
    .knnWWWWWWWWWnnk
    .kdnWWWWWWWWWnnk
    .kkkkkkkkkkkkkkk
    ................
""")

FLOPPY_525 = art("""
    ................
    dddddddddddddddd
    dkWWWWWWWWWWkkkd
    dkWddddddddWkkkd
    dkWWWWWWWWWWkkkd
    dkkkkkkkkkkkkkkd
    dkkkkkksskkkkkkd
    dkkkkksWWskkkkkd
    dkkkkksWWskWkkkd
    dkkkkkksskkkkkkd
    dkkkkkkkkkkkkkkd
    dkkkkkkddkkkkkkd
    dkkkkkkddkkkkkkd
    dkkkkkkddkkkkkkd
    dkkkkkkkkkkkkkkd
    dddddddddddddddd
""")

# A drive box seen from above and in front, with its light; the other drives build on it.
DRIVE_BOX = art("""
    ................
    ................
    ................
    ................
    ................
    ...kkkkkkkkkkkk.
    ..kWWWWWWWWWWWsk
    .kWWWWWWWWWWWsdk
    kkkkkkkkkkkkkddk
    kssssssssssssddk
    ksddddddddGGsddk
    kssssssssssssdk.
    kkkkkkkkkkkkkk..
    ................
    ................
    ................
""")

FIXED_DRIVE = DRIVE_BOX

REMOVABLE_DRIVE = overlay(DRIVE_BOX, """
    ................
    ................
    ................
    ..kkkkkkkkk.....
    ..kBBBBBBBnk....
    ..kBWWWWWBnk....
    ..kBBBBBBBnkkkk.
    ..kBBBBBBBnksdk.
    ................
    ................
    ................
    ................
    ................
    ................
    ................
    ................
""")

# The drive raised on a pipe into the network cable.
NETWORK_BOX = [row for row in DRIVE_BOX[3:13]] + ["................"] * 6
NETWORK_DRIVE = overlay(NETWORK_BOX, """
    ................
    ................
    ................
    ................
    ................
    ................
    ................
    ................
    ................
    ................
    ......kssk......
    ......kssk......
    kkkkkkkkkkkkkkkk
    tttttttttttttttt
    kkkkkkkkkkkkkkkk
    ................
""")

UNKNOWN_NETWORK_DRIVE = overlay(NETWORK_DRIVE, """
    ................
    ................
    ................
    ................
    ................
    ................
    ................
    ................
    ................
    ..........R...R.
    ...........R.R..
    ............R...
    ...........R.R..
    ..........R...R.
    ................
    ................
""")

MISSING_DRIVE = overlay(DRIVE_BOX, """
    ....RRRR........
    ...RR..RR.......
    .......RR.......
    ......RR........
    .....RR.........
    .....RR.........
    ................
    .....RR.........
    ................
    ................
    ................
    ................
    ................
    ................
    ................
    ................
""")

ROOT_INCLUDED = art("""
    RRRRRRRRRRRRRRRR
    RRRRRRRRRRRRRRRR
    RR............RR
    RR............RR
    RR............RR
    RR............RR
    RR............RR
    RR............RR
    RR............RR
    RR............RR
    RR............RR
    RR............RR
    RR............RR
    RR............RR
    RRRRRRRRRRRRRRRR
    RRRRRRRRRRRRRRRR
""")

INCLUDED_BELOW = art("""
    ................
    ................
    ................
    ................
    ................
    ................
    ................
    ................
    ................
    ...............r
    ..............rR
    .............rRR
    ............rRRR
    ...........rRRRR
    ..........rRRRRR
    .........rrrrrrr
""")

# Bitmaps 1 to 11, in the order the tree's image list loads them.
TREE_BITMAPS = [
    ("tree-folder.bmp", FOLDER),
    ("tree-included-folder.bmp", INCLUDED_FOLDER),
    ("tree-floppy-35.bmp", FLOPPY_35),
    ("tree-floppy-525.bmp", FLOPPY_525),
    ("tree-fixed-drive.bmp", FIXED_DRIVE),
    ("tree-removable-drive.bmp", REMOVABLE_DRIVE),
    ("tree-network-drive.bmp", NETWORK_DRIVE),
    ("tree-unknown-network-drive.bmp", UNKNOWN_NETWORK_DRIVE),
    ("tree-missing-drive.bmp", MISSING_DRIVE),
    ("tree-root-included.bmp", ROOT_INCLUDED),
    ("tree-included-below.bmp", INCLUDED_BELOW),
]

# ---- The program's icons: a magnifying glass over colour swatches -------------------------

ICON_NORMAL_16 = art("""
    kkkkkkkkkkkkk...
    kCCCWMMMWYYYk...
    kCCCWMMMWYYYk...
    kCCCWMMMWYYYk...
    kWWWWWWWWWWWk...
    kRRRWGGkkkkkk...
    kRRRWGkCCWMMk...
    kRRRWkCWCWMMMk..
    kWWWWkWCCWMMMk..
    kkkkkkCCCWMMMk..
    .....kCCCWMMMk..
    .....kCCCWMMMk..
    ......kCCWMMkk..
    .......kkkkkkrk.
    ............krrk
    .............krr
""")

# While a background scan runs: a green light shows.
ICON_ACTIVE_16 = overlay(ICON_NORMAL_16, """
    ............kkk.
    ...........kGGGk
    ...........kGWGk
    ...........kGGGk
    ............kkk.
    ................
    ................
    ................
    ................
    ................
    ................
    ................
    ................
    ................
    ................
    ................
""")

# The second image of the flashing tray icon: a red warning mark.
ICON_ALERT_16 = overlay(ICON_NORMAL_16, """
    ...........kkkk.
    ..........kRRRRk
    ..........kRWWRk
    ..........kRWWRk
    ..........kRWWRk
    ..........kRRRRk
    ..........kRWWRk
    ..........kRRRRk
    ...........kkkk.
    ................
    ................
    ................
    ................
    ................
    ................
    ................
""")


def icon_normal_32():
    """The program icon at 32 x 32: a swatch card in process and screen colours, and a
    glass lying over its lower right part, its handle to the corner."""
    size = 32
    pixels = [[None] * size for _ in range(size)]

    def fill(x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                pixels[y][x] = colour

    # The card: white, a grey edge, two rows of chips.
    fill(1, 2, 24, 23, (0x40, 0x40, 0x40))
    fill(2, 3, 23, 22, (0xFF, 0xFF, 0xFF))
    chips = [
        [(0x00, 0xAE, 0xEF), (0xEC, 0x00, 0x8C), (0xFF, 0xF2, 0x00)],  # cyan magenta yellow
        [(0xED, 0x1C, 0x24), (0x00, 0xA6, 0x51), (0x2E, 0x31, 0x92)],  # red green blue
    ]
    for row, colours in enumerate(chips):
        for column, colour in enumerate(colours):
            x0, y0 = 4 + 7 * column, 5 + 9 * row
            fill(x0, y0, x0 + 5, y0 + 7, colour)

    # The glass: what lies under it shows lighter, as through a lens.
    cx, cy, radius = 18.5, 17.5, 9.0
    for y in range(size):
        for x in range(size):
            d = math.hypot(x + 0.5 - cx - 0.5, y + 0.5 - cy - 0.5)
            if d <= radius - 2.0:
                under = pixels[y][x] or (0xE8, 0xF4, 0xFF)
                lighter = tuple(min(255, (c * 3 + 0xF0) // 4) for c in under)
                pixels[y][x] = lighter
            elif d <= radius - 1.0:
                pixels[y][x] = (0xC8, 0xC8, 0xD0)
            elif d <= radius:
                pixels[y][x] = (0x30, 0x30, 0x38)
    # A glint on the glass, upper left.
    for angle in range(200, 250, 6):
        a = math.radians(angle)
        x = int(cx + 0.5 + (radius - 3.5) * math.cos(a))
        y = int(cy + 0.5 + (radius - 3.5) * math.sin(a))
        pixels[y][x] = (0xFF, 0xFF, 0xFF)

    # The handle: a metal collar, then a dark wooden grip to the corner.
    def thick_line(x0, y0, x1, y1, width, colour):
        for y in range(size):
            for x in range(size):
                px, py = x + 0.5, y + 0.5
                dx, dy = x1 - x0, y1 - y0
                t = max(0.0, min(1.0, ((px - x0) * dx + (py - y0) * dy) / (dx * dx + dy * dy)))
                if math.hypot(px - (x0 + t * dx), py - (y0 + t * dy)) <= width / 2:
                    pixels[y][x] = colour

    thick_line(24.5, 24.5, 26.5, 26.5, 4.6, (0x30, 0x30, 0x38))
    thick_line(24.7, 24.7, 26.3, 26.3, 2.6, (0xA0, 0xA0, 0xA8))
    thick_line(27.0, 27.0, 30.5, 30.5, 4.6, (0x3A, 0x1E, 0x0E))
    thick_line(27.2, 27.2, 30.2, 30.2, 2.2, (0x8B, 0x4A, 0x1C))
    return pixels


# ---- File formats -------------------------------------------------------------------------

def dib_header(width, height, bits, palette_size, image_size):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size, 0, 0,
                       palette_size, 0)


def palette_bytes(colours):
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in colours)


def packed_rows(indices, width, bits):
    """Pixel rows bottom-up, each padded to four bytes."""
    out = b""
    for row in reversed(indices):
        if bits == 4:
            data = bytes((row[i] << 4) | row[i + 1] for i in range(0, width, 2))
        else:
            data = bytes(row)
        out += data + b"\0" * (-len(data) % 4)
    return out


def mask_rows(transparent, width):
    out = b""
    for row in reversed(transparent):
        bits = 0
        for flag in row:
            bits = (bits << 1) | (1 if flag else 0)
        bits <<= -width % 8
        data = bits.to_bytes((width + 7) // 8, "big")
        out += data + b"\0" * (-len(data) % 4)
    return out


def bmp_16(rows):
    indices = [[MAGENTA if c == "." else LEGEND[c] for c in row] for row in rows]
    bits = packed_rows(indices, 16, 4)
    offset = 14 + 40 + 16 * 4
    return (struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset) +
            dib_header(16, 16, 4, 16, len(bits)) + palette_bytes(PALETTE_16) + bits)


def icon_image_16(rows):
    # Transparent pixels are black in the colour bits, so the mask alone decides them.
    indices = [[0 if c == "." else LEGEND[c] for c in row] for row in rows]
    transparent = [[c == "." for c in row] for row in rows]
    bits = packed_rows(indices, 16, 4) + mask_rows(transparent, 16)
    return 16, 16, 16, 4, dib_header(16, 32, 4, 16, len(bits)) + palette_bytes(PALETTE_16) + bits


def icon_image_256(pixels):
    size = len(pixels)
    colours = sorted({p for row in pixels for p in row if p is not None})
    colours = [(0, 0, 0)] + [c for c in colours if c != (0, 0, 0)]
    assert len(colours) <= 256, len(colours)
    index = {c: i for i, c in enumerate(colours)}
    indices = [[0 if p is None else index[p] for p in row] for row in pixels]
    transparent = [[p is None for p in row] for row in pixels]
    colours += [(0, 0, 0)] * (256 - len(colours))
    bits = packed_rows(indices, size, 8) + mask_rows(transparent, size)
    header = dib_header(size, size * 2, 8, 256, len(bits))
    return size, size, 0, 8, header + palette_bytes(colours) + bits


def ico(images):
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for width, height, colour_count, bits, data in images:
        out += struct.pack("<BBBBHHII", width, height, colour_count, 0, 1, bits, len(data),
                           offset)
        offset += len(data)
    return out + b"".join(data for *_, data in images)


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def main():
    for name, rows in TREE_BITMAPS:
        write(name, bmp_16(rows))
    write("icon-normal.ico", ico([icon_image_256(icon_normal_32()),
                                  icon_image_16(ICON_NORMAL_16)]))
    write("icon-active.ico", ico([icon_image_16(ICON_ACTIVE_16)]))
    write("icon-alert.ico", ico([icon_image_16(ICON_ALERT_16)]))


if __name__ == "__main__":
    main()
