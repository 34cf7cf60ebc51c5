#!/usr/bin/env python3
"""Packs a folder into a zip archive whose bytes depend only on the names and
contents of its files, so that the same files always give the same archive:

- entries in sorted order, files only (no folder entries);
- every entry dated SOURCE_DATE_EPOCH (UTC; the zip format starts at 1980);
- fixed permissions (0755 for .exe files, 0644 for the rest), made "on Unix";
- deflated at level 9, no comment and no extra fields.

Usage: SOURCE_DATE_EPOCH=<seconds> make_zip.py <archive.zip> <folder>
The entries are named "<folder's name>/<path inside it>".
"""

import os
import sys
import time
import zipfile

FIRST_ZIP_TIME = 315532800  # 1980-01-01 00:00:00 UTC


def main():
    if len(sys.argv) != 3 or "SOURCE_DATE_EPOCH" not in os.environ:
        sys.exit(__doc__)
    archive, folder = sys.argv[1], os.path.abspath(sys.argv[2])
    date_time = time.gmtime(max(int(os.environ["SOURCE_DATE_EPOCH"]), FIRST_ZIP_TIME))[:6]
    parent = os.path.dirname(folder)
    names = []
    for root, _, files in os.walk(folder):
        for name in files:
            names.append(os.path.relpath(os.path.join(root, name), parent).replace(os.sep, "/"))
    with zipfile.ZipFile(archive, "w") as zip_file:
        for name in sorted(names):
            entry = zipfile.ZipInfo(name, date_time)
            entry.create_system = 3
            entry.external_attr = (0o100755 if name.endswith(".exe") else 0o100644) << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            with open(os.path.join(parent, name), "rb") as source:
                zip_file.writestr(entry, source.read(), compresslevel=9)


if __name__ == "__main__":
    main()
