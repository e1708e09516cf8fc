"""Pictures of the data-folder chooser: button faces and the back button."""

import os

import style


def draw(root):
    folder = os.path.join(root, "UIRes", "choosePath")
    for state in ("normal", "pressed", "disabled"):
        style.button(48, 48, state, radius=8).save(
            os.path.join(folder, "button_%s.png" % state))
        style.button(56, 56, state, radius=10, icon_name="back", icon_size=26).save(
            os.path.join(folder, "back_%s.png" % state))
    style.panel(48, 48, radius=10).save(os.path.join(folder, "panel.png"))
