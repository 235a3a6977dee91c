#!/usr/bin/python3
"""Pages on a phone in WebKit (Safari's engine, as Debian's webkit2gtk-driver drives it): the
sample listing in each design and a body of pictures, laid out in a frame as wide as a phone
(the window cannot be that narrow) and as a computer. phone_layout.js says what a buyer would
not want, as it does for chromium.

Usage: xvfb-run -a /usr/bin/python3 webkit_phone.py  (BIDQUILL_CLI names the command-line driver)
"""
import json
import os
import pathlib
import subprocess
import sys

from selenium import webdriver
from selenium.webdriver.webkitgtk.options import Options

here = pathlib.Path(__file__).resolve().parent
root = here.parent.parent
cli = pathlib.Path(os.environ.get("BIDQUILL_CLI", root / "build-cli/bin/bidquill-cli"))
sample = root / "data/sample/listing.ini"
designs = sorted((cli.parent / "data/designs").glob("*.ini"))
photo = "data:image/svg+xml," + "%3Csvg xmlns='http://www.w3.org/2000/svg' width='1200' height='900'%3E%3Crect width='1200' height='900' fill='teal'/%3E%3C/svg%3E"
pictures = "<br>".join(f'<img class=photo src=\\"{photo}\\" {size}>'
                       for size in ["", "width=1200", "height=600", "width=600 height=450"])


def page(script):
    out = subprocess.run([str(cli), "run", "--app-folder", str(cli.parent), "-"],
                         input=(script + "\nprint txtTag\n").encode(), capture_output=True, check=True)
    return out.stdout.decode()


def main():
    options = Options()
    options.binary_location = os.environ.get(
        "MINIBROWSER", "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser")
    options.add_argument("--automation")
    driver = webdriver.WebKitGTK(executable_path="/usr/bin/WebKitWebDriver", options=options)
    layout = (here / "phone_layout.js").read_text()
    listings = {"the sample": f"open {sample}",
                "pictures": f'open {sample}\ntype txtEdit2 "{pictures}"'}
    for d in designs:
        listings[d.name] = f"open {sample}\nopen-design {d}"
    faults = []
    try:
        driver.get("about:blank")
        for name, script in listings.items():
            html = ('<!DOCTYPE html><html><head><meta charset="utf-8"><meta name="viewport" '
                    'content="width=device-width"></head><body>' + page(script) + "</body></html>")
            for width in (320, 375, 1366):
                laid = driver.execute_async_script(
                    """const [html, width, layout, done] = arguments;
                    document.body.innerHTML = '';
                    const frame = document.createElement('iframe');
                    frame.style.cssText = `width:${width}px;height:900px;border:0`;
                    frame.onload = async () => {
                      const doc = frame.contentDocument;
                      await Promise.all([...doc.images].map((i) => i.decode().catch(() => {})));
                      done(eval(layout)(doc, width));
                    };
                    frame.srcdoc = html;
                    document.body.append(frame);""", html, width, layout)
                faults += [f"{name}: {f}" for f in laid["faults"]]
                if name != "pictures" and len(laid["rows"]) < 5:
                    faults.append(f"{name}: {width} px: no sections' table")
    finally:
        driver.quit()
    if faults:
        print("\n".join(faults))
        sys.exit(1)
    print(f"WebKit: {len(listings)} pages at 320, 375 and 1366 px read as they should")


if __name__ == "__main__":
    main()
