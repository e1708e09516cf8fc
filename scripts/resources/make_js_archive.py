#!/usr/bin/env python3
"""Writes "js.zip": the scripts that the program's local web pages (feedback, new-version
notice) load from the unpacked "js" folder.

  make_js_archive.py <archive path>

It holds one small helper script for now; pages that need more add their files to SCRIPTS."""

import os
import sys
import zipfile

SCRIPTS = {
    "common.js": """// Helpers shared by the program's local pages.
(function (global) {
    "use strict";
    // Reads one parameter of the page's query string; "" when absent.
    function queryParameter(name) {
        var pairs = global.location.search.replace(/^\\?/, "").split("&");
        for (var i = 0; i < pairs.length; i++) {
            var pair = pairs[i].split("=");
            if (decodeURIComponent(pair[0]) === name) {
                return pair.length > 1 ? decodeURIComponent(pair[1].replace(/\\+/g, " ")) : "";
            }
        }
        return "";
    }
    global.brimvale = { queryParameter: queryParameter };
})(window);
""",
}


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_js_archive.py <archive path>")
    archive = os.path.abspath(sys.argv[1])
    os.makedirs(os.path.dirname(archive), exist_ok=True)
    temporary = archive + ".tmp"
    with zipfile.ZipFile(temporary, "w", zipfile.ZIP_DEFLATED) as out:
        for name, text in sorted(SCRIPTS.items()):
            info = zipfile.ZipInfo(name, (2024, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o644 << 16
            out.writestr(info, text)
    os.replace(temporary, archive)


if __name__ == "__main__":
    main()
