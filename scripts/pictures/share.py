"""Pictures of the framed picture scene: its back button and the share button."""

import os

import style


def draw(root):
    folder = os.path.join(root, "UIRes", "bkScene")
    for state in ("normal", "pressed"):
        style.button(48, 48, state, radius=8, icon_name="back", icon_size=26).save(
            os.path.join(folder, "back_%s.png" % state))
    # The share button sits in the top right corner of the window, inside the 60-point title bar.
    style.icon_picture("share", 52, color=style.ACCENT).save(
        os.path.join(root, "imgs", "shareBlue.png"))
