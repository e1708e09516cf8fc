"""Pictures of the account screen: its panel background, its entry fields, its main button and
the outlined button of the code request and the register action."""

import os

import style


def draw(root):
    folder = os.path.join(root, "UIRes", "login")
    # The panel is stretched to the shown form's height: only flat colour and hairlines.
    panel = style.Canvas(600, 300, style.rgba(style.SURFACE))
    panel.rect(0, 0, 1, 300, style.BORDER)
    panel.rect(599, 0, 600, 300, style.BORDER)
    panel.rect(0, 299, 600, 300, style.BORDER)
    panel.rect(0, 0, 600, 1, style.BORDER)
    panel.save(os.path.join(folder, "bk.png"))

    field = style.Canvas(40, 40)
    field.rounded_rect(0.5, 0.5, 39.5, 39.5, 6, style.rgba(style.BACKGROUND),
                       outline=style.rgba(style.BORDER), width=1.0)
    field.save(os.path.join(folder, "field.png"))

    for state, fill, edge in (("normal", style.ACCENT, style.ACCENT),
                              ("pressed", style.ACCENT_PRESSED, style.ACCENT)):
        face = style.Canvas(48, 48)
        face.rounded_rect(0.5, 0.5, 47.5, 47.5, 8, style.rgba(fill), outline=style.rgba(edge),
                          width=1.0)
        face.save(os.path.join(folder, "button_%s.png" % state))

    outlined = style.Canvas(30, 30)
    outlined.rounded_rect(0.5, 0.5, 29.5, 29.5, 6, style.rgba(style.SURFACE_RAISED),
                          outline=style.rgba(style.ACCENT), width=1.0)
    outlined.save(os.path.join(root, "UIRes", "blueBtn.png"))
