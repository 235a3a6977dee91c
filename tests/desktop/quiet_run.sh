#!/bin/bash
# A run of the window, started where the session gives no runtime folder (XDG_RUNTIME_DIR), as
# from cron or a bare terminal: it prints nothing that is not the program's and leaves nothing
# in the temporary folder (no /tmp/runtime-USER), nor in the home but its page files, which stay
# in its page folder (~/.cache/bidquill) as in a session's runtime folder. usage: quiet_run.sh BIDQUILL
set -eu
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/home" "$scratch/tmp"
# As root the program would say (in Japanese) that it turns the sandbox off; set, it need not.
env -u XDG_RUNTIME_DIR HOME="$scratch/home" TMPDIR="$scratch/tmp" QTWEBENGINE_DISABLE_SANDBOX=1 \
  QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu "$1" --first-preview >"$scratch/out" 2>"$scratch/err"
grep -q '^first preview:' "$scratch/out" || { echo "no first preview:"; cat "$scratch/out"; exit 1; }
if [ -s "$scratch/err" ]; then
  echo "the run printed on stderr:"
  cat "$scratch/err"
  exit 1
fi
pages="$scratch/home/.cache/bidquill"
left=$(find "$scratch/home" "$scratch/tmp" -mindepth 1 ! -path "$scratch/home/.cache" \
  ! -path "$pages" ! -path "$pages/*.htm")
[ -z "$left" ] || { echo "the run left behind:"; echo "$left"; exit 1; }
echo "the run printed only its own and left nothing but its pages"
