#!/usr/bin/python3
"""Zips the browser edition's site: every file under SITE, in name order, with fixed times (the same bytes from the same files). Names are marked
UTF-8 as the zip format says (Python sets the flag for any name beyond ASCII), so the designs'
Japanese names unpack as they are everywhere; Info-ZIP leaves them unmarked, and readers that
follow the format, Windows' own among them, take them for code page 437 or 932.

The single-file edition (bidquill.html) is inside too: a seller who unzips the download on
Windows double-clicks it (index.html, opened from disk, says so), and a static host serves the
rest.

usage: zip_site.py SITE OUT.zip
"""
import os
import sys
import zipfile

site, out = sys.argv[1:3]
names = []
for folder, _, files in os.walk(site):
    for f in files:
        names.append(os.path.relpath(os.path.join(folder, f), site))
with zipfile.ZipFile(out + ".tmp", "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
    for name in sorted(names):
        info = zipfile.ZipInfo(name.replace(os.sep, "/"), date_time=(2026, 1, 1, 0, 0, 0))
        info.external_attr = 0o644 << 16
        info.compress_type = zipfile.ZIP_DEFLATED
        with open(os.path.join(site, name), "rb") as f:
            z.writestr(info, f.read())
os.replace(out + ".tmp", out)
