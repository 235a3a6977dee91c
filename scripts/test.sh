#!/usr/bin/env bash
# Sets up, builds (warnings are errors) and runs every test: engine, command line and desktop.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBIDQUILL_WARNINGS_AS_ERRORS=ON -DBIDQUILL_TESTS=ON >/dev/null
cmake --build build-test
ctest --test-dir build-test --output-on-failure -j2
