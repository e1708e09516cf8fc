#!/usr/bin/env python3
"""Draws the program's icon, proj.linux/brimvale.png (256 x 256 RGBA): a light box of four
axial slices on a dark rounded square, the first slice framed as the selected one."""

import math
import os
import struct
import sys
import zlib

SIZE = 256
SAMPLES = 4  # per axis, for smooth edges

BACKGROUND = (31, 42, 54)
PANEL = (8, 11, 15)
ACCENT = (63, 167, 214)


def write_png(path, width, height, rgba_rows):
    raw = bytearray()
    for row in rgba_rows:
        raw.append(0)
        raw.extend(row)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", header))
        out.write(chunk(b"IDAT", zlib.compress(bytes(raw), 9)))
        out.write(chunk(b"IEND", b""))


def inside_rounded(x, y, left, top, right, bottom, radius):
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius**2 and left <= x <= right and top <= y <= bottom


PANELS = [(36, 36, 124, 124), (132, 36, 220, 124), (36, 132, 124, 220), (132, 132, 220, 220)]


def slice_shade(x, y, panel, index):
    """Grey of an axial chest section inside a panel: body outline, two lungs, the spine."""
    left, top, right, bottom = panel
    cx, cy = (left + right) / 2, (top + bottom) / 2
    rx, ry = 36 - index, 28 - index
    d = math.hypot((x - cx) / rx, (y - cy) / ry)
    if d > 1.0:
        return None
    if d > 0.9:
        return 200
    if math.hypot((x - cx) / 5, (y - cy - ry + 9) / 5) < 1.0:
        return 245
    for side in (-1, 1):
        lung = math.hypot((x - cx - side * 15) / 11, (y - cy + 1) / (17 - index))
        if lung < 1.0:
            return 25
    return int(130 - 30 * d)


def colour_at(x, y):
    if not inside_rounded(x, y, 8, 8, 248, 248, 40):
        return None
    for index, panel in enumerate(PANELS):
        left, top, right, bottom = panel
        if index == 0 and inside_rounded(x, y, left - 5, top - 5, right + 5, bottom + 5, 10):
            if not inside_rounded(x, y, left, top, right, bottom, 6):
                return ACCENT
        if inside_rounded(x, y, left, top, right, bottom, 6):
            shade = slice_shade(x, y, panel, index)
            return PANEL if shade is None else (shade, shade, shade)
    return BACKGROUND


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    path = os.path.join(root, "proj.linux", "brimvale.png")
    rows = []
    for py in range(SIZE):
        row = bytearray()
        for px in range(SIZE):
            r = g = b = a = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = colour_at(px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES)
                    if c is not None:
                        r, g, b, a = r + c[0], g + c[1], b + c[2], a + 1
            n = SAMPLES * SAMPLES
            row.extend((r // a, g // a, b // a, 255 * a // n) if a else (0, 0, 0, 0))
        rows.append(row)
    write_png(path, SIZE, SIZE, rows)
    print(path)
    return 0


if __name__ == "__main__":
    sys.exit(main())
