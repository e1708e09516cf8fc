"""Pictures of the viewer screen: the top bar's buttons, the tool column's button faces and
slider, the window-grid and window/level-curve icons of its menus, the colour-table ramps, the
4D panel's arrows and the message panel."""

import math
import os

import style

# Colour-table ramps: control points (position 0..1, RGB) of each table's look.
CLUT_RAMPS = {
    "bwInverse.png": [(0.0, (255, 255, 255)), (1.0, (0, 0, 0))],
    "hotMetal.png": [(0.0, (0, 0, 0)), (0.4, (190, 30, 0)), (0.75, (255, 190, 0)),
                     (1.0, (255, 255, 255))],
    "geColor.png": [(0.0, (0, 0, 0)), (0.25, (0, 60, 200)), (0.5, (0, 200, 80)),
                    (0.75, (255, 200, 0)), (1.0, (255, 255, 255))],
    "perfusion.png": [(0.0, (0, 0, 0)), (0.2, (80, 0, 160)), (0.4, (0, 0, 255)),
                      (0.6, (0, 230, 0)), (0.8, (255, 255, 0)), (1.0, (255, 0, 0))],
    "noClut.png": [(0.0, (0, 0, 0)), (1.0, (255, 255, 255))],
}

# Window grids of the window menu: rows x columns of regions.
GRIDS = {"app1x1.png": (1, 1), "app1x2.png": (1, 2), "app2x1.png": (2, 1),
         "app1x3.png": (1, 3), "app3x1.png": (3, 1)}


def ramp(points, width=160, height=30):
    canvas = style.Canvas(width, height)
    for x in range(width):
        t = x / float(width - 1)
        for (p0, c0), (p1, c1) in zip(points, points[1:]):
            if p0 <= t <= p1:
                colour = style.mix(style.rgba(c0), style.rgba(c1), (t - p0) / (p1 - p0))
                break
        for y in range(2, height - 2):
            canvas.blend(x, y, colour)
    return canvas


def grid(rows, columns, width=60, height=40):
    canvas = style.Canvas(width, height)
    canvas.rounded_rect(0.5, 0.5, width - 0.5, height - 0.5, 5, style.SURFACE_RAISED,
                        outline=style.BORDER, width=1.0)
    cw = (width - 8.0) / columns
    ch = (height - 8.0) / rows
    for r in range(rows):
        for c in range(columns):
            canvas.rounded_rect(4 + c * cw + 1, 4 + r * ch + 1, 4 + (c + 1) * cw - 1,
                                4 + (r + 1) * ch - 1, 2, style.BACKGROUND,
                                outline=style.ACCENT, width=1.2)
    return canvas


def curve(shape, width=160, height=40):
    canvas = style.Canvas(width, height)
    points = []
    for i in range(41):
        t = i / 40.0
        if shape == "linear":
            v = t
        elif shape == "log":
            v = math.log10(1 + 9 * t)
        else:
            v = (10 ** t - 1) / 9.0
        points.append((8 + t * (width - 16), height - 6 - v * (height - 12)))
    canvas.line(8, height - 6, width - 8, height - 6, 1.0, style.BORDER)
    canvas.polyline(points, 2.5, style.ACCENT)
    return canvas


def draw(root):
    res = os.path.join(root, "res")
    imgs = os.path.join(root, "imgs")
    viewer = os.path.join(root, "UIRes", "viewer")
    style.icon_picture("chevron_down", 32).save(os.path.join(res, "arrowDown.png"))
    style.icon_picture("user", 48, background=style.SURFACE_RAISED).save(
        os.path.join(res, "patient.png"))
    for name, (rows, columns) in GRIDS.items():
        grid(rows, columns).save(os.path.join(res, name))
    for name, points in CLUT_RAMPS.items():
        ramp(points).save(os.path.join(imgs, name))
    curve("linear").save(os.path.join(imgs, "Linear.png"))
    curve("log").save(os.path.join(imgs, "Log10.png"))
    curve("inverse").save(os.path.join(imgs, "Log10Inv.png"))
    style.button(64, 40, "normal", radius=6, icon_name="play", icon_size=20).save(
        os.path.join(imgs, "play.png"))
    pause = style.button(64, 40, "selected", radius=6)
    pause.rect(25, 12, 29, 28, style.TEXT)
    pause.rect(35, 12, 39, 28, style.TEXT)
    pause.save(os.path.join(imgs, "pause.png"))
    for state in ("normal", "pressed"):
        style.button(24, 24, state, radius=6).save(
            os.path.join(viewer, "tool_%s.png" % state))
        style.button(48, 48, state, radius=10, icon_name="back", icon_size=24).save(
            os.path.join(viewer, "back_%s.png" % state))
    style.button(48, 48, "normal", radius=10, icon_name="grid", icon_size=24).save(
        os.path.join(viewer, "toolbox.png"))
    style.button(48, 48, "normal", radius=10, icon_name="star", icon_size=26).save(
        os.path.join(viewer, "favorite.png"))
    separator = style.Canvas(2, 36)
    separator.rect(0, 0, 2, 36, style.BORDER)
    separator.save(os.path.join(viewer, "separator.png"))
    line = style.Canvas(4, 2)
    line.rect(0, 0, 4, 2, style.ACCENT)
    line.save(os.path.join(viewer, "line.png"))
    bar = style.Canvas(12, 6)
    bar.rounded_rect(0, 0, 12, 6, 3, style.BORDER)
    bar.save(os.path.join(viewer, "slider_bar.png"))
    progress = style.Canvas(12, 6)
    progress.rounded_rect(0, 0, 12, 6, 3, style.ACCENT)
    progress.save(os.path.join(viewer, "slider_progress.png"))
    ball = style.Canvas(22, 22)
    ball.circle(11, 11, 10, style.TEXT)
    ball.ring(11, 11, 9, 2, style.ACCENT)
    ball.save(os.path.join(viewer, "slider_ball.png"))
    style.button(40, 40, "normal", radius=8, icon_name="chevron_left", icon_size=20).save(
        os.path.join(viewer, "phase_prior.png"))
    style.button(40, 40, "normal", radius=8, icon_name="chevron_right", icon_size=20).save(
        os.path.join(viewer, "phase_next.png"))
    style.panel(48, 48, radius=10, color=style.SURFACE_RAISED).save(
        os.path.join(viewer, "message.png"))
