"""Pictures of the DICOM node screen: its bar and tab button faces, the device marks and the
favourite star of a node row, the retry and delete faces of a task row, the receive mark and the
wordless help shown while no task is listed."""

import os

import style

DEVICE = 40


def _phone(c, x, y, r, w, col, notch):
    c.rounded_rect(x - r * 0.55, y - r, x + r * 0.55, y + r, r * 0.18, None, outline=col,
                   width=w)
    if notch:
        c.line(x - r * 0.18, y - r * 0.78, x + r * 0.18, y - r * 0.78, w, col)
    else:
        c.circle(x, y + r * 0.75, w * 0.8, col)


def _laptop(c, x, y, r, w, col):
    c.rounded_rect(x - r * 0.75, y - r * 0.7, x + r * 0.75, y + r * 0.3, r * 0.08, None,
                   outline=col, width=w)
    c.line(x - r, y + r * 0.55, x + r, y + r * 0.55, w, col)


def _monitor(c, x, y, r, w, col):
    c.rounded_rect(x - r, y - r * 0.75, x + r, y + r * 0.45, r * 0.08, None, outline=col,
                   width=w)
    c.line(x, y + r * 0.45, x, y + r * 0.8, w, col)
    c.line(x - r * 0.45, y + r * 0.85, x + r * 0.45, y + r * 0.85, w, col)


def _device(draw_mark, colour):
    canvas = style.Canvas(DEVICE, DEVICE)
    size = DEVICE * 0.8
    draw_mark(canvas, DEVICE / 2.0, DEVICE / 2.0, size / 2.0, style.stroke_width(size), colour)
    return canvas


def _star(filled):
    canvas = style.Canvas(DEVICE, DEVICE)
    colour = style.WARNING if filled else style.TEXT_DIM
    style.icon(canvas, "star", DEVICE / 2.0, DEVICE / 2.0, DEVICE * 0.8, colour)
    return canvas


def _help():
    """Sending a study from this workstation to another node, without words: a list of studies,
    an arrow, a node receiving, and a progress bar that fills."""
    width, height = 600, 360
    canvas = style.Canvas(width, height)
    canvas.rounded_rect(0.5, 0.5, width - 0.5, height - 0.5, 24, style.SURFACE,
                        outline=style.BORDER, width=1.0)
    for i in range(4):
        top = 70 + i * 44
        canvas.rounded_rect(50, top, 230, top + 32, 6, style.SURFACE_RAISED,
                            outline=style.BORDER, width=1.0)
        canvas.line(64, top + 16, 64 + 90 - i * 12, top + 16, 4,
                    style.ACCENT if i == 1 else style.TEXT_DIM)
    canvas.polyline([(260, 140), (350, 140)], 6, style.ACCENT)
    canvas.polygon([(346, 124), (372, 140), (346, 156)], style.ACCENT)
    _monitor(canvas, 470, 140, 70, 6, style.TEXT_DIM)
    style.icon(canvas, "download", 470, 128, 44, style.ACCENT)
    canvas.rounded_rect(50, 290, 550, 306, 8, style.SURFACE_RAISED)
    canvas.rounded_rect(50, 290, 380, 306, 8, style.SUCCESS)
    return canvas


def draw(root):
    imgs = os.path.join(root, "imgs")
    ui = os.path.join(root, "UIRes", "dcmNode")

    for state in ("normal", "pressed"):
        style.button(48, 48, state, radius=10).save(os.path.join(ui, "button_%s.png" % state))
    style.button(48, 48, "normal", radius=0).save(os.path.join(ui, "tab_normal.png"))
    style.button(48, 48, "pressed", radius=0).save(os.path.join(ui, "tab_pressed.png"))
    style.button(48, 48, "normal", radius=10, icon_name="back", icon_size=26).save(
        os.path.join(ui, "back.png"))
    style.icon_picture("refresh", 44, style.WARNING, background=style.SURFACE_RAISED).save(
        os.path.join(ui, "retry.png"))
    style.icon_picture("network", 96, style.ACCENT).save(os.path.join(ui, "receive.png"))

    grey = style.TEXT_DIM
    _device(lambda c, x, y, r, w, col: _phone(c, x, y, r, w, col, False), grey).save(
        os.path.join(imgs, "device_Android.png"))
    _device(lambda c, x, y, r, w, col: _phone(c, x, y, r, w, col, True), grey).save(
        os.path.join(imgs, "device_iOS.png"))
    _device(_laptop, grey).save(os.path.join(imgs, "device_Mac.png"))
    _device(_monitor, grey).save(os.path.join(imgs, "device_PC.png"))
    _star(True).save(os.path.join(imgs, "favierate.png"))
    _star(False).save(os.path.join(imgs, "favierateNone.png"))

    face = style.button(100, 70, "normal", radius=0)
    style.icon(face, "trash", 50, 35, 36, style.DANGER)
    face.save(os.path.join(imgs, "dcmNode_del.png"))
    _help().save(os.path.join(imgs, "drNodeHelp.png"))
