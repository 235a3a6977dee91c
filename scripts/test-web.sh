#!/usr/bin/env bash
# Builds the browser edition and tests it in Debian's chromium (playwright-core from npm),
# against the command-line driver built from the same sources.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/web.sh --no-serve

# node and npm may come from elsewhere than Debian; Debian's are installed only when missing.
browser_test=(chromium g++ cmake ninja-build webkit2gtk-driver python3-selenium xvfb)
command -v node >/dev/null || browser_test+=(nodejs)
command -v npm >/dev/null || browser_test+=(npm)
scripts/deps.sh "${browser_test[@]}"

# The command-line driver the pages are compared with (no Qt needed).
cmake -S . -B build-cli -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBIDQUILL_GUI=OFF \
  -DBIDQUILL_TESTS=OFF -DBIDQUILL_BENCH=OFF -DBIDQUILL_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build build-cli --target bidquill-cli bidquill_data

# The desktop window's places of its controls, which the layout test compares with the page's
# (the same build as scripts/test.sh, so after it nothing is built again).
scripts/deps.sh
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBIDQUILL_WARNINGS_AS_ERRORS=ON -DBIDQUILL_TESTS=ON >/dev/null
cmake --build build-test --target bidquill_window_places

# The tests run with Debian 12's own node (18), whichever node is installed; npm only fetches.
node_bin=$(scripts/debian-node.sh)
node_lib="$node_bin/../lib/$(gcc -dumpmachine)"

cd tests/web
npm ci --no-audit --no-fund --loglevel=error
echo "Browser tests with node $(LD_LIBRARY_PATH="$node_lib" "$node_bin/node" --version) from $node_bin"
BIDQUILL_CLI="$PWD/../../build-cli/bin/bidquill-cli" \
  BIDQUILL_WINDOW_PLACES="$PWD/../../build-test/bin/bidquill_window_places" LD_LIBRARY_PATH="$node_lib" \
  "$node_bin/node" --test web.test.mjs phone.test.mjs accessibility.test.mjs

# The release's zip of the site, unpacked by a reader that follows the zip format.
python3 site_zip.py ../../build-web/site

# The phone layout in WebKit too (Safari's engine), driven by Debian's WebKitWebDriver.
BIDQUILL_CLI="$PWD/../../build-cli/bin/bidquill-cli" xvfb-run -a /usr/bin/python3 webkit_phone.py
