"""Palette and drawing helpers shared by every picture module under scripts/pictures/.

How pictures reach the program: nothing drawn here is committed. At build time
scripts/pictures/make_pictures.py imports every other module of this folder and calls its
`draw(root)` with the build's resource copy (share/brimvale/resources/ in the build folder); the
module writes its PNG files below that root at the paths the screens load (for example
root + "/UIRes/home/add.png"), always through `Canvas.save`. The install copies the build's
resource copy, so installed programs get the same files. A picture must not share its path
with a file under resources/ in the source tree; make_pictures.py refuses such a clash.

Look: a dark, quiet surface that leaves the images the brightest thing on screen; one accent
blue for what can be pressed or is selected; rounded rectangles, circles and strokes of even
weight; no text in pictures (labels carry the words, in the user's language).

Drawing is pure Python (no PIL): every shape is a signed distance, and a pixel takes the shape's
colour with the coverage clamp(0.5 - distance, 0, 1), which gives smooth edges in one sample per
pixel. Shapes are visited only over their bounding box, so large flat pictures stay cheap.
"""

import math
import os
import struct
import zlib

# Palette: RGB triples; `rgba` adds the alpha.
BACKGROUND = (18, 21, 26)  # window and viewer backdrop
SURFACE = (27, 32, 39)  # panels, lists
SURFACE_RAISED = (37, 44, 53)  # buttons, rows under the pointer, dialogs
BORDER = (56, 66, 78)  # hairlines, outlines
TEXT = (228, 233, 238)  # primary glyphs
TEXT_DIM = (146, 156, 168)  # secondary glyphs, disabled look
ACCENT = (63, 167, 214)  # pressable, selected
ACCENT_PRESSED = (42, 124, 164)
SUCCESS = (82, 178, 118)
WARNING = (232, 170, 62)
DANGER = (212, 82, 70)

# The pressed variant of a picture is drawn with the same shapes in these colours.
STATES = {
    "normal": {"fill": SURFACE_RAISED, "glyph": TEXT, "edge": BORDER},
    "pressed": {"fill": ACCENT_PRESSED, "glyph": TEXT, "edge": ACCENT},
    "selected": {"fill": ACCENT, "glyph": (255, 255, 255), "edge": ACCENT},
    "disabled": {"fill": SURFACE, "glyph": TEXT_DIM, "edge": BORDER},
}

saved_paths = []  # every file written through Canvas.save, for make_pictures.py


def rgba(color, alpha=255):
    """An (r, g, b) or (r, g, b, a) colour as (r, g, b, a); `alpha` scales an existing alpha."""
    if len(color) == 4:
        return (color[0], color[1], color[2], color[3] * alpha // 255)
    return (color[0], color[1], color[2], alpha)


def mix(a, b, t):
    """The colour t of the way from a to b (RGB or RGBA, same length)."""
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def write_png(path, width, height, data):
    """Writes 8-bit RGBA rows (bytes of width * height * 4) as a PNG file."""
    raw = bytearray()
    stride = width * 4
    for y in range(height):
        raw.append(0)
        raw.extend(data[y * stride:(y + 1) * stride])

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(
            ">I", zlib.crc32(kind + body))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    folder = os.path.dirname(path)
    if folder:
        os.makedirs(folder, exist_ok=True)
    temporary = path + ".tmp"
    with open(temporary, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", header))
        out.write(chunk(b"IDAT", zlib.compress(bytes(raw), 9)))
        out.write(chunk(b"IEND", b""))
    os.replace(temporary, path)


def _coverage(distance):
    if distance <= -0.5:
        return 1.0
    if distance >= 0.5:
        return 0.0
    return 0.5 - distance


class Canvas:
    """An RGBA picture in straight (not premultiplied) alpha, drawn with source-over blending.
    Coordinates are in pixels; pixel (x, y) covers [x, x + 1) x [y, y + 1)."""

    def __init__(self, width, height, background=(0, 0, 0, 0)):
        self.width = width
        self.height = height
        self.data = bytearray(bytes(rgba(background)) * (width * height))

    # Blending

    def blend(self, x, y, color, coverage=1.0):
        """Lays `color` (RGBA) over pixel (x, y) with the given coverage (0..1)."""
        if coverage <= 0.0 or not (0 <= x < self.width and 0 <= y < self.height):
            return
        i = (y * self.width + x) * 4
        src_a = color[3] / 255.0 * min(coverage, 1.0)
        if src_a <= 0.0:
            return
        d = self.data
        dst_a = d[i + 3] / 255.0
        out_a = src_a + dst_a * (1.0 - src_a)
        for c in range(3):
            value = (color[c] * src_a + d[i + c] * dst_a * (1.0 - src_a)) / out_a
            d[i + c] = int(value + 0.5)
        d[i + 3] = int(out_a * 255.0 + 0.5)

    def shape(self, distance, bounds, color):
        """Fills the shape whose signed distance (negative inside) is distance(px, py), visiting
        the pixels of bounds = (left, top, right, bottom)."""
        color = rgba(color)
        left = max(0, int(math.floor(bounds[0] - 1)))
        top = max(0, int(math.floor(bounds[1] - 1)))
        right = min(self.width, int(math.ceil(bounds[2] + 1)))
        bottom = min(self.height, int(math.ceil(bounds[3] + 1)))
        for y in range(top, bottom):
            py = y + 0.5
            for x in range(left, right):
                cover = _coverage(distance(x + 0.5, py))
                if cover > 0.0:
                    self.blend(x, y, color, cover)

    # Shapes

    def fill(self, color):
        """Paints every pixel with `color`, replacing what was there."""
        self.data[:] = bytes(rgba(color)) * (self.width * self.height)

    def rect(self, left, top, right, bottom, color):
        self.rounded_rect(left, top, right, bottom, 0, color)

    def rounded_rect(self, left, top, right, bottom, radius, color, outline=None, width=1.0):
        """A rectangle with corners of `radius`; with `outline`, also a border of `width`
        drawn inside the edge."""
        cx, cy = (left + right) / 2.0, (top + bottom) / 2.0
        hx, hy = (right - left) / 2.0, (bottom - top) / 2.0
        radius = max(0.0, min(radius, hx, hy))

        def distance(px, py):
            qx = abs(px - cx) - (hx - radius)
            qy = abs(py - cy) - (hy - radius)
            outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
            return outside + min(max(qx, qy), 0.0) - radius

        bounds = (left, top, right, bottom)
        if outline is None:
            self.shape(distance, bounds, color)
            return
        if color is not None:
            # The fill reaches under half the border, so no seam shows between them.
            self.shape(lambda px, py: distance(px, py) + width * 0.5, bounds, color)
        self.shape(lambda px, py: max(distance(px, py), -(distance(px, py) + width)), bounds,
                   outline)

    def circle(self, cx, cy, radius, color):
        self.shape(lambda px, py: math.hypot(px - cx, py - cy) - radius,
                   (cx - radius, cy - radius, cx + radius, cy + radius), color)

    def ring(self, cx, cy, radius, width, color):
        """A circle's outline of stroke `width` centred on `radius`."""
        outer = radius + width / 2.0
        self.shape(lambda px, py: abs(math.hypot(px - cx, py - cy) - radius) - width / 2.0,
                   (cx - outer, cy - outer, cx + outer, cy + outer), color)

    def arc(self, cx, cy, radius, width, start, end, color):
        """Part of a ring from angle `start` to `end` (degrees, clockwise on screen from the
        positive x axis), with round ends."""
        a0, a1 = math.radians(start), math.radians(end)
        if a1 < a0:
            a0, a1 = a1, a0
        ends = [(cx + radius * math.cos(a), cy + radius * math.sin(a)) for a in (a0, a1)]

        def distance(px, py):
            angle = math.atan2(py - cy, px - cx)
            while angle < a0:
                angle += 2 * math.pi
            if angle <= a1:
                return abs(math.hypot(px - cx, py - cy) - radius) - width / 2.0
            return min(math.hypot(px - ex, py - ey) for ex, ey in ends) - width / 2.0

        outer = radius + width
        self.shape(distance, (cx - outer, cy - outer, cx + outer, cy + outer), color)

    def line(self, x0, y0, x1, y1, width, color):
        """A stroke of `width` from (x0, y0) to (x1, y1) with round caps."""
        self.polyline([(x0, y0), (x1, y1)], width, color)

    def polyline(self, points, width, color):
        """Connected strokes through `points`, round caps and joins, drawn as one shape (no
        double blending where segments meet)."""
        half = width / 2.0
        segments = list(zip(points, points[1:])) or [(points[0], points[0])]

        def distance(px, py):
            return min(_segment_distance(px, py, a, b) for a, b in segments) - half

        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        self.shape(distance, (min(xs) - half, min(ys) - half, max(xs) + half, max(ys) + half),
                   color)

    def polygon(self, points, color):
        """A filled polygon (even-odd rule), edges anti-aliased."""
        edges = list(zip(points, points[1:] + points[:1]))

        def distance(px, py):
            nearest = min(_segment_distance(px, py, a, b) for a, b in edges)
            inside = False
            for (ax, ay), (bx, by) in edges:
                if (ay > py) != (by > py):
                    if px < ax + (py - ay) * (bx - ax) / (by - ay):
                        inside = not inside
            return -nearest if inside else nearest

        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        self.shape(distance, (min(xs), min(ys), max(xs), max(ys)), color)

    def vertical_gradient(self, top_color, bottom_color):
        """Paints the whole canvas with a top-to-bottom gradient, replacing what was there."""
        for y in range(self.height):
            row = bytes(rgba(mix(rgba(top_color), rgba(bottom_color),
                                 y / max(1, self.height - 1)))) * self.width
            start = y * self.width * 4
            self.data[start:start + len(row)] = row

    def paste(self, other, left, top):
        """Lays another canvas over this one with its top-left corner at (left, top)."""
        for y in range(other.height):
            for x in range(other.width):
                i = (y * other.width + x) * 4
                pixel = other.data[i:i + 4]
                if pixel[3]:
                    self.blend(left + x, top + y, tuple(pixel))

    def save(self, path):
        write_png(path, self.width, self.height, self.data)
        saved_paths.append(os.path.abspath(path))


def _segment_distance(px, py, a, b):
    ax, ay = a
    bx, by = b
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length2))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


# Glyph-like icons: drawn inside a square of `size` centred on (cx, cy), strokes of one weight
# (size / 12, at least 1.5 px) so icons of one size look like one family.

def stroke_width(size):
    return max(1.5, size / 12.0)


def icon(canvas, name, cx, cy, size, color):
    """Draws the icon `name` (one of ICONS) into `canvas`."""
    ICONS[name](canvas, cx, cy, size / 2.0, stroke_width(size), rgba(color))


def _plus(c, x, y, r, w, col):
    c.polyline([(x - r * 0.6, y), (x + r * 0.6, y)], w, col)
    c.polyline([(x, y - r * 0.6), (x, y + r * 0.6)], w, col)


def _close(c, x, y, r, w, col):
    k = r * 0.5
    c.line(x - k, y - k, x + k, y + k, w, col)
    c.line(x - k, y + k, x + k, y - k, w, col)


def _check(c, x, y, r, w, col):
    c.polyline([(x - r * 0.55, y), (x - r * 0.15, y + r * 0.4), (x + r * 0.6, y - r * 0.4)], w,
               col)


def _chevron(dx, dy):
    def draw(c, x, y, r, w, col):
        k = r * 0.35
        tip = (x + dx * k, y + dy * k)
        # The two arms open away from the tip.
        px, py = -dy, dx
        back = (x - dx * k, y - dy * k)
        c.polyline([(back[0] + px * k * 2, back[1] + py * k * 2), tip,
                    (back[0] - px * k * 2, back[1] - py * k * 2)], w, col)

    return draw


def _back(c, x, y, r, w, col):
    c.line(x - r * 0.6, y, x + r * 0.6, y, w, col)
    c.polyline([(x - r * 0.1, y - r * 0.5), (x - r * 0.6, y), (x - r * 0.1, y + r * 0.5)], w,
               col)


def _search(c, x, y, r, w, col):
    c.ring(x - r * 0.15, y - r * 0.15, r * 0.42, w, col)
    c.line(x + r * 0.18, y + r * 0.18, x + r * 0.62, y + r * 0.62, w * 1.2, col)


def _folder(c, x, y, r, w, col):
    c.polyline([(x - r * 0.7, y + r * 0.5), (x - r * 0.7, y - r * 0.5), (x - r * 0.25, y - r * 0.5),
                (x - r * 0.1, y - r * 0.32), (x + r * 0.7, y - r * 0.32), (x + r * 0.7, y + r * 0.5),
                (x - r * 0.7, y + r * 0.5)], w, col)


def _trash(c, x, y, r, w, col):
    c.line(x - r * 0.62, y - r * 0.45, x + r * 0.62, y - r * 0.45, w, col)
    c.polyline([(x - r * 0.18, y - r * 0.45), (x - r * 0.18, y - r * 0.62), (x + r * 0.18, y - r * 0.62),
                (x + r * 0.18, y - r * 0.45)], w, col)
    c.polyline([(x - r * 0.45, y - r * 0.3), (x - r * 0.38, y + r * 0.62), (x + r * 0.38, y + r * 0.62),
                (x + r * 0.45, y - r * 0.3)], w, col)
    c.line(x, y - r * 0.15, x, y + r * 0.42, w * 0.8, col)


def _share(c, x, y, r, w, col):
    # A box open at the top with an arrow leaving it.
    c.polyline([(x - r * 0.3, y - r * 0.1), (x - r * 0.6, y - r * 0.1), (x - r * 0.6, y + r * 0.65),
                (x + r * 0.6, y + r * 0.65), (x + r * 0.6, y - r * 0.1), (x + r * 0.3, y - r * 0.1)],
               w, col)
    c.line(x, y + r * 0.3, x, y - r * 0.7, w, col)
    c.polyline([(x - r * 0.3, y - r * 0.4), (x, y - r * 0.7), (x + r * 0.3, y - r * 0.4)], w, col)


def _download(c, x, y, r, w, col):
    c.line(x, y - r * 0.65, x, y + r * 0.25, w, col)
    c.polyline([(x - r * 0.35, y - r * 0.1), (x, y + r * 0.25), (x + r * 0.35, y - r * 0.1)], w,
               col)
    c.line(x - r * 0.6, y + r * 0.62, x + r * 0.6, y + r * 0.62, w, col)


def _refresh(c, x, y, r, w, col):
    c.arc(x, y, r * 0.55, w, -60, 240, col)
    ex, ey = x + r * 0.55 * math.cos(math.radians(-60)), y + r * 0.55 * math.sin(math.radians(-60))
    c.polygon([(ex - w * 1.4, ey - w * 1.6), (ex + w * 1.6, ey - w * 0.2), (ex - w * 0.6, ey + w * 1.4)],
              col)


def _star(c, x, y, r, w, col):
    points = []
    for i in range(10):
        radius = r * 0.7 if i % 2 == 0 else r * 0.3
        angle = math.radians(-90 + i * 36)
        points.append((x + radius * math.cos(angle), y + radius * math.sin(angle)))
    c.polygon(points, col)


def _user(c, x, y, r, w, col):
    c.ring(x, y - r * 0.25, r * 0.28, w, col)
    c.arc(x, y + r * 0.75, r * 0.55, w, 180, 360, col)


def _info(c, x, y, r, w, col):
    c.ring(x, y, r * 0.7, w, col)
    c.circle(x, y - r * 0.3, w * 0.7, col)
    c.line(x, y - r * 0.05, x, y + r * 0.35, w, col)


def _grid(c, x, y, r, w, col):
    k = r * 0.3
    for gx in (-1, 1):
        for gy in (-1, 1):
            c.rounded_rect(x + gx * k * 1.15 - k * 0.9, y + gy * k * 1.15 - k * 0.9,
                           x + gx * k * 1.15 + k * 0.9, y + gy * k * 1.15 + k * 0.9, w * 0.6, col)


def _menu(c, x, y, r, w, col):
    for dy in (-0.4, 0.0, 0.4):
        c.line(x - r * 0.6, y + r * dy, x + r * 0.6, y + r * dy, w, col)


def _network(c, x, y, r, w, col):
    # Two nodes joined to a third: a DICOM peer.
    c.line(x - r * 0.45, y + r * 0.4, x, y - r * 0.35, w, col)
    c.line(x + r * 0.45, y + r * 0.4, x, y - r * 0.35, w, col)
    for nx, ny in ((x, y - r * 0.4), (x - r * 0.5, y + r * 0.45), (x + r * 0.5, y + r * 0.45)):
        c.circle(nx, ny, r * 0.2, col)


def _play(c, x, y, r, w, col):
    c.polygon([(x - r * 0.35, y - r * 0.5), (x + r * 0.5, y), (x - r * 0.35, y + r * 0.5)], col)


ICONS = {
    "plus": _plus,
    "close": _close,
    "check": _check,
    "chevron_left": _chevron(-1, 0),
    "chevron_right": _chevron(1, 0),
    "chevron_up": _chevron(0, -1),
    "chevron_down": _chevron(0, 1),
    "back": _back,
    "search": _search,
    "folder": _folder,
    "trash": _trash,
    "share": _share,
    "download": _download,
    "refresh": _refresh,
    "star": _star,
    "user": _user,
    "info": _info,
    "grid": _grid,
    "menu": _menu,
    "network": _network,
    "play": _play,
}


# Common compositions

def button(width, height, state="normal", radius=None, icon_name=None, icon_size=None):
    """A rounded button face of `state` (a key of STATES), with an optional centred icon."""
    colours = STATES[state]
    canvas = Canvas(width, height)
    radius = min(width, height) * 0.18 if radius is None else radius
    canvas.rounded_rect(0.5, 0.5, width - 0.5, height - 0.5, radius, colours["fill"],
                        outline=colours["edge"], width=1.0)
    if icon_name:
        size = icon_size or min(width, height) * 0.6
        icon(canvas, icon_name, width / 2.0, height / 2.0, size, colours["glyph"])
    return canvas


def icon_picture(name, size, color=TEXT, background=None, radius=None):
    """A square picture of one icon; with `background`, on a rounded tile of that colour."""
    canvas = Canvas(size, size)
    if background is not None:
        canvas.rounded_rect(0, 0, size, size, size * 0.2 if radius is None else radius,
                            background)
        icon(canvas, name, size / 2.0, size / 2.0, size * 0.6, color)
    else:
        icon(canvas, name, size / 2.0, size / 2.0, size, color)
    return canvas


def badge(diameter, color=DANGER):
    """A filled round badge (count or state marker); labels draw any number over it."""
    canvas = Canvas(diameter, diameter)
    canvas.circle(diameter / 2.0, diameter / 2.0, diameter / 2.0 - 0.5, color)
    return canvas


def panel(width, height, radius=8, color=SURFACE, edge=BORDER):
    """A rounded panel with a hairline edge, for nine-slice backgrounds."""
    canvas = Canvas(width, height)
    canvas.rounded_rect(0.5, 0.5, width - 0.5, height - 0.5, radius, color, outline=edge,
                        width=1.0)
    return canvas
