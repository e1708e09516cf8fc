"""Pictures of the account screen: its panel background, its main button and the blue button
of the code request and the register link."""

import os

import style


def draw(root):
    folder = os.path.join(root, "UIRes", "login")
    panel = style.Canvas(600, 520)
    panel.vertical_gradient(style.SURFACE_RAISED, style.SURFACE)
    panel.rect(0, 0, 600, 1, style.BORDER)
    panel.save(os.path.join(folder, "bk.png"))
    for state in ("normal", "pressed"):
        style.button(600, 70, state, radius=10).save(
            os.path.join(folder, "button_%s.png" % state))
    blue = style.Canvas(60, 60)
    blue.rounded_rect(0.5, 0.5, 59.5, 59.5, 8, style.rgba(style.ACCENT))
    blue.save(os.path.join(root, "UIRes", "blueBtn.png"))
