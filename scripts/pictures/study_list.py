"""Pictures of the study list and the series chooser: title-bar buttons, the multi-selection
box, the open-series arrow, the swipe-menu tools, the hanging-protocol icons of the protocol
list, the new-favourites badge and the patient-filter buttons."""

import os

import style

# Protocol icons: the arrangement of viewer cells each protocol lays out, as (x, y, w, h)
# fractions of the icon's screen area; "vr" marks the volume-rendered cell.
PROTOCOL_CELLS = {
    "2dview": [(0, 0, 1, 1)],
    "browser2d": [(0, 0, 0.5, 0.5), (0.5, 0, 0.5, 0.5), (0, 0.5, 0.5, 0.5),
                  (0.5, 0.5, 0.5, 0.5)],
    "mpr3d": [(0, 0, 0.5, 0.5), (0.5, 0, 0.5, 0.5), (0, 0.5, 0.5, 0.5),
              (0.5, 0.5, 0.5, 0.5, "vr")],
    "mpr": [(0, 0, 0.5, 0.5), (0, 0.5, 0.5, 0.5), (0.5, 0, 0.5, 1)],
    "mpr2": [(0, 0, 1 / 3.0, 1), (1 / 3.0, 0, 1 / 3.0, 1), (2 / 3.0, 0, 1 / 3.0, 1)],
    "2dslice": [(0, 0, 1, 1, "slice")],
    "compare2d": [(0, 0, 0.5, 1), (0.5, 0, 0.5, 1)],
    "compare4d": [(0, 0, 1 / 3.0, 0.5), (1 / 3.0, 0, 1 / 3.0, 0.5), (2 / 3.0, 0, 1 / 3.0, 0.5),
                  (0, 0.5, 1 / 3.0, 0.5), (1 / 3.0, 0.5, 1 / 3.0, 0.5),
                  (2 / 3.0, 0.5, 1 / 3.0, 0.5)],
}


def protocol_icon(cells, width=96, height=60):
    canvas = style.Canvas(width, height)
    canvas.rounded_rect(0.5, 0.5, width - 0.5, height - 0.5, 6, style.SURFACE_RAISED,
                        outline=style.BORDER, width=1.0)
    left, top, w, h = 6.0, 6.0, width - 12.0, height - 12.0
    for cell in cells:
        x, y, cw, ch = cell[:4]
        mark = cell[4] if len(cell) > 4 else None
        x0, y0 = left + x * w + 1.5, top + y * h + 1.5
        x1, y1 = left + (x + cw) * w - 1.5, top + (y + ch) * h - 1.5
        canvas.rounded_rect(x0, y0, x1, y1, 2.5, style.BACKGROUND, outline=style.ACCENT,
                            width=1.2)
        cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
        r = min(x1 - x0, y1 - y0) * 0.28
        if mark == "vr":
            canvas.circle(cx, cy, r, style.ACCENT)
        elif mark == "slice":
            canvas.line(x0 + 4, cy, x1 - 4, cy, 1.4, style.TEXT_DIM)
            canvas.line(cx, y0 + 4, cx, y1 - 4, 1.4, style.TEXT_DIM)
            canvas.ring(cx, cy, r, 1.4, style.TEXT)
        else:
            canvas.ring(cx, cy, r, 1.4, style.TEXT_DIM)
    return canvas


def tool(icon_name, fill, size=100):
    """A swipe-menu tool: a flat tile with its icon in the upper part (the label goes under)."""
    canvas = style.Canvas(size, size, fill + (255,))
    style.icon(canvas, icon_name, size / 2.0, size * 0.4, size * 0.34, style.TEXT)
    return canvas


def check_box(checked, size=28):
    canvas = style.Canvas(size, size)
    fill = style.ACCENT if checked else style.SURFACE_RAISED
    edge = style.ACCENT if checked else style.BORDER
    canvas.rounded_rect(1, 1, size - 1, size - 1, 5, fill, outline=edge, width=1.5)
    return canvas


def check_mark(size=28):
    canvas = style.Canvas(size, size)
    style.icon(canvas, "check", size / 2.0, size / 2.0, size * 0.7, style.TEXT)
    return canvas


def draw(root):
    folder = os.path.join(root, "UIRes", "studyList")
    for state in ("normal", "pressed"):
        style.button(56, 56, state, radius=10, icon_name="back", icon_size=26).save(
            os.path.join(folder, "back_%s.png" % state))
        style.button(56, 56, state, radius=10, icon_name="star", icon_size=28).save(
            os.path.join(folder, "favorite_%s.png" % state))
        style.button(120, 44, state, radius=8).save(
            os.path.join(folder, "action_%s.png" % state))
    check_box(False).save(os.path.join(folder, "check_off.png"))
    check_mark().save(os.path.join(folder, "check_on.png"))
    style.icon_picture("chevron_right", 28, color=style.TEXT_DIM).save(
        os.path.join(folder, "open.png"))
    tool("trash", style.DANGER).save(os.path.join(folder, "tool_del.png"))
    tool("network", style.ACCENT_PRESSED).save(os.path.join(folder, "tool_send.png"))
    tool("share", style.SURFACE_RAISED).save(os.path.join(folder, "tool_share.png"))
    style.panel(48, 48, radius=8).save(os.path.join(folder, "panel.png"))
    for name, cells in PROTOCOL_CELLS.items():
        protocol_icon(cells).save(os.path.join(root, "protocal", name + ".png"))
    style.badge(12).save(os.path.join(root, "imgs", "newFiles.png"))
    style.button(40, 40, "normal", radius=8, icon_name="search", icon_size=20).save(
        os.path.join(root, "imgs", "filter.png"))
    style.button(40, 40, "selected", radius=8, icon_name="close", icon_size=18).save(
        os.path.join(root, "imgs", "removefilter.png"))
