"""Pictures of the favourites notebook: chat bubbles, the DICOM badge, the speaker frames, the
recording overlay's level frames, the message bar's buttons, the row check box, the swipe
trash button, the default picture and the notebook's backdrop."""

import math
import os

import style

# The notebook's list is the program's dark surface (27, 32, 39) and its glyphs are light:
# note bubbles stand a step above the list, time pills a step below it.
NOTE_BUBBLE = (48, 58, 71)
TIME_BUBBLE = (18, 21, 26)


def _bubble(width, height, radius, color):
    canvas = style.Canvas(width, height)
    canvas.rounded_rect(0, 0, width, height, radius, style.rgba(color))
    return canvas


def _speaker(frame):
    """The speaker with `frame` (1 to 3) sound waves."""
    size = 32
    canvas = style.Canvas(size, size)
    colour = style.rgba(style.ACCENT_PRESSED)
    canvas.rect(5, 12, 10, 20, colour)
    for step in range(4):
        canvas.line(10, 12 - step, 15, 8 - step, 2.0, colour)
        canvas.line(10, 20 + step, 15, 24 + step, 2.0, colour)
    canvas.line(15, 6, 15, 26, 2.0, colour)
    for wave in range(frame):
        radius = 5 + wave * 5
        canvas.arc(16, 16, radius, 2.0, -math.pi / 4, math.pi / 4, colour)
    return canvas


def _record_frame(level):
    """The recording overlay at input level `level` of 14: a microphone and level bars."""
    width, height = 160, 160
    canvas = style.Canvas(width, height)
    canvas.rounded_rect(0, 0, width, height, 16, style.rgba(style.SURFACE_RAISED, 230))
    mic = style.rgba(style.TEXT)
    canvas.rounded_rect(44, 30, 72, 90, 14, mic)
    canvas.arc(58, 72, 26, 3.0, 0.0, math.pi, mic)
    canvas.line(58, 98, 58, 116, 3.0, mic)
    canvas.line(44, 116, 72, 116, 3.0, mic)
    for bar in range(14):
        top = 122 - bar * 7
        colour = style.rgba(style.ACCENT if bar < level else style.BORDER)
        canvas.rect(92, top, 92 + 10 + bar * 3, top + 4, colour)
    return canvas


def _check_box(ticked):
    size = 24
    canvas = style.Canvas(size, size)
    canvas.rounded_rect(1, 1, size - 1, size - 1, 4, style.rgba(style.BACKGROUND),
                        outline=style.rgba(style.TEXT_DIM), width=1.5)
    if ticked:
        canvas.rounded_rect(1, 1, size - 1, size - 1, 4, style.rgba(style.ACCENT))
        style.icon(canvas, "check", size / 2, size / 2, 16, style.rgba((255, 255, 255)))
    return canvas


def draw(root):
    chat = os.path.join(root, "res", "chat")
    imgs = os.path.join(root, "imgs")
    _bubble(16, 8, 3, TIME_BUBBLE).save(os.path.join(chat, "chat_txtbk.png"))
    _bubble(20, 12, 5, NOTE_BUBBLE).save(os.path.join(chat, "chat_msgbk.png"))
    style.icon_picture("grid", 28, color=style.TEXT, background=style.ACCENT, radius=5).save(
        os.path.join(chat, "chat_dicom.png"))
    for frame in (1, 2, 3):
        _speaker(frame).save(os.path.join(chat, "voiceplay%d.png" % frame))
    for level in range(15):
        _record_frame(level).save(os.path.join(chat, "record_animate_%02d.png" % level))

    # The default picture of a row until its own arrives.
    picture = style.Canvas(120, 90)
    picture.rounded_rect(0, 0, 120, 90, 6, style.rgba(style.SURFACE_RAISED))
    style.icon(picture, "grid", 60, 45, 40, style.rgba(style.TEXT_DIM))
    picture.save(os.path.join(root, "res", "sprite.png"))

    # The right side of the notebook before a row is chosen; the engine reads the picture by its
    # content, whatever the name's extension says.
    # Drawn near screen size, so the screen scales it little and the star keeps sharp edges.
    backdrop = style.Canvas(1296, 864, style.rgba(style.BACKGROUND))
    style.icon(backdrop, "star", 648, 432, 220, style.rgba(style.SURFACE_RAISED))
    backdrop.save(os.path.join(chat, "favoritebk.jpg"))

    _check_box(False).save(os.path.join(imgs, "chkNone.png"))
    _check_box(True).save(os.path.join(imgs, "chkDone.png"))
    style.icon_picture("trash", 60, color=(255, 255, 255), background=style.DANGER,
                       radius=8).save(os.path.join(imgs, "trash_small.png"))
    style.Canvas(8, 8).save(os.path.join(imgs, "transparent.png"))

    # The message bar.
    bar = os.path.join(root, "UIRes", "chat")
    style.icon_picture("play", 40, color=style.TEXT, background=style.SURFACE_RAISED,
                       radius=20).save(os.path.join(bar, "voice.png"))
    style.icon_picture("menu", 40, color=style.TEXT, background=style.SURFACE_RAISED,
                       radius=20).save(os.path.join(bar, "text.png"))
    style.icon_picture("chevron_right", 40, color=(255, 255, 255), background=style.ACCENT,
                       radius=20).save(os.path.join(bar, "send.png"))
    for state in ("normal", "pressed"):
        style.button(200, 40, state, radius=8).save(
            os.path.join(bar, "speak_%s.png" % state))
    field = style.Canvas(200, 40)
    field.rounded_rect(0.5, 0.5, 199.5, 39.5, 8, style.rgba(style.BACKGROUND),
                       outline=style.rgba(style.BORDER), width=1.0)
    field.save(os.path.join(bar, "textbk.png"))
    draw_tool_buttons(root)
    for name, icon in (("share", "share"), ("remove", "trash")):
        style.icon_picture(icon, 40, color=style.TEXT, background=style.SURFACE_RAISED,
                           radius=8).save(os.path.join(bar, "%s.png" % name))


def draw_tool_buttons(root):
    """The favourite viewer's tool bar buttons: a face that carries a title."""
    folder = os.path.join(root, "UIRes", "chat")
    for state in ("normal", "pressed"):
        style.button(24, 24, state, radius=6).save(os.path.join(folder, "tool_%s.png" % state))
