#!/usr/bin/env bash
# Builds the Debian package of Bidquill (release build, installed under /usr) into build-deb/.
# Install it with: apt-get install ./build-deb/bidquill_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
# dpkg-shlibdeps computes the package's dependencies from the programs' libraries; lintian
# checks the package as Debian checks packages.
scripts/deps.sh dpkg-dev lintian
# Debian's hardening flags (stack protector, fortified calls, read-only relocations, PIE).
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
export CXXFLAGS="$CXXFLAGS $CPPFLAGS"
cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DBIDQUILL_TESTS=OFF -DBIDQUILL_BENCH=OFF >/dev/null
cmake --build build-deb
(cd build-deb && cpack -G DEB >/dev/null)
deb=$(ls build-deb/bidquill_*.deb)
echo "$deb"
# No error and no warning (root is told it should not run lintian; it may).
status=0
lintian --fail-on error,warning "$deb" >build-deb/lintian.txt 2>&1 || status=$?
grep -v 'running with root privileges' build-deb/lintian.txt || true
exit $status
