#!/bin/bash
# Runs a command under a real X server and window manager (Xvfb and openbox), where window
# stacking and focus are decided as on a seller's desktop. usage: under_x.sh COMMAND [ARG...]
set -eu
logs=$(mktemp -d)
xvfb="" wm=""
trap 'kill $wm $xvfb 2>/dev/null || true; rm -rf "$logs"' EXIT
# Xvfb picks a free display itself and says which.
Xvfb -displayfd 3 -screen 0 1366x768x24 -nolisten tcp 3>"$logs/display" 2>"$logs/xvfb" &
xvfb=$!
# Both may take a while on a busy machine; the test means nothing without them.
for _ in $(seq 150); do [ -s "$logs/display" ] && break; sleep 0.2; done
[ -s "$logs/display" ] || { echo "Xvfb did not start:" >&2; cat "$logs/xvfb" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$logs/display")"
openbox 2>"$logs/openbox" &
wm=$!
for _ in $(seq 150); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q '#' && break
  sleep 0.2
done
xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q '#' ||
  { echo "openbox did not start on $DISPLAY:" >&2; cat "$logs/openbox" >&2; exit 1; }
QT_QPA_PLATFORM=xcb BIDQUILL_TEST_WM=openbox "$@"
