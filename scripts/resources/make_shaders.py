#!/usr/bin/env python3
"""Writes shader sources as the Base64 text resources the program loads.

  make_shaders.py <source> <resource> [<source> <resource> ...]

Each readable source (GLSL) is written Base64-encoded, in lines of 76 characters, to the
resource path named after it; the output is the same on every run."""

import base64
import os
import sys


def main(arguments):
    if len(arguments) % 2 != 0 or not arguments:
        sys.exit(__doc__)
    for source, resource in zip(arguments[0::2], arguments[1::2]):
        with open(source, "rb") as f:
            text = base64.encodebytes(f.read())
        os.makedirs(os.path.dirname(resource) or ".", exist_ok=True)
        with open(resource, "wb") as f:
            f.write(text)


if __name__ == "__main__":
    main(sys.argv[1:])
