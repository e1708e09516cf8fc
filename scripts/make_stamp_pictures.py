#!/usr/bin/env python3
"""Writes the neutral capture stamps resources/UIRes/qrcode.png (300 x 300, opaque square)
and resources/UIRes/qrcode2.png (350 x 100, translucent banner), both RGBA."""

import os
import struct
import sys
import zlib


def write_png(path, width, height, pixel):
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        for x in range(width):
            rows.extend(pixel(x, y))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", header))
        out.write(chunk(b"IDAT", zlib.compress(bytes(rows), 9)))
        out.write(chunk(b"IEND", b""))


DARK = (48, 48, 48, 255)
LIGHT = (255, 255, 255, 255)


def square(x, y):
    module = 12
    mx, my = x // module, y // module
    # Three corner marks of 7 x 7 modules inside a one-module quiet zone.
    for cx, cy in ((1, 1), (17, 1), (1, 17)):
        dx, dy = mx - cx, my - cy
        if 0 <= dx < 7 and 0 <= dy < 7:
            ring = min(dx, dy, 6 - dx, 6 - dy)
            return DARK if ring != 1 else LIGHT
    if mx in (0, 24) or my in (0, 24) or mx == 8 or my == 8 or mx == 16 or my == 16:
        return LIGHT
    # A fixed pattern that carries no data.
    return DARK if (mx * 7 + my * 13 + mx * my) % 3 == 0 else LIGHT


def banner(x, y):
    alpha = min(160, x * 160 // 120)
    if y in (0, 99):
        alpha = 0
    return (32, 32, 32, alpha)


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "resources", "UIRes")
    os.makedirs(root, exist_ok=True)
    write_png(os.path.join(root, "qrcode.png"), 300, 300, square)
    write_png(os.path.join(root, "qrcode2.png"), 350, 100, banner)


if __name__ == "__main__":
    main()
