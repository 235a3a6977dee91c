#!/usr/bin/env bash
# Builds the Debian package of Bidquill (release build, installed under /usr) into build-deb/.
# Install it with: apt-get install ./build-deb/bidquill_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
# dpkg-shlibdeps computes the package's dependencies from the programs' libraries.
if ! command -v dpkg-shlibdeps >/dev/null; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq dpkg-dev
fi
# Debian's hardening flags (stack protector, fortified calls, read-only relocations, PIE).
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
export CXXFLAGS="$CXXFLAGS $CPPFLAGS"
cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DBIDQUILL_TESTS=OFF -DBIDQUILL_BENCH=OFF >/dev/null
cmake --build build-deb
(cd build-deb && cpack -G DEB >/dev/null)
deb=$(ls build-deb/bidquill_*.deb)
echo "$deb"
# The package as Debian checks packages: no error and no warning.
if command -v lintian >/dev/null; then
  lintian --fail-on error,warning "$deb"
fi
