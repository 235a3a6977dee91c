#!/usr/bin/python3
"""Makes the gallery's designs (data/designs/*.ini) with the program itself: each design is a
fresh start with its colours, sizes and table layout set as a seller would set them, saved by
bidquill-cli. Run again after changing a design here; the files are committed.

usage: make_designs.py BIDQUILL-CLI OUT-DIR
"""
import os
import shutil
import subprocess
import sys
import tempfile

# Each design is a whole look, not only colours: the title column's width and alignment, the
# sizes, the lines' thickness and colour, the cells' padding, the banner and bold. Every one is
# fitted to the screen, so that it reads on a phone as on a computer.
# name: title back, title text, body back, body text, table lines, shipping lines,
#       title size and body size (list positions: 1 is size 2), bold titles, cell padding,
#       line thickness, title width, title alignment (0 left, 1 centre, 2 right), banner
DESIGNS = {
    "シンプル": ("F2F2F2", "222222", "FFFFFF", "333333", "CCCCCC", "DDDDDD", 1, 1, False, 4,
                 1, 100, 1, True),
    "和風": ("7B2D26", "FFF8E7", "FFF8E7", "3B2A1A", "A88B5C", "C9B48A", 2, 1, True, 5,
             2, 110, 1, True),
    "北欧": ("DCE7EE", "1F3A4D", "FAFAF7", "2F3B45", "9FB6C3", "C5D3DB", 1, 1, True, 6,
             1, 120, 0, True),
    "モノトーン": ("222222", "FFFFFF", "FFFFFF", "111111", "222222", "888888", 1, 1, True, 4,
                   3, 100, 1, False),
    "ビビッド": ("C2185B", "FFFFFF", "FFFBEA", "1B1B3A", "F4A300", "F4A300", 2, 1, True, 5,
                 2, 100, 1, True),
    "大きな文字": ("FFFFFF", "000000", "FFFFFF", "000000", "555555", "555555", 3, 2, True, 8,
                   2, 130, 0, True),
    "ナチュラル": ("E9E2D0", "4A3B2A", "FFFDF8", "3A3026", "C8B99A", "D8CCB0", 1, 1, False, 8,
                   1, 140, 2, True),
    "ネイビー": ("0D3B66", "FFFFFF", "F4F8FB", "102A43", "0D3B66", "9FB3C8", 2, 1, True, 6,
                 4, 90, 0, False),
    "ポップ": ("FFD23F", "3D2C00", "FFFFFF", "2B2B2B", "EE4266", "F7A1B5", 2, 2, True, 5,
               3, 100, 1, True),
}


def colour(code):
    """The colour dialog's number: blue, green, red from the high byte down."""
    r, g, b = int(code[0:2], 16), int(code[2:4], 16), int(code[4:6], 16)
    return b << 16 | g << 8 | r


def script(name, d):
    (title_back, title_text, body_back, body_text, lines, ship_lines, tsize, esize, bold, pad,
     thickness, title_width, title_align, banner) = d
    s = []
    for button, code in (("cmdTBC", title_back), ("cmdTFC", title_text), ("cmdEBC", body_back),
                         ("cmdEFC", body_text), ("cmdColor", lines), ("cmdSendLC", ship_lines)):
        s += [f"dialog colour {colour(code)}", f"click {button}"]
    for i in range(1, 9):
        s += [f"choose cmbT{i}FS {tsize}", f"choose cmbE{i}FS {esize}"]
        if bold:
            s.append(f"click chkT{i}B")
    s += [f"choose cmbCellpadding {pad - 1}", f"choose cmbCellspacing {thickness - 1}",
          f"type txtTW {title_width}", f"click optTA({title_align})", "click chkFit"]
    if not banner:
        s.append("click chkFirst")
    s += [f"dialog file {name}.ini", "click cmdSave"]
    return "\n".join(s) + "\n"


def main():
    cli, out = sys.argv[1], sys.argv[2]
    tags = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "tag")
    with tempfile.TemporaryDirectory(prefix="bidquill-designs-") as work:
        shutil.copytree(tags, os.path.join(work, "data", "tag"))
        env = dict(os.environ, XDG_RUNTIME_DIR=os.path.join(work, "run"))
        for name, d in DESIGNS.items():
            subprocess.run([cli, "run", "--app-folder", work, "-"], input=script(name, d).encode(),
                           cwd=work, env=env, check=True)
            shutil.copy(os.path.join(work, name + ".ini"), os.path.join(out, name + ".ini"))
            print("made", name)


main()
