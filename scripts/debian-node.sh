#!/usr/bin/env bash
# Prints the folder of Debian 12's own node (18). Where the node installed is Debian's, that is
# /usr/bin; where another one is (NodeSource's, say), Debian's packages are unpacked into
# build-node/ beside it, without touching what is installed, so the browser tests always run
# with the node a fresh Debian 12 machine has.
set -euo pipefail
cd "$(dirname "$0")/.."
if dpkg-query -W -f='${Version}' nodejs 2>/dev/null | grep -q '+dfsg'; then
  echo /usr/bin
  exit 0
fi
root="$PWD/build-node/root"
if [ ! -x "$root/usr/bin/node" ]; then
  # What Debian's node needs from /usr/share/nodejs; these packages do not need Debian's node.
  scripts/deps.sh node-cjs-module-lexer node-undici node-busboy >&2
  debs=$(mktemp -d)
  chmod 755 "$debs"  # apt downloads as its own user
  for p in nodejs libnode108; do
    version=$(apt-cache madison "$p" | awk -F'|' '/debian\.org/ {gsub(/ /, "", $2); print $2; exit}')
    [ -n "$version" ] || { echo "no Debian version of $p in apt's lists" >&2; exit 1; }
    (cd "$debs" && apt-get download -qq "$p=$version" >&2)
  done
  mkdir -p "$root"
  for deb in "$debs"/*.deb; do dpkg -x "$deb" "$root"; done
  rm -rf "$debs"
fi
echo "$root/usr/bin"
