#!/usr/bin/python3
"""Sentences sellers write with "<" and ">", typed into a body and read back the way a browser
reads the page (html5lib follows the WHATWG parsing rules): where the browser drops typed
text the checks must say so, where it does not they must not, and after the mend the browser
shows exactly what was typed.

usage: browser_reading.py BIDQUILL-CLI TEMPLATE-DIR WORK-DIR
"""
import os
import shutil
import subprocess
import sys

import html5lib

# Plain sentences: the browser must show them as typed.
SENTENCES = [
    "A<B、価格は1,000円以下 <重要>",
    "サイズ：幅<30cm、高さ>20cm",
    "<新品・未使用>",
    "<<送料無料>>",
    "【注意】<ノークレーム・ノーリターン>でお願いします",
    "状態ランク：S>A>B>C",
    "1<2<3",
    "x<y かつ y>z",
    "if a<b and c>d",
    "<重要> 落札後24時間以内にご連絡ください",
    "</重要>",
    "Tシャツ<M>サイズ",
    "型番<ABC-123>",
    "ランク<A>（美品）",
    "サイズ<S> <M> <L>",
    "価格<5,000円>",
    "→ <-- 矢印 -->",
    "a</>b",
    "<!重要!>",
    "<?>",
    "付属品<箱・説明書>",
    "<STRONG>の文字は強調です",
    "B<A 程度の小傷",
    "最後に <q",
    "最後に </",
    "最後に <!",
    "容量<1TB>（HDD）",
    "<b 太字にならない",
    "Win<Mac>Linux",
]

# A body of hundreds of kilobytes of "<" (and of "<x>"): browsers show every "<" of the first;
# the second must be found and mended whole, quickly.
HUGE = ["<" * (256 * 1024), "<x>" * (40 * 1024)]

# Sentences with markup the seller meant, and what the browser must show after the mend.
MEANT = [
    ("<b>太字</b>と 1<2", "太字と 1<2"),
    ("<font color=red>赤</font> A<B", "赤 A<B"),
    ("色<x> <span style=\"color:red\">赤</span>", "色<x> 赤"),
    ("<!-- メモ -->本文 <S>", "本文 <S>"),
]

HIDDEN = {"script", "style", "title", "template", "noscript", "head", "noembed", "noframes"}


def shown_text(page):
    root = html5lib.parse(page, namespaceHTMLElements=False)
    out = []
    # Depth first without recursion: unknown elements left open nest as deep as they are many.
    stack = [(root, False)]
    while stack:
        el, done = stack.pop()
        if done:
            if el.tail:
                out.append(el.tail)
            continue
        stack.append((el, True))
        if isinstance(el.tag, str) and el.tag not in HIDDEN:  # not a comment, not hidden
            if el.text:
                out.append(el.text)
            for child in reversed(list(el)):
                stack.append((child, False))
    return "".join(out)


def between_markers(text):
    b = text.find("QQB")
    e = text.find("QQE", b)
    return None if b < 0 or e < 0 else text[b + 3:e]


def quoted(s):
    return '"' + s.replace("\\", "\\\\").replace('"', '\\"') + '"'


def run(cli, work, lines):
    script = os.path.join(work, "s.script")
    with open(script, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")
    env = dict(os.environ, XDG_RUNTIME_DIR=os.path.join(work, "run"))
    r = subprocess.run([cli, "run", "--app-folder", work, script], capture_output=True,
                       env=env, cwd=work)
    if r.returncode != 0:
        raise SystemExit("script failed: %s\n%s" % (lines, r.stderr.decode()))
    return r.stdout.decode("utf-8")


def main():
    cli, templates, work = sys.argv[1:4]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(os.path.join(work, "data"))
    shutil.copytree(templates, os.path.join(work, "data", "tag"))
    failures = []
    cases = [(s, s) for s in SENTENCES + HUGE] + MEANT
    for typed, expected in cases:
        typing = ["type txtEdit1 " + quoted("QQB" + typed + "QQE")]
        mend = typing + ["click cmdPreview", "fix"]
        before = between_markers(shown_text(run(cli, work, typing + ["print txtTag"])))
        found = run(cli, work, typing + ["print checks"])
        lost = "表示されません" in found
        if (before != expected) != lost:
            failures.append("%r: the browser shows %r, the checks say:\n%s"
                            % (typed[:60], (before or "")[:60], found[:500]))
        after = between_markers(shown_text(run(cli, work, mend + ["print txtTag"])))
        if after != expected:
            failures.append("%r: after the mend the browser shows %r" % (typed[:60], (after or "")[:60]))
        found = run(cli, work, mend + ["print checks"])
        if "表示されません" in found:
            failures.append("%r: after the mend the checks still say:\n%s" % (typed[:60], found[:500]))
    for f in failures:
        print(f)
    print("%d sentences, %d failures" % (len(cases), len(failures)))
    shutil.rmtree(work, ignore_errors=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
