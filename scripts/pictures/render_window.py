"""Backgrounds of the image panels: plain squares that the panel stretches behind the picture.

Image panels stay pure black (or pure white when the user asks for it) so that grey levels read
true; these are the only pictures that leave the palette.
"""

import os

import style


def draw(root):
    for name, color in (("black22.png", (0, 0, 0, 255)), ("white22.png", (255, 255, 255, 255))):
        picture = style.Canvas(22, 22, color)
        picture.save(os.path.join(root, "UIRes", name))
