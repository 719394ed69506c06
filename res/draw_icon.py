#!/usr/bin/env python3
"""Draws the tool's icon and writes res/ordwell.ico.

The picture: a sheet of text whose lines run from short to long, with an
arrow pointing down beside it -- lines being put in order. Four images: 32 x
32 and 16 x 16, each in 16 colours (the standard VGA palette, so it looks the
same on every display) and in 256 colours (softer tones and a shaded sheet).

Usage: python3 res/draw_icon.py [output.ico]   (default: res/ordwell.ico)
Needs nothing beyond the standard library.
"""
import os
import struct
import sys

# The 16-colour images use the fixed VGA palette; the names below pick from it.
VGA = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]

# Each ink in both palettes: (16-colour index, 256-colour RGB).
INKS = {
    'edge':   (8, (0x5A, 0x64, 0x73)),   # outline of the sheet
    'sheet':  (15, (0xFF, 0xFF, 0xFF)),  # the sheet itself
    'shade':  (15, (0xE4, 0xEA, 0xF2)),  # the sheet's lower part (flat in 16 colours)
    'fold':   (7, (0xC8, 0xD2, 0xE0)),   # the back of the dog-ear
    'line':   (4, (0x2B, 0x5C, 0xB8)),   # text lines
    'arrow':  (9, (0xE0, 0x60, 0x1A)),   # the sort arrow
    'arrowd': (1, (0xA8, 0x3C, 0x08)),   # the arrow's outline
}


def draw(size):
    """Returns a size x size grid of ink names (None = transparent)."""
    grid = [[None] * size for _ in range(size)]

    def fill(x0, y0, x1, y1, ink):
        for y in range(max(0, y0), min(size, y1 + 1)):
            for x in range(max(0, x0), min(size, x1 + 1)):
                grid[y][x] = ink

    if size == 32:
        sheet, fold, lines, arrow = (1, 1, 20, 30), 6, [(4, 6, 8), (4, 10, 11), (4, 14, 13), (4, 18, 15),
                                                       (4, 22, 17), (4, 26, 17)], (26, 3, 28)
        bar = 2
    else:
        sheet, fold, lines, arrow = (0, 0, 10, 15), 3, [(2, 4, 5), (2, 7, 7), (2, 10, 8), (2, 13, 8)], (13, 2, 14)
        bar = 1
    x0, y0, x1, y1 = sheet
    fill(x0, y0, x1, y1, 'edge')
    fill(x0 + 1, y0 + 1, x1 - 1, y1 - 1, 'sheet')
    fill(x0 + 1, (y0 + y1) // 2 + 3, x1 - 1, y1 - 1, 'shade')
    # The dog-ear: the corner cut away, its back shown as a shaded triangle.
    for i in range(fold):
        for j in range(fold - i):
            grid[y0 + i][x1 - j] = None
        grid[y0 + i][x1 - fold + i] = 'edge'
        for j in range(x1 - fold + 1, x1 - fold + i + 1):
            grid[y0 + i][j] = 'fold'
        grid[y0 + fold][x1 - fold + i + 1] = 'edge'
    grid[y0 + fold][x1] = 'edge'
    # Text lines, shortest first: the sheet is sorted.
    for lx, ly, right in lines:
        fill(lx, ly, right, ly + bar - 1, 'line')
    # Arrow: a shaft and a head pointing down.
    cx, top, bottom = arrow
    half = 1 if size == 32 else 0
    head = 4 if size == 32 else 2
    fill(cx - half, top, cx + half, bottom - head, 'arrow')
    for i in range(head + 1):
        y = bottom - head + i
        w = head - i
        fill(cx - w - half, y, cx + w + half, y, 'arrow')
        if w + half > 0:
            grid[y][cx - w - half] = 'arrowd'
            grid[y][cx + w + half] = 'arrowd'
    return grid


def palette_for(bits):
    if bits == 4:
        return list(VGA)
    colours = [(0, 0, 0)] + [rgb for _, rgb in INKS.values()]
    return colours + [(0, 0, 0)] * (256 - len(colours))


def index_of(ink, bits):
    if ink is None:
        return 0
    if bits == 4:
        return INKS[ink][0]
    return 1 + list(INKS).index(ink)


def encode_image(size, bits):
    """One icon image: BITMAPINFOHEADER, palette, colour rows, mask rows."""
    grid = draw(size)
    palette = palette_for(bits)
    row_bytes = ((size * bits + 31) // 32) * 4
    mask_bytes = ((size + 31) // 32) * 4
    colour = bytearray()
    mask = bytearray()
    for y in reversed(range(size)):  # bottom-up
        row = bytearray(row_bytes)
        mrow = bytearray(mask_bytes)
        for x in range(size):
            ink = grid[y][x]
            idx = index_of(ink, bits)
            if bits == 8:
                row[x] = idx
            else:
                row[x // 2] |= idx << (4 if x % 2 == 0 else 0)
            if ink is None:
                mrow[x // 8] |= 0x80 >> (x % 8)
        colour += row
        mask += mrow
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bits, 0, len(colour) + len(mask), 0, 0, 0, 0)
    quads = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in palette)
    return header + quads + bytes(colour) + bytes(mask)


def encode_icon(images):
    """ICONDIR, one entry per image, then the images."""
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    blobs = []
    for size, bits in images:
        blob = encode_image(size, bits)
        colours = 16 if bits == 4 else 0
        out += struct.pack('<BBBBHHII', size, size, colours, 0, 1, bits, len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    return out + b''.join(blobs)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, 'ordwell.ico')
    with open(target, 'wb') as f:
        f.write(encode_icon([(32, 4), (32, 8), (16, 4), (16, 8)]))


if __name__ == '__main__':
    main()
