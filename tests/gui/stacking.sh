#!/bin/sh
# Runs one GUI test under a real X server and window manager (Xvfb and openbox), where window
# stacking and focus are decided as on a seller's desktop. usage: stacking.sh TEST-BINARY TEST
set -eu
display=":$((90 + $$ % 100))"
Xvfb "$display" -screen 0 1366x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $wm $xvfb 2>/dev/null || true' EXIT
export DISPLAY="$display"
for _ in $(seq 50); do xprop -root >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
wm=$!
for _ in $(seq 50); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q '#' && break; sleep 0.1; done
QT_QPA_PLATFORM=xcb BIDQUILL_TEST_WM=openbox "$1" "$2"
