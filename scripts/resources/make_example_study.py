#!/usr/bin/env python3
"""Writes "example.zip": the example study the program imports on its first run.

  make_example_study.py <archive path>

A synthetic CT series of a phantom, written from scratch (no real patient ever entered it):
an elliptic water body with two lungs, a spine, a table and contrast inserts of known
attenuation, 40 axial slices of 256 x 256 at 0.78 mm pixels and 5 mm spacing, with window
presets in the files. Names and identifiers say plainly that it is an example. The output is
the same on every run (fixed UIDs below the UUID-derived root 2.25), so the archive only changes
when this script does. Standard library only: the DICOM files are written directly in Explicit
VR Little Endian."""

import math
import os
import struct
import sys
import uuid
import zipfile

ROWS = COLUMNS = 256
SLICES = 40
PIXEL_SPACING = 0.78125  # mm
SLICE_SPACING = 5.0  # mm
RESCALE_INTERCEPT = -1024
FOLDER = "ExamplePhantom"

CT_IMAGE_STORAGE = "1.2.840.10008.5.1.4.1.1.2"
EXPLICIT_LITTLE = "1.2.840.10008.1.2.1"
NAMESPACE = uuid.UUID("6c1f6a52-5f7e-4a55-9a0a-2d3b7e0e5a11")


def uid(name):
    """A stable UID for `name` below 2.25 (a UUID written as one decimal number)."""
    return "2.25." + str(uuid.uuid5(NAMESPACE, name).int)


# Element writing (Explicit VR Little Endian)

LONG_VRS = {"OB", "OW", "OF", "SQ", "UT", "UN"}


def element(group, number, vr, value):
    if isinstance(value, str):
        data = value.encode("ascii")
        if len(data) % 2:
            data += b"\0" if vr == "UI" else b" "
    else:
        data = bytes(value)
        if len(data) % 2:
            data += b"\0"
    head = struct.pack("<HH", group, number) + vr.encode("ascii")
    if vr in LONG_VRS:
        return head + b"\0\0" + struct.pack("<I", len(data)) + data
    return head + struct.pack("<H", len(data)) + data


def us(value):
    return struct.pack("<H", value)


def decimal(value):
    text = ("%.6f" % value).rstrip("0").rstrip(".")
    return "0" if text in ("-0", "") else text


def decimals(values):
    return "\\".join(decimal(v) for v in values)


def dicom_file(elements, sop_instance):
    meta_body = b"".join([
        element(0x0002, 0x0001, "OB", b"\0\1"),
        element(0x0002, 0x0002, "UI", CT_IMAGE_STORAGE),
        element(0x0002, 0x0003, "UI", sop_instance),
        element(0x0002, 0x0010, "UI", EXPLICIT_LITTLE),
        element(0x0002, 0x0012, "UI", uid("implementation")),
        element(0x0002, 0x0013, "SH", "BRIMVALE_EXAMPLE"),
    ])
    meta = element(0x0002, 0x0000, "UL", struct.pack("<I", len(meta_body))) + meta_body
    body = b"".join(element(*e) for e in sorted(elements, key=lambda e: (e[0], e[1])))
    return b"\0" * 128 + b"DICM" + meta + body


# The phantom, in Hounsfield units, at patient coordinates (x, y, z) in mm

def ellipse(x, y, cx, cy, rx, ry):
    return ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0


def phantom_row(y, z, xs):
    """Hounsfield values of one image row."""
    t = (z + SLICES * SLICE_SPACING / 2.0) / (SLICES * SLICE_SPACING)  # 0 at the feet end
    lung_scale = max(0.0, math.sin(math.pi * min(1.0, max(0.0, (t - 0.25) / 0.75))))
    insert_z = (z - 20.0) ** 2
    row = []
    for x in xs:
        value = -1000.0
        if y > 78 and abs(x) < 90 and y < 86:  # the table, below the body
            value = 150.0
        if ellipse(x, y, 0, 0, 80, 70):
            value = 20.0  # soft tissue
            if ellipse(x, y, 0, 0, 77, 67) is False:
                value = -90.0  # a rim of fat
            if lung_scale > 0.05:
                if ellipse(x, y, -38, -8, 28 * lung_scale, 40 * lung_scale) or ellipse(
                        x, y, 38, -8, 28 * lung_scale, 40 * lung_scale):
                    value = -820.0
            if ellipse(x, y, 0, 40, 13, 12):  # vertebral body
                value = 700.0 if not ellipse(x, y, 0, 40, 10, 9) else 260.0
            if ellipse(x, y, 0, 58, 5, 5):  # spinal canal
                value = 15.0
            if (x - 0) ** 2 + (y + 25) ** 2 + insert_z <= 15 ** 2:  # contrast sphere
                value = 180.0
            if ellipse(x, y, -20, 25, 6, 6):  # a vessel
                value = 300.0
            if ellipse(x, y, 25, 25, 9, 9):  # a low-contrast insert
                value = 45.0
        row.append(value)
    return row


def pixel_data(z):
    half = (COLUMNS - 1) / 2.0
    xs = [(c - half) * PIXEL_SPACING for c in range(COLUMNS)]
    out = bytearray()
    for r in range(ROWS):
        y = (r - half) * PIXEL_SPACING
        for value in phantom_row(y, z, xs):
            # A little fixed texture, so windows show something like noise.
            stored = int(value - RESCALE_INTERCEPT) + ((r * 7 + len(out) // 2 * 13) % 5) - 2
            out += struct.pack("<H", max(0, min(4095, stored)))
    return bytes(out)


def slice_elements(index, study, series, frame):
    z = -SLICES * SLICE_SPACING / 2.0 + index * SLICE_SPACING
    sop = uid("instance %d" % index)
    first = -(COLUMNS - 1) / 2.0 * PIXEL_SPACING
    elements = [
        (0x0008, 0x0005, "CS", "ISO_IR 100"),
        (0x0008, 0x0008, "CS", "ORIGINAL\\PRIMARY\\AXIAL"),
        (0x0008, 0x0016, "UI", CT_IMAGE_STORAGE),
        (0x0008, 0x0018, "UI", sop),
        (0x0008, 0x0020, "DA", "20240101"),
        (0x0008, 0x0021, "DA", "20240101"),
        (0x0008, 0x0023, "DA", "20240101"),
        (0x0008, 0x0030, "TM", "090000"),
        (0x0008, 0x0031, "TM", "090100"),
        (0x0008, 0x0033, "TM", "090100"),
        (0x0008, 0x0050, "SH", "EXAMPLE1"),
        (0x0008, 0x0060, "CS", "CT"),
        (0x0008, 0x0070, "LO", "Synthetic"),
        (0x0008, 0x0080, "LO", "Example Institution"),
        (0x0008, 0x0090, "PN", ""),
        (0x0008, 0x1030, "LO", "Example CT phantom study"),
        (0x0008, 0x103E, "LO", "Phantom axial 5 mm"),
        (0x0010, 0x0010, "PN", "EXAMPLE^PHANTOM"),
        (0x0010, 0x0020, "LO", "EXAMPLE-0001"),
        (0x0010, 0x0030, "DA", ""),
        (0x0010, 0x0040, "CS", "O"),
        (0x0010, 0x1010, "AS", ""),
        (0x0018, 0x0015, "CS", "CHEST"),
        (0x0018, 0x0050, "DS", decimal(SLICE_SPACING)),
        (0x0018, 0x0060, "DS", "120"),
        (0x0018, 0x5100, "CS", "HFS"),
        (0x0020, 0x000D, "UI", study),
        (0x0020, 0x000E, "UI", series),
        (0x0020, 0x0010, "SH", "1"),
        (0x0020, 0x0011, "IS", "1"),
        (0x0020, 0x0012, "IS", "1"),
        (0x0020, 0x0013, "IS", str(index + 1)),
        (0x0020, 0x0032, "DS", decimals([first, first, z])),
        (0x0020, 0x0037, "DS", decimals([1, 0, 0, 0, 1, 0])),
        (0x0020, 0x0052, "UI", frame),
        (0x0020, 0x1040, "LO", ""),
        (0x0020, 0x1041, "DS", decimal(z)),
        (0x0028, 0x0002, "US", us(1)),
        (0x0028, 0x0004, "CS", "MONOCHROME2"),
        (0x0028, 0x0010, "US", us(ROWS)),
        (0x0028, 0x0011, "US", us(COLUMNS)),
        (0x0028, 0x0030, "DS", decimals([PIXEL_SPACING, PIXEL_SPACING])),
        (0x0028, 0x0100, "US", us(16)),
        (0x0028, 0x0101, "US", us(12)),
        (0x0028, 0x0102, "US", us(11)),
        (0x0028, 0x0103, "US", us(0)),
        (0x0028, 0x1050, "DS", "40\\-600"),
        (0x0028, 0x1051, "DS", "400\\1500"),
        (0x0028, 0x1052, "DS", str(RESCALE_INTERCEPT)),
        (0x0028, 0x1053, "DS", "1"),
        (0x0028, 0x1054, "LO", "HU"),
        (0x0028, 0x1055, "LO", "SOFT TISSUE\\LUNG"),
        (0x7FE0, 0x0010, "OW", pixel_data(z)),
    ]
    return elements, sop


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_example_study.py <archive path>")
    archive = os.path.abspath(sys.argv[1])
    os.makedirs(os.path.dirname(archive), exist_ok=True)
    study, series, frame = uid("study"), uid("series"), uid("frame of reference")
    temporary = archive + ".tmp"
    with zipfile.ZipFile(temporary, "w", zipfile.ZIP_DEFLATED, compresslevel=6) as out:
        for index in range(SLICES):
            elements, sop = slice_elements(index, study, series, frame)
            info = zipfile.ZipInfo("%s/IM%04d.dcm" % (FOLDER, index + 1), (2024, 1, 1, 9, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o644 << 16
            out.writestr(info, dicom_file(elements, sop))
    os.replace(temporary, archive)


if __name__ == "__main__":
    main()
