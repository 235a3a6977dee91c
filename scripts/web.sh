#!/usr/bin/env bash
# Builds the browser edition into build-web/site (static files only) and serves it on
# http://127.0.0.1:${PORT:-8080}/. With --no-serve it only builds.
set -euo pipefail
cd "$(dirname "$0")/.."
serve=1
[ "${1:-}" = "--no-serve" ] && serve=0

scripts/deps.sh emscripten node-acorn cmake ninja-build python3
# emscripten's optimiser needs Debian's acorn, whichever node runs it.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
# Its cache lives under the home folder when the system's is not ours to write.
[ -w /usr/share/emscripten/cache ] || export EM_CACHE="${XDG_CACHE_HOME:-$HOME/.cache}/emscripten"

emcmake cmake -S . -B build-web -G Ninja -DCMAKE_BUILD_TYPE=Release -DBIDQUILL_GUI=OFF \
  -DBIDQUILL_TESTS=OFF -DBIDQUILL_BENCH=OFF -DBIDQUILL_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build build-web --target bidquill_web

site=build-web/site
rm -rf "$site"
mkdir -p "$site/data/tag" "$site/data/designs" "$site/docs"
cp -r web/index.html web/style.css web/manifest.webmanifest web/js "$site/"
cp build-web/bin/bidquill.mjs build-web/bin/bidquill.wasm "$site/"
cp data/tag/*.tpf "$site/data/tag/"
cp data/designs/*.ini "$site/data/designs/"
# The page cannot list a folder: the designs' names go beside them.
python3 -c 'import json, sys; print(json.dumps(sorted(sys.argv[1:]), ensure_ascii=False))' \
  $(cd data/designs && ls *.ini) >"$site/data/designs/index.json"
cp data/icons/hicolor/scalable/apps/io.github.bidquill.Bidquill.svg "$site/icon.svg"
cp docs/guide.html "$site/docs/" && cp -r docs/screenshots "$site/docs/"

# The single-file edition, which works opened from disk: everything above in one page.
python3 tools/single_file.py "$site" "$site/bidquill.html"

# The offline worker keeps every file of the site (the single file is a download, not a part);
# its version follows their contents.
files=$(cd "$site" && find . -type f ! -name sw.js ! -name bidquill.html | sed 's|^\./||' | sort)
version=$(cd "$site" && echo "$files" | xargs sha256sum | sha256sum | cut -c1-16)
list=$(echo "$files" | sed 's|.*|"&"|' | paste -sd, -)
sed -e "s|__VERSION__|$version|" -e "s|__FILES__|[\"./\",$list]|" web/sw.js >"$site/sw.js"

wasm_gz=$(gzip -9c "$site/bidquill.wasm" | wc -c)
echo "Built $site (bidquill.wasm: $(stat -c %s "$site/bidquill.wasm") bytes, $wasm_gz gzip-compressed)"
if [ $serve -eq 1 ]; then
  port=${PORT:-8080}
  echo "Bidquill: http://127.0.0.1:$port/  (Ctrl+C stops)"
  exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$site"
fi
