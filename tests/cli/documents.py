#!/usr/bin/env python3
"""The documents state what the programs do: the figures, options and names they give are read
from the programs themselves.
  documents.py CLI APP_FOLDER SOURCE_DIR WORK [GUI]"""
import os
import re
import subprocess
import sys

CLI, APP, SOURCE, WORK = sys.argv[1:5]
GUI = sys.argv[5] if len(sys.argv) > 5 else None
failures = []


def expect(ok, what):
    if not ok:
        failures.append(what)


def options(text):
    return set(re.findall(r"(?<![\w-])--[a-z][a-z-]*", text))


def man_options(path):
    return options(open(path, encoding="utf-8").read().replace("\\-", "-"))


os.makedirs(WORK, exist_ok=True)
os.environ["XDG_RUNTIME_DIR"] = os.path.join(WORK, "run")

# The README's count of what a save writes, against a fresh save.
saved = os.path.join(WORK, "fresh.ini")
subprocess.run([CLI, "run", "--app-folder", APP, "-"], check=True,
               input=f"dialog file {saved}\nsave-as\n".encode())
lines = open(saved, "rb").read().decode("cp932").splitlines()
keys = sum(1 for l in lines if "=" in l and not l.startswith("["))
sections = sum(1 for l in lines if l.startswith("["))
readme = open(os.path.join(SOURCE, "README.md"), encoding="utf-8").read()
stated = re.search(r"\((\d+) keys in (\d+) sections\)", readme)
expect(stated and (int(stated[1]), int(stated[2])) == (keys, sections),
       f"README says {stated and stated[0]}, a save writes {keys} keys in {sections} sections")

# Each manual page names the options its program's --help gives, and no others.
pages = [("bidquill-cli.1", [CLI, "--help"])]
if GUI:
    pages.append(("bidquill.1", [GUI, "--help"]))
for page, command in pages:
    helped = subprocess.run(command, capture_output=True, text=True).stdout
    want = options(helped) - {"--help-all"}
    have = man_options(os.path.join(SOURCE, "packaging", page))
    expect(want == have, f"{page}: --help has {sorted(want - have)} that the page lacks, "
                         f"the page has {sorted(have - want)} that --help lacks")

# The window's pictures in the documents are the ones --screenshots saves.
if GUI:
    helped = subprocess.run([GUI, "--help"], capture_output=True, text=True).stdout
    saves = set(re.findall(r"[a-z-]+\.png", " ".join(helped.split())))
    shown = os.listdir(os.path.join(SOURCE, "docs", "screenshots"))
    # Every picture the README and the guide show is one a program saves: the window's from
    # --screenshots, the browser edition's from tests/web/screenshots.mjs.
    web = open(os.path.join(SOURCE, "tests", "web", "screenshots.mjs"), encoding="utf-8").read()
    for document in ("README.md", os.path.join("docs", "guide.html")):
        text = open(os.path.join(SOURCE, document), encoding="utf-8").read()
        for picture in re.findall(r"screenshots/([\w-]+\.png)", text):
            made = picture in saves or f"'{picture[:-4]}'" in web
            expect(made and picture in shown, f"{document} shows {picture}, which nothing saves")

# "Building by hand" after scripts/run.sh: the same build folder, configured with the tests
# off, must get them back, or its ctest finds none.
run = open(os.path.join(SOURCE, "scripts", "run.sh"), encoding="utf-8").read()
by_hand = readme.split("## Building by hand", 1)[1].split("##", 1)[0]
if re.search(r"-B build .*-DBIDQUILL_TESTS=OFF", run):
    expect(re.search(r"cmake -S \. -B build .*-DBIDQUILL_TESTS=ON", by_hand),
           "README's Building by hand reuses scripts/run.sh's build without its tests")

for f in failures:
    print("documents:", f, file=sys.stderr)
sys.exit(1 if failures else 0)
