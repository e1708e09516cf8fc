"""Screenshots for the end-to-end tests: an X window dump (xwd) of 24-bit TrueColor turned
into PNG with the standard library, so that the test needs no image package."""

import struct
import subprocess
import sys
import zlib


def read_xwd(data):
    """(width, height, rows of RGB bytes) of an xwd dump with 32 bits per pixel."""
    fields = struct.unpack(">25I", data[:100])
    header_size, _version, _format, _depth, width, height = fields[:6]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    red_mask, green_mask, blue_mask = fields[14:17]
    colours = fields[19]
    if bits_per_pixel != 32:
        raise ValueError("only 32 bits per pixel are read, not %d" % bits_per_pixel)
    start = header_size + colours * 12
    order = "<" if byte_order == 0 else ">"

    def shift(mask):
        return (mask & -mask).bit_length() - 1

    rs, gs, bs = shift(red_mask), shift(green_mask), shift(blue_mask)
    rows = []
    for y in range(height):
        line = data[start + y * bytes_per_line:start + y * bytes_per_line + width * 4]
        pixels = struct.unpack(order + "%dI" % width, line)
        row = bytearray(width * 3)
        for x, p in enumerate(pixels):
            row[3 * x] = (p & red_mask) >> rs
            row[3 * x + 1] = (p & green_mask) >> gs
            row[3 * x + 2] = (p & blue_mask) >> bs
        rows.append(bytes(row))
    return width, height, rows


def write_png(path, width, height, rows):
    raw = b"".join(b"\x00" + row for row in rows)

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body)))

    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        out.write(chunk(b"IDAT", zlib.compress(raw, 6)))
        out.write(chunk(b"IEND", b""))


def capture(display, path):
    """Dumps the whole screen of `display` into the PNG file `path`; (width, height, rows)."""
    data = subprocess.run(["xwd", "-root", "-silent", "-display", display],
                          check=True, capture_output=True).stdout
    width, height, rows = read_xwd(data)
    write_png(path, width, height, rows)
    return width, height, rows


if __name__ == "__main__":
    capture(sys.argv[1], sys.argv[2])
