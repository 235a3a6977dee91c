#!/usr/bin/env python3
"""Makes the single-file edition of the browser page: one bidquill.html with the engine, the
page's scripts, its style and the template and design files inside, which works when opened
from disk (file://), where a browser refuses module scripts and fetches nothing.

  tools/single_file.py SITE OUT.html

SITE is the built site (scripts/web.sh). The page's modules are put into one module script,
each in a function scope of its own (their imports become reads of what earlier ones
returned); the content security policy allows that one script by its hash."""
import base64
import hashlib
import json
import re
import sys
from pathlib import Path

IMPORT = re.compile(r"^import\s*\{([^}]*)\}\s*from\s*'([^']+)';\n", re.M)
DEFAULT_IMPORT = re.compile(r"^import\s+(\w+)\s+from\s*'([^']+)';\n", re.M)
EXPORT = re.compile(r"^export\s+((?:async\s+)?function\*?|class|const|let)\s+(\w+)", re.M)
DEFAULT_EXPORT = re.compile(r"^export\s+default\s+(\w+);\s*$", re.M)


def module_key(importer: str, target: str) -> str:
    """The module's path inside the site, from an import in `importer` (also a site path)."""
    parts = importer.split("/")[:-1]
    for piece in target.split("/"):
        if piece == "..":
            parts.pop()
        elif piece != ".":
            parts.append(piece)
    return "/".join(parts)


def bundle(site: Path, entry: str) -> str:
    order, seen = [], set()

    def visit(key: str) -> None:
        if key in seen:
            return
        seen.add(key)
        text = (site / key).read_text(encoding="utf-8")
        for m in list(IMPORT.finditer(text)) + list(DEFAULT_IMPORT.finditer(text)):
            visit(module_key(key, m.group(2)))
        order.append(key)

    visit(entry)
    out = ["const modules = {};"]
    for key in order:
        text = (site / key).read_text(encoding="utf-8")
        names = [m.group(2) for m in EXPORT.finditer(text)]
        text = EXPORT.sub(lambda m: f"{m.group(1)} {m.group(2)}", text)
        default = DEFAULT_EXPORT.search(text)
        if default:
            text = DEFAULT_EXPORT.sub("", text)
        text = IMPORT.sub(
            lambda m: f"const {{{m.group(1).strip()}}} = modules[{json.dumps(module_key(key, m.group(2)))}];\n",
            text)
        text = DEFAULT_IMPORT.sub(
            lambda m: f"const {m.group(1)} = modules[{json.dumps(module_key(key, m.group(2)))}].default;\n",
            text)
        if re.search(r"^\s*(import|export)\s", text, re.M):
            sys.exit(f"single_file.py: {key} has an import or export this tool does not know")
        exported = ", ".join(names + ([f"default: {default.group(1)}"] if default else []))
        out.append(f"modules[{json.dumps(key)}] = (() => {{\n{text}\nreturn {{ {exported} }};\n}})();")
    return "\n".join(out)


def guide_text(site: Path) -> str:
    """The guide without its pictures (a megabyte the single file would double with): each
    picture becomes its description."""
    guide = (site / "docs" / "guide.html").read_text(encoding="utf-8")
    return re.sub(r'<img src="[^"]*" alt="([^"]*)">',
                  lambda m: f'<p class="note">（図：{m.group(1)}）</p>', guide)


def main() -> None:
    site, out = Path(sys.argv[1]), Path(sys.argv[2])
    page = (site / "index.html").read_text(encoding="utf-8")
    script = bundle(site, "js/app.js")
    carried = {"bidquill.wasm": base64.b64encode((site / "bidquill.wasm").read_bytes()).decode()}
    for f in sorted((site / "data").rglob("*")):
        if f.is_file():
            carried[f.relative_to(site).as_posix()] = base64.b64encode(f.read_bytes()).decode()
    carried["docs/guide.html"] = base64.b64encode(guide_text(site).encode("utf-8")).decode()
    digest = base64.b64encode(hashlib.sha256(script.encode("utf-8")).digest()).decode()
    icon = base64.b64encode((site / "icon.svg").read_bytes()).decode()
    style = (site / "style.css").read_text(encoding="utf-8")

    def replace(old: str, new: str) -> None:
        nonlocal page
        if old not in page:
            sys.exit(f"single_file.py: index.html no longer has {old!r}")
        page = page.replace(old, new)

    replace("script-src 'self' 'wasm-unsafe-eval'", f"script-src 'sha256-{digest}' 'wasm-unsafe-eval'")
    replace('<link rel="icon" href="icon.svg" type="image/svg+xml">',
            f'<link rel="icon" href="data:image/svg+xml;base64,{icon}" type="image/svg+xml">')
    replace('<img src="icon.svg"', f'<img src="data:image/svg+xml;base64,{icon}"')
    replace('<link rel="manifest" href="manifest.webmanifest">\n', "")
    replace('<link rel="stylesheet" href="style.css">', f"<style>\n{style}</style>")
    replace('<script src="js/opened_from_disk.js"></script>\n', "")
    # Data in a script element of another type is not run, so the policy does not concern it.
    files = json.dumps(carried, separators=(",", ":"))
    replace('<script type="module" src="js/app.js"></script>',
            f'<script type="application/json" id="bidquillFiles">{files}</script>\n'
            f'<script type="module">{script}</script>')
    out.write_text(page, encoding="utf-8")


if __name__ == "__main__":
    main()
