#!/usr/bin/python3
"""Spreadsheets as Excel writes them, through `bidquill-cli batch`, checked against what the
program makes one listing at a time: every row's page must be the page `bidquill-cli run` makes
when the same texts are pasted into a fresh start, and the output file must be the input's
bytes record by record with one cell added. The records and cells are read here with Python's
own csv module and a separate record splitter, not with the program's reader.

usage: batch_sheets.py BIDQUILL-CLI TEMPLATE-DIR DATA-DIR WORK-DIR
"""
import csv
import hashlib
import io
import os
import shutil
import subprocess
import sys

CLI, TAGS, DATA, WORK = sys.argv[1:5]

# (file, Python encoding, separator, --map arguments, the text box each mapped header fills)
SHEETS = [
    ("excel-cp932.csv", "cp932", ",", ["欄2 本文=説明", "欄3 本文=状態"],
     {"商品名": "txtEdit1", "説明": "txtEdit2", "状態": "txtEdit3"}),
    ("excel-utf8-bom.csv", "utf-8-sig", ",", ["欄2 本文=説明", "欄3 見出し=状態"],
     {"商品名": "txtEdit1", "説明": "txtEdit2", "状態": "txtTitle3"}),
    ("sheet-copy.tsv", "utf-8", "\t", ["欄2 本文=説明"], {"説明": "txtEdit2"}),
]


def records(raw, sep):
    """Splits the bytes into (record bytes, line end): a line end outside quotes ends one."""
    out, start, quoted, i = [], 0, False, 0
    if raw.startswith(b"\xef\xbb\xbf"):
        start = i = 3
    while i < len(raw):
        c = raw[i:i + 1]
        if c == b'"':
            quoted = not quoted
        elif not quoted and c in (b"\r", b"\n"):
            end = 2 if raw[i:i + 2] == b"\r\n" else 1
            out.append((raw[start:i], raw[i:i + end]))
            start = i = i + end
            continue
        i += 1
    if start < len(raw):
        out.append((raw[start:], b""))
    return out


def quoted(cell, sep, encoding):
    data = cell.encode(encoding, errors="xmlcharrefreplace")
    if any(ch in data for ch in (sep.encode(), b'"', b"\r", b"\n")):
        data = b'"' + data.replace(b'"', b'""') + b'"'
    return data


def script_argument(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"').replace("\r", "\\r").replace(
        "\n", "\\n") + '"'


failures = []


def expect(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what)


os.makedirs(os.path.join(WORK, "data"), exist_ok=True)
shutil.copytree(TAGS, os.path.join(WORK, "data", "tag"), dirs_exist_ok=True)
os.environ["XDG_RUNTIME_DIR"] = os.path.join(WORK, "run")

for name, encoding, sep, maps, boxes in SHEETS:
    source = os.path.join(DATA, name)
    raw = open(source, "rb").read()
    before = hashlib.sha256(raw).hexdigest()
    out = os.path.join(WORK, name + ".out")
    pages = os.path.join(WORK, name + ".pages")
    shutil.rmtree(pages, ignore_errors=True)
    # The pages are named from 管理番号 without being told, as the window names them.
    args = [CLI, "batch", "--app-folder", WORK, source, "-o", out, "--html-dir", pages]
    for m in maps:
        args += ["--map", m]
    batch = subprocess.run(args, capture_output=True)
    report = batch.stdout.decode()
    expect(batch.returncode in (0, 1), f"{name}: batch failed: {batch.stderr.decode()}")
    expect(hashlib.sha256(open(source, "rb").read()).hexdigest() == before,
           f"{name}: the input changed")

    rows = list(csv.reader(io.StringIO(raw.decode(encoding), newline=""), delimiter=sep))
    header = rows[0]
    widest = max(len(r) for r in rows)
    expected = b"\xef\xbb\xbf" if raw.startswith(b"\xef\xbb\xbf") else b""
    findings_seen = False
    for number, ((record, end), row) in enumerate(zip(records(raw, sep), rows), start=1):
        if number == 1:
            value = "説明HTML"
        else:
            cells = dict(zip(header, row))
            fills = {boxes[h]: cells.get(h, "") for h in boxes}
            if not any(v.strip() for v in fills.values()):
                value = ""
            else:
                lines = [f"type {box} \"\"\npaste {box} {script_argument(text)}"
                         for box, text in fills.items()]
                script = "\n".join(lines) + "\nprint txtTag\n"
                run = subprocess.run([CLI, "run", "--app-folder", WORK, "-"],
                                     input=script.encode(), capture_output=True, check=True)
                value = run.stdout.decode()[:-1]
                checks = subprocess.run([CLI, "run", "--app-folder", WORK, "-"],
                                        input=(script.replace("print txtTag", "print checks")).encode(),
                                        capture_output=True, check=True).stdout.decode().strip()
                for finding in filter(None, checks.split("\n")):
                    findings_seen = True
                    expect(f"{number}行目: {finding}" in report or f"全行共通: {finding}" in report,
                           f"{name} row {number}: the report lacks {finding!r}:\n{report}")
                page_file = os.path.join(pages, (cells["管理番号"] or f"行{number}") + ".html")
                expect(os.path.exists(page_file) and
                       open(page_file, "rb").read() == b"\xef\xbb\xbf" + value.encode(),
                       f"{name} row {number}: {page_file} is not the page")
        expected += record + sep.encode() * (widest - len(row) + 1) + \
            quoted(value, sep, "cp932" if encoding == "cp932" else "utf-8") + end
    got = open(out, "rb").read()
    expect(got == expected, f"{name}: the output is not the input with the pages added")
    expect(batch.returncode == (1 if findings_seen else 0),
           f"{name}: exit status {batch.returncode} with findings={findings_seen}")
    expect(not [f for f in os.listdir(pages) if f.startswith(".")],
           f"{name}: the staging folder was left behind")

# Bad input: a clear message naming the row and column, status 2, and nothing written.
BAD = [
    ("番号,本文2\r\n1,\"open\r\n".encode(), "2行目のB列"),
    ("番号,本文2\r\n1,a,余分\r\n".encode(), "2行目のC列"),
    (b"\x00\x01binary", "テキストのファイルではありません"),
    ("番号,本文2\r\n1,一\r\n".encode("utf-16-le"), "バイト順マーク"),
    (b"", "1行目に見出しがありません"),
    ("番号,メモ\r\n1,a\r\n".encode("cp932"), "説明に使う列がありません"),
]
for number, (data, says) in enumerate(BAD):
    source = os.path.join(WORK, f"bad{number}.csv")
    open(source, "wb").write(data)
    out = os.path.join(WORK, f"bad{number}.out")
    pages = os.path.join(WORK, f"bad{number}.pages")
    run = subprocess.run([CLI, "batch", "--app-folder", WORK, source, "-o", out, "--html-dir",
                          pages], capture_output=True)
    error = run.stderr.decode()
    expect(run.returncode == 2 and says in error and "何も書き込んでいません" in error,
           f"bad input {number}: status {run.returncode}, {error!r}")
    expect(not os.path.exists(out) and not (os.path.exists(pages) and os.listdir(pages)),
           f"bad input {number}: something was written")
big = os.path.join(WORK, "big.csv")
with open(big, "wb") as f:
    f.truncate(64 * 1024 * 1024 + 1)
run = subprocess.run([CLI, "batch", "--app-folder", WORK, big, "-o", big + ".out"],
                     capture_output=True)
expect(run.returncode == 2 and "64MB" in run.stderr.decode(), "a file over 64 MB is not refused")

# Headers with characters nobody sees map as their visible words do; a --map that moves what a
# header asked for is told.
unseen = os.path.join(WORK, "unseen.csv")
open(unseen, "wb").write("番号,\u200b本文2\u2060,説明\ufeff\r\n1,一,いち\r\n".encode())
run = subprocess.run([CLI, "batch", "--app-folder", WORK, unseen, "-o", unseen + ".out"],
                     capture_output=True)
expect(run.returncode in (0, 1) and "一" in open(unseen + ".out", encoding="utf-8").read(),
       f"a header with invisible characters lost its column: {run.stderr.decode()}")
run = subprocess.run([CLI, "batch", "--app-folder", WORK, unseen, "-o", unseen + ".out",
                      "--map", "欄2 本文=説明"], capture_output=True)
expect("B列「\u200b本文2\u2060」の見出しは欄2 本文を指しますが" in run.stderr.decode(),
       f"a --map over a header's choice is not told: {run.stderr.decode()}")

if failures:
    sys.exit(f"{len(failures)} failure(s)")
print("every sheet's pages match the pages made one by one")
