#!/usr/bin/env bash
# Builds the browser edition and tests it in Debian's chromium (playwright-core from npm),
# against the command-line driver built from the same sources.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/web.sh --no-serve

missing=()
for p in chromium nodejs npm g++ cmake ninja-build; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# nodejs may come from elsewhere than Debian; what counts is that node and npm run.
if command -v node >/dev/null && command -v npm >/dev/null; then
  missing=("${missing[@]/nodejs}")
  missing=("${missing[@]/npm}")
fi
read -r -a missing <<<"${missing[*]}"
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi

# The command-line driver the pages are compared with (no Qt needed).
cmake -S . -B build-cli -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBIDQUILL_GUI=OFF \
  -DBIDQUILL_TESTS=OFF -DBIDQUILL_BENCH=OFF -DBIDQUILL_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build build-cli --target bidquill-cli bidquill_data

cd tests/web
npm ci --no-audit --no-fund --loglevel=error
BIDQUILL_CLI="$PWD/../../build-cli/bin/bidquill-cli" node --test --test-concurrency=1 --test-timeout=120000
