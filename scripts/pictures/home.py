"""Pictures of the home screen: the top-bar buttons, the filter and Wi-Fi states, the badges,
the row marks and tool panel, the empty-state prompts and the warning circle."""

import os

import style

BAR_BUTTON = 48


def _funnel(c, x, y, r, w, col):
    top = y - r * 0.7
    c.polyline([(x - r * 0.85, top), (x + r * 0.85, top), (x + r * 0.2, y + r * 0.05),
                (x + r * 0.2, y + r * 0.75), (x - r * 0.2, y + r * 0.55),
                (x - r * 0.2, y + r * 0.05), (x - r * 0.85, top)], w, col)


def _wifi(c, x, y, r, w, col):
    base = y + r * 0.7
    for radius in (r * 0.55, r * 1.0, r * 1.45):
        c.arc(x, base, radius, w, 225, 315, col)
    c.circle(x, base, w * 1.1, col)


def _speech(c, x, y, r, w, col):
    # A speech bubble with two lines of text: the feedback page.
    c.polyline([(x - r * 0.35, y + r * 0.45), (x - r * 0.85, y + r * 0.45),
                (x - r * 0.85, y - r * 0.75), (x + r * 0.85, y - r * 0.75),
                (x + r * 0.85, y + r * 0.45), (x + r * 0.05, y + r * 0.45),
                (x - r * 0.35, y + r * 0.9), (x - r * 0.35, y + r * 0.45)], w, col)
    c.line(x - r * 0.5, y - r * 0.35, x + r * 0.5, y - r * 0.35, w * 0.8, col)
    c.line(x - r * 0.5, y + r * 0.05, x + r * 0.2, y + r * 0.05, w * 0.8, col)


def _bar_button(name, draw_icon, colour=None):
    canvas = style.button(BAR_BUTTON, BAR_BUTTON, "normal", radius=10)
    size = BAR_BUTTON * 0.56
    centre = BAR_BUTTON / 2.0
    glyph = style.rgba(colour or style.STATES["normal"]["glyph"])
    if callable(draw_icon):
        draw_icon(canvas, centre, centre, size / 2.0, style.stroke_width(size), glyph)
    else:
        style.icon(canvas, draw_icon, centre, centre, size, glyph)
    return canvas


def _prompt(kind):
    """A wordless picture for the empty library: files arriving on the desktop, or a scanner
    sending to this workstation's DICOM node."""
    width, height = 360, 200
    canvas = style.Canvas(width, height)
    canvas.rounded_rect(0.5, 0.5, width - 0.5, height - 0.5, 18, style.SURFACE,
                        outline=style.BORDER, width=1.0)
    # The workstation: a screen on a foot.
    canvas.rounded_rect(200, 40, 320, 120, 8, style.SURFACE_RAISED, outline=style.BORDER,
                        width=1.5)
    canvas.rect(214, 54, 306, 106, style.BACKGROUND)
    canvas.rect(254, 120, 266, 142, style.BORDER)
    canvas.rounded_rect(228, 142, 292, 150, 3, style.BORDER)
    if kind == "desktop":
        # Files and a folder travelling into the screen.
        for i, (fx, fy) in enumerate(((40, 58), (64, 80), (88, 102))):
            canvas.rounded_rect(fx, fy, fx + 44, fy + 56, 5, style.SURFACE_RAISED,
                                outline=style.TEXT_DIM, width=1.5)
            canvas.line(fx + 10, fy + 20, fx + 34, fy + 20, 2, style.TEXT_DIM)
            canvas.line(fx + 10, fy + 32, fx + 28, fy + 32, 2, style.TEXT_DIM)
        style.icon(canvas, "download", 260, 80, 40, style.ACCENT)
    else:
        # A scanner gantry that sends over the network.
        canvas.ring(86, 92, 46, 14, style.TEXT_DIM)
        canvas.rounded_rect(40, 132, 132, 146, 4, style.TEXT_DIM)
        style.icon(canvas, "network", 260, 80, 44, style.ACCENT)
    canvas.polyline([(150, 92), (188, 92)], 4, style.ACCENT)
    canvas.polygon([(186, 82), (198, 92), (186, 102)], style.ACCENT)
    return canvas


def draw(root):
    imgs = os.path.join(root, "imgs")
    res = os.path.join(root, "res")

    _bar_button("filter", _funnel).save(os.path.join(imgs, "filter.png"))
    removing = _bar_button("removefilter", _funnel, style.ACCENT)
    style.icon(removing, "close", 36, 36, 12, style.DANGER)
    removing.save(os.path.join(imgs, "removefilter.png"))
    _bar_button("wifi", _wifi, style.SUCCESS).save(os.path.join(imgs, "Wi-Fi-Green.png"))
    _bar_button("wifi", _wifi, style.DANGER).save(os.path.join(imgs, "Wi-Fi-Red.png"))
    _bar_button("search", "search").save(os.path.join(imgs, "search.png"))
    _bar_button("logo", "user", style.ACCENT).save(os.path.join(imgs, "logo.png"))
    _bar_button("logout", "user", style.TEXT_DIM).save(os.path.join(imgs, "logout.png"))
    _bar_button("import", "download").save(os.path.join(imgs, "homeImport.png"))
    _bar_button("delete", "trash", style.DANGER).save(os.path.join(imgs, "homeDelete.png"))
    _bar_button("share", "share").save(os.path.join(imgs, "homeShare.png"))
    _bar_button("favourites", "star", style.WARNING).save(os.path.join(imgs, "homeFavorite.png"))
    _bar_button("feedback", _speech).save(os.path.join(imgs, "homeAdvice.png"))

    style.icon_picture("chevron_right", 32, style.TEXT_DIM).save(
        os.path.join(imgs, "homeOpen.png"))
    style.badge(16).save(os.path.join(imgs, "newFiles.png"))
    style.badge(12, style.ACCENT).save(os.path.join(imgs, "homeNewMark.png"))

    # The swipe panel of a row: three square tool faces.
    for name, icon_name, colour in (("del", "trash", style.DANGER), ("send", "network", None),
                                    ("share", "share", None)):
        face = style.button(80, 80, "normal", radius=0)
        style.icon(face, icon_name, 40, 40, 40, colour or style.STATES["normal"]["glyph"])
        face.save(os.path.join(imgs, "homeRow_%s.png" % name))

    _prompt("desktop").save(os.path.join(res, "desktopPrompt.png"))
    _prompt("node").save(os.path.join(res, "dicomNodePrompt.png"))
    style.badge(64).save(os.path.join(res, "redCircle.png"))
