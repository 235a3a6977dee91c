#!/usr/bin/env bash
# Sets up, builds and starts Bidquill. Without a display it renders the bundled sample listing
# with the command-line driver instead and says where the page is.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBIDQUILL_TESTS=OFF >/dev/null
cmake --build build
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/bin/bidquill "$@"
fi
out="$PWD/build/sample-listing.html"
build/bin/bidquill-cli render data/sample/listing.ini -o "$out"
echo "No display found: rendered the sample listing to $out"
