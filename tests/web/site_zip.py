#!/usr/bin/python3
"""The release's zip of the site, read back by Python's zipfile (which follows the format, as
Windows' own reader does): every file comes out under its own name, the designs' Japanese names
included, with the bytes that went in; the single file is inside, and what index.html says
when opened from disk names only files the zip holds.

usage: site_zip.py SITE
"""
import os
import re
import subprocess
import sys
import tempfile
import zipfile

site = sys.argv[1]
here = os.path.dirname(os.path.abspath(__file__))
with tempfile.TemporaryDirectory() as work:
    out = os.path.join(work, "site.zip")
    subprocess.run([sys.executable, os.path.join(here, "../../tools/zip_site.py"), site, out],
                   check=True)
    with zipfile.ZipFile(out) as z:
        names = z.namelist()
        designs = [n for n in names if n.startswith("data/designs/") and n.endswith(".ini")]
        assert "data/designs/シンプル.ini" in designs, names
        assert "bidquill.html" in names and "index.html" in names, names
        told = z.read("js/opened_from_disk.js").decode("utf-8")
        for named in re.findall(r"[\w/.-]+\.(?:html|sh)\b", told):
            assert named in names, f"index.html opened from disk sends the seller to {named}"
        for info in z.infolist():
            if not info.filename.isascii():
                assert info.flag_bits & 0x800, f"{info.filename} is not marked UTF-8"
            with open(os.path.join(site, info.filename), "rb") as f:
                assert z.read(info) == f.read(), info.filename
print(f"the site's zip unpacks {len(names)} files under their own names")

# The sizes the README states, read from the site as built (within a sixth).
import gzip

readme = open(os.path.join(here, "..", "..", "README.md"), encoding="utf-8").read()
wasm = open(os.path.join(site, "bidquill.wasm"), "rb").read()
stated_wasm = int(re.search(r"\.wasm of about\s+(\d+) KB gzip-compressed", readme)[1]) * 1000
stated_single = float(re.search(r"single-file edition \(about ([\d.]+) MB\)", readme)[1]) * 1e6
for what, stated, real in [("the .wasm, gzip-compressed", stated_wasm, len(gzip.compress(wasm))),
                           ("the single file", stated_single,
                            os.path.getsize(os.path.join(site, "bidquill.html")))]:
    if abs(real - stated) > stated / 6:
        sys.exit(f"README: {what} is about {stated:.0f} bytes, the build makes {real}")
print("the README's sizes are the build's")
