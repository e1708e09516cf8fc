"""The add-series button of an empty viewer region: a plus on a translucent disc, centred in
the region until a series is put into it."""

import os

import style

SIZE = 96


def draw(root):
    canvas = style.Canvas(SIZE, SIZE)
    centre = SIZE / 2.0
    canvas.circle(centre, centre, SIZE / 2.0 - 1.0, style.rgba(style.BACKGROUND, 170))
    canvas.ring(centre, centre, SIZE / 2.0 - 2.0, 2.0, style.rgba(style.BORDER, 220))
    arm = SIZE * 0.28
    half = SIZE * 0.05
    canvas.rounded_rect(centre - arm, centre - half, centre + arm, centre + half, 2.0, style.TEXT)
    canvas.rounded_rect(centre - half, centre - arm, centre + half, centre + arm, 2.0, style.TEXT)
    folder = os.path.join(root, "imageSDK")
    os.makedirs(folder, exist_ok=True)
    canvas.save(os.path.join(folder, "addImage.png"))
