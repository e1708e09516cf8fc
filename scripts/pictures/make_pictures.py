#!/usr/bin/env python3
"""Draws every picture of the program into a resource folder.

  make_pictures.py <resource root> [<stamp file>]

Imports each module of this folder except style.py and itself, and calls its `draw(root)`. A
module writes its pictures below `root` through style.Canvas.save. The build runs this into its
resource copy; a picture whose path is also a file under the source tree's resources/ is an
error, since the two copies would overwrite each other in the build."""

import importlib
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_RESOURCES = os.path.normpath(os.path.join(HERE, "..", "..", "resources"))


def main():
    if len(sys.argv) < 2:
        sys.exit("usage: make_pictures.py <resource root> [<stamp file>]")
    root = os.path.abspath(sys.argv[1])
    sys.path.insert(0, HERE)
    import style

    names = sorted(name[:-3] for name in os.listdir(HERE)
                   if name.endswith(".py") and name not in ("style.py", "make_pictures.py"))
    for name in names:
        module = importlib.import_module(name)
        module.draw(root)
    clashes = [path for path in style.saved_paths
               if os.path.exists(os.path.join(SOURCE_RESOURCES, os.path.relpath(path, root)))]
    if clashes:
        sys.exit("pictures that are also files under resources/: " + ", ".join(clashes))
    if len(sys.argv) > 2:
        with open(sys.argv[2], "w") as stamp:
            stamp.write("\n".join(sorted(style.saved_paths)) + "\n")


if __name__ == "__main__":
    main()
