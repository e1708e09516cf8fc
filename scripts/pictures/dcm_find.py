"""Pictures of the query/retrieve screen: the back, search and download buttons and the
wordless prompt of the empty result list (a workstation asking a remote archive)."""

import os

import style


def _prompt():
    """A magnifier over an archive's rack, and an arrow bringing a series to the workstation."""
    width, height = 360, 180
    canvas = style.Canvas(width, height)
    canvas.rounded_rect(0.5, 0.5, width - 0.5, height - 0.5, 18, style.SURFACE,
                        outline=style.BORDER, width=1.0)
    # The remote archive: a rack of three drawers.
    for i in range(3):
        top = 36 + i * 38
        canvas.rounded_rect(40, top, 130, top + 30, 5, style.SURFACE_RAISED,
                            outline=style.TEXT_DIM, width=1.5)
        canvas.circle(116, top + 15, 4, style.SUCCESS)
        canvas.line(52, top + 15, 92, top + 15, 3, style.TEXT_DIM)
    style.icon(canvas, "search", 136, 58, 52, style.ACCENT)
    # The workstation.
    canvas.rounded_rect(226, 46, 326, 116, 8, style.SURFACE_RAISED, outline=style.BORDER,
                        width=1.5)
    canvas.rect(238, 58, 314, 104, style.BACKGROUND)
    canvas.rect(270, 116, 282, 136, style.BORDER)
    canvas.rounded_rect(248, 136, 304, 144, 3, style.BORDER)
    style.icon(canvas, "download", 276, 81, 30, style.ACCENT)
    canvas.polyline([(160, 110), (206, 110)], 4, style.ACCENT)
    canvas.polygon([(204, 100), (216, 110), (204, 120)], style.ACCENT)
    return canvas


def draw(root):
    folder = os.path.join(root, "UIRes", "dcmFind")
    for state in ("normal", "pressed"):
        style.button(44, 44, state, icon_name="back").save(
            os.path.join(folder, "back_%s.png" % state))
        # Stretched under the button's title.
        style.button(40, 40, "selected" if state == "normal" else "pressed", radius=8).save(
            os.path.join(folder, "search_%s.png" % state))
    # A light glyph, so that the tint of a running download shows.
    style.button(44, 44, "normal", icon_name="download").save(
        os.path.join(folder, "download.png"))
    _prompt().save(os.path.join(folder, "help.png"))
