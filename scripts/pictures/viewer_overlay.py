"""The cine buttons of a viewer's corner overlay: play, pause, previous and next.

They sit over the image itself, so each glyph lies on a translucent dark disc that keeps it
legible over bright and dark pixels alike."""

import os

import style

SIZE = 48


def _button(root, name, draw_glyph):
    canvas = style.Canvas(SIZE, SIZE)
    centre = SIZE / 2.0
    canvas.circle(centre, centre, SIZE / 2.0 - 1.0, style.rgba(style.BACKGROUND, 170))
    canvas.ring(centre, centre, SIZE / 2.0 - 1.5, 1.0, style.rgba(style.BORDER, 220))
    draw_glyph(canvas, centre, SIZE / 2.0)
    folder = os.path.join(root, "imageSDK")
    os.makedirs(folder, exist_ok=True)
    canvas.save(os.path.join(folder, name))


def _play(c, m, r):
    c.polygon([(m - r * 0.3, m - r * 0.45), (m + r * 0.45, m), (m - r * 0.3, m + r * 0.45)],
              style.TEXT)


def _pause(c, m, r):
    for x in (m - r * 0.28, m + r * 0.12):
        c.rounded_rect(x, m - r * 0.42, x + r * 0.16, m + r * 0.42, 1.5, style.TEXT)


def _step(direction):
    # A bar and a triangle pointing away from it: one frame back or ahead.
    def draw(c, m, r):
        tip = m + direction * r * 0.42
        base = m - direction * r * 0.18
        c.polygon([(base, m - r * 0.4), (tip, m), (base, m + r * 0.4)], style.TEXT)
        bar = m - direction * r * 0.42
        c.rounded_rect(min(bar, bar + direction * r * 0.14), m - r * 0.4,
                       max(bar, bar + direction * r * 0.14), m + r * 0.4, 1.0, style.TEXT)

    return draw


def draw(root):
    _button(root, "play.png", _play)
    _button(root, "pause.png", _pause)
    _button(root, "leftArrow.png", _step(-1))
    _button(root, "rightArrow.png", _step(1))
