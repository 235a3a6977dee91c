#!/usr/bin/env bash
# Puts a release a seller can download into dist/, the version in every name:
#   bidquill-VERSION.html           the single-file browser edition: download, double-click
#   bidquill-web-VERSION.zip        the site: unzip and double-click bidquill.html, or put on a host
#   bidquill_VERSION_amd64.deb      the desktop program for Debian 12
#   SHA256SUMS                      to check the downloads
set -euo pipefail
cd "$(dirname "$0")/.."
version=$(sed -n 's/^project(Bidquill VERSION \([^ ]*\) .*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "release.sh: no version in CMakeLists.txt" >&2; exit 1; }
scripts/deps.sh python3
scripts/web.sh --no-serve
scripts/deb.sh
rm -rf dist
mkdir -p dist
cp build-web/site/bidquill.html "dist/bidquill-$version.html"
# The site with the single file inside; names marked UTF-8.
python3 tools/zip_site.py build-web/site "dist/bidquill-web-$version.zip"
cp build-deb/bidquill_"$version"_*.deb dist/
(cd dist && sha256sum -- * >SHA256SUMS)
ls -l dist
