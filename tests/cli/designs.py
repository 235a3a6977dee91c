#!/usr/bin/python3
"""The gallery's designs: each is a whole settings file that opens, passes the listing checks,
and draws every text (the sample listing's, read from the page as a browser builds it) at a
contrast of at least 4.5 against the background it stands on (WCAG 2, computed here).

usage: designs.py BIDQUILL-CLI TEMPLATE-DIR DESIGN-DIR SAMPLE.ini WORK-DIR
"""
import glob
import os
import shutil
import subprocess
import sys

import html5lib

CLI, TAGS, DESIGNS, SAMPLE, WORK = sys.argv[1:6]
NS = "{http://www.w3.org/1999/xhtml}"


def luminance(code):
    def channel(v):
        v /= 255
        return v / 12.92 if v <= 0.03928 else ((v + 0.055) / 1.055) ** 2.4
    r, g, b = (int(code.lstrip("#")[i:i + 2], 16) for i in (0, 2, 4))
    return 0.2126 * channel(r) + 0.7152 * channel(g) + 0.0722 * channel(b)


def contrast(a, b):
    la, lb = sorted((luminance(a), luminance(b)), reverse=True)
    return (la + 0.05) / (lb + 0.05)


os.makedirs(os.path.join(WORK, "data"), exist_ok=True)
shutil.copytree(TAGS, os.path.join(WORK, "data", "tag"), dirs_exist_ok=True)
os.environ["XDG_RUNTIME_DIR"] = os.path.join(WORK, "run")
failures = []
designs = sorted(glob.glob(os.path.join(DESIGNS, "*.ini")))
if len(designs) < 6:
    failures.append(f"only {len(designs)} designs")
for design in designs:
    name = os.path.basename(design)
    check = subprocess.run([CLI, "check", "--app-folder", WORK, design], capture_output=True)
    if check.returncode != 0:
        failures.append(f"{name}: the checks found {check.stdout.decode()}{check.stderr.decode()}")
    script = f"dialog file {SAMPLE}\nclick cmdOpen\nopen-design {design}\nprint txtTag\n"
    page = subprocess.run([CLI, "run", "--app-folder", WORK, "-"], input=script.encode(),
                          capture_output=True, check=True).stdout.decode()
    tree = html5lib.parse(page)
    parents = {child: parent for parent in tree.iter() for child in parent}
    pairs = 0
    for font in tree.iter(NS + "font"):
        text = "".join(font.itertext()).strip()
        if not text or not font.get("color"):
            continue
        node, back = font, None
        while node is not None and back is None:
            back = node.get("bgcolor")
            node = parents.get(node)
        if back is None:
            back = "#FFFFFF"
        pairs += 1
        ratio = contrast(font.get("color"), back)
        if ratio < 4.5:
            failures.append(f"{name}: 「{text[:20]}」 {font.get('color')} on {back}: {ratio:.2f}")
    if pairs < 6:
        failures.append(f"{name}: only {pairs} coloured texts found")

for f in failures:
    print("FAIL:", f)
if failures:
    sys.exit(f"{len(failures)} failure(s)")
print(f"{len(designs)} designs open, pass the checks and keep a contrast of 4.5")
