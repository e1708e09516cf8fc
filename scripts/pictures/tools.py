"""Pictures of the viewer's tools: the tool disk's face, its page icons and return arrow, the
quick tool strip that sits along the bottom edge of a viewer, and the confirm button of the
window/level entry and the close button of the DICOM tag list.

The disk and the strip lie over the image itself, so their glyphs stand on translucent dark
discs or tiles that keep them legible over bright and dark pixels alike."""

import math
import os

import style

DISK = 340  # the face; the pages' rings (radius 110) lie inside it
PAGE_ICON = 64
STRIP_ICON = 60  # shown at half scale, 30 points apart


def _save(canvas, root, *path):
    target = os.path.join(root, *path)
    os.makedirs(os.path.dirname(target), exist_ok=True)
    canvas.save(target)


def _face():
    c = style.Canvas(DISK, DISK)
    m = DISK / 2.0
    c.circle(m, m, m - 1.0, style.rgba(style.BACKGROUND, 215))
    c.ring(m, m, m - 2.0, 1.5, style.rgba(style.BORDER, 240))
    # The track the buttons sit on, and the hub that leads back to the first page.
    c.ring(m, m, 110.0, 34.0, style.rgba(style.SURFACE_RAISED, 200))
    c.ring(m, m, 52.0, 1.0, style.rgba(style.BORDER, 200))
    return c


def _return_arrow():
    # A U-turn: an arc ending in an arrow head, pointing back to the start.
    size = 96
    c = style.Canvas(size, size)
    m = size / 2.0
    c.circle(m, m, m - 1.0, style.rgba(style.ACCENT, 60))
    c.arc(m, m + 4, 24, 7, 180, 360, style.ACCENT)
    c.line(m + 24, m + 4, m + 24, m + 18, 7, style.ACCENT)
    c.polygon([(m - 38, m + 4), (m - 10, m + 4), (m - 24, m + 24)], style.ACCENT)
    return c


def _tile(size, glyph_colour=style.TEXT):
    c = style.Canvas(size, size)
    m = size / 2.0
    c.circle(m, m, m - 1.0, style.rgba(style.SURFACE_RAISED, 235))
    c.ring(m, m, m - 1.5, 1.0, style.rgba(style.BORDER, 255))
    return c, m, glyph_colour


# Colour tables: stops from low to high values.
CLUTS = {
    "bwInverse": [(255, 255, 255), (0, 0, 0)],
    "hotMetal": [(0, 0, 0), (190, 30, 0), (255, 160, 0), (255, 255, 255)],
    "geColor": [(0, 0, 0), (0, 0, 170), (0, 170, 170), (220, 220, 0), (255, 80, 0),
                (255, 255, 255)],
    "perfusion": [(0, 0, 0), (80, 0, 160), (0, 90, 255), (0, 200, 80), (255, 230, 0),
                  (255, 0, 0)],
    "noClut": [(0, 0, 0), (255, 255, 255)],
}


def _ramp(stops, t):
    t = max(0.0, min(1.0, t)) * (len(stops) - 1)
    i = min(int(t), len(stops) - 2)
    return style.mix(style.rgba(stops[i]), style.rgba(stops[i + 1]), t - i)


def _clut(stops):
    c, m, _ = _tile(PAGE_ICON)
    r = m - 8.0
    # A disc painted with the table from left to right.
    for y in range(PAGE_ICON):
        for x in range(PAGE_ICON):
            d = math.hypot(x + 0.5 - m, y + 0.5 - m) - r
            cover = max(0.0, min(1.0, 0.5 - d))
            if cover > 0.0:
                c.blend(x, y, _ramp(stops, (x + 0.5 - (m - r)) / (2 * r)), cover)
    return c


def _grid(columns, rows):
    c, m, colour = _tile(PAGE_ICON)
    left, top, side = m - 17, m - 17, 34.0
    gap = 3.0
    w = (side - gap * (columns - 1)) / columns
    h = (side - gap * (rows - 1)) / rows
    for i in range(columns):
        for j in range(rows):
            x = left + i * (w + gap)
            y = top + j * (h + gap)
            c.rounded_rect(x, y, x + w, y + h, 2.0, colour)
    return c


def _roi(kind):
    c, m, colour = _tile(PAGE_ICON, style.ACCENT)
    w = 3.0
    if kind == "angle":
        c.polyline([(m + 16, m - 14), (m - 14, m + 14), (m + 18, m + 14)], w, colour)
        c.arc(m - 14, m + 14, 12, 2, -45, 0, colour)
    elif kind == "cross":
        c.line(m - 14, m, m + 14, m, w, colour)
        c.line(m, m - 14, m, m + 14, w, colour)
    elif kind == "polygon":
        points = [(m + 16 * math.cos(a), m + 16 * math.sin(a))
                  for a in (math.radians(d) for d in (-90, -10, 60, 130, 200))]
        c.polyline(points + points[:1], w, colour)
    elif kind == "circle":
        c.ring(m, m, 15, w, colour)
    elif kind == "line":
        c.line(m - 15, m + 13, m + 15, m - 13, w, colour)
        c.circle(m - 15, m + 13, 3.5, colour)
        c.circle(m + 15, m - 13, 3.5, colour)
    elif kind == "label":
        # A tag shape with a text line.
        c.polygon([(m - 18, m - 9), (m + 10, m - 9), (m + 18, m), (m + 10, m + 9), (m - 18, m + 9)],
                  colour)
        c.line(m - 12, m, m + 6, m, 2.5, style.SURFACE_RAISED)
    elif kind == "select":
        c.polygon([(m - 10, m - 16), (m - 10, m + 12), (m - 3, m + 5), (m + 3, m + 16),
                   (m + 7, m + 14), (m + 1, m + 3), (m + 10, m + 3)], colour)
    return c


def _strip(draw_glyph, colour=style.ACCENT):
    c = style.Canvas(STRIP_ICON, STRIP_ICON)
    m = STRIP_ICON / 2.0
    c.rounded_rect(1, 1, STRIP_ICON - 1, STRIP_ICON - 1, 12, style.rgba(style.BACKGROUND, 190),
                   outline=style.rgba(style.BORDER, 230), width=1.5)
    draw_glyph(c, m, colour)
    return c


def _corners(inward):
    # Four corner brackets: pointing out to maximise, in to restore.
    def draw(c, m, colour):
        a, b = 10.0, 19.0
        for sx in (-1, 1):
            for sy in (-1, 1):
                corner = (m + sx * (a if inward else b), m + sy * (a if inward else b))
                tip = (m + sx * (b if inward else a), m + sy * (b if inward else a))
                c.polyline([(corner[0], tip[1]), corner, (tip[0], corner[1])], 4, colour)
                if inward:
                    c.line(corner[0], corner[1], tip[0], tip[1], 4, colour)
    return draw


def _star(c, m, colour):
    style.icon(c, "star", m, m, 36, colour)


def _camera(c, m, colour):
    c.rounded_rect(m - 18, m - 10, m + 18, m + 15, 4, colour)
    c.rounded_rect(m - 7, m - 16, m + 7, m - 9, 2, colour)
    c.circle(m, m + 2, 8.5, style.BACKGROUND)
    c.ring(m, m + 2, 5.5, 2.5, colour)


def _reformat(c, m, colour):
    # Three stacked slices, the top one cut obliquely.
    for i, dy in enumerate((10, 2, -6)):
        c.polygon([(m - 18, m + dy + 4), (m + 6, m + dy + 4), (m + 18, m + dy - 4),
                   (m - 6, m + dy - 4)], style.mix(style.rgba(colour), style.rgba(style.TEXT),
                                                   i * 0.3))
    c.line(m - 16, m - 16, m + 16, m - 10, 3, style.WARNING)


def _info(c, m, colour):
    style.icon(c, "info", m, m, 36, colour)


def _chain(broken):
    def draw(c, m, colour):
        # Two rounded links on the diagonal; a broken chain leaves a gap with two sparks.
        shift = 5.0 if broken else 0.0
        for s in (-1, 1):
            cx, cy = m + s * (8 + shift), m - s * (8 + shift)
            c.rounded_rect(cx - 13, cy - 7, cx + 13, cy + 7, 7, None,
                           outline=colour, width=4)
        if broken:
            c.line(m - 4, m - 12, m - 1, m - 6, 2.5, style.WARNING)
            c.line(m + 4, m + 12, m + 1, m + 6, 2.5, style.WARNING)
        else:
            c.line(m - 7, m + 7, m + 7, m - 7, 4, colour)
    return draw


def draw(root):
    _save(_face(), root, "imgs", "toolDisk", "face.png")
    _save(_return_arrow(), root, "imgs", "return.png")
    for name, stops in CLUTS.items():
        _save(_clut(stops), root, "imgs", "toolDisk", "clut_%s.png" % name)
    for columns, rows in ((1, 1), (1, 2), (2, 1), (2, 2)):
        _save(_grid(columns, rows), root, "imgs", "toolDisk", "grid_%dx%d.png" % (rows, columns))
    for kind in ("angle", "cross", "polygon", "circle", "line", "label", "select"):
        _save(_roi(kind), root, "imgs", "toolDisk", "roi_%s.png" % kind)

    _save(_strip(_corners(False)), root, "res", "fullscreen.png")
    _save(_strip(_corners(True)), root, "res", "fullscreen_exit.png")
    _save(_strip(_star), root, "res", "favoriteBlue.png")
    _save(_strip(_camera), root, "res", "cameraBlue.png")
    _save(_strip(_reformat), root, "res", "reformat.png")
    _save(_strip(_info), root, "res", "dcmInfoBlue.png")
    _save(_strip(_chain(False)), root, "res", "link.png")
    _save(_strip(_chain(True), style.TEXT_DIM), root, "res", "unlink.png")

    for state in ("normal", "pressed"):
        style.button(48, 48, state, radius=8, icon_name="check", icon_size=26).save(
            os.path.join(root, "UIRes", "editWW", "done_%s.png" % state))
        style.button(48, 48, state, radius=8, icon_name="close", icon_size=22).save(
            os.path.join(root, "UIRes", "dcmInfo", "close_%s.png" % state))
