#!/bin/sh
# Runs a desktop test under a window manager on the current X display (openbox, when installed),
# so that windows get frames, focus and activation as on a person's desktop.
#
# Usage: with_window_manager.sh PROGRAM [ARGS...]
set -eu
wm=""
if command -v openbox >/dev/null 2>&1; then
    openbox --sm-disable >/dev/null 2>&1 &
    wm=$!
    # Until it manages the screen (it sets its supporting window), at most about two seconds.
    tries=0
    while [ $tries -lt 20 ] && ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; do
        sleep 0.1
        tries=$((tries + 1))
    done
fi
status=0
"$@" || status=$?
if [ -n "$wm" ]; then
    kill "$wm" 2>/dev/null || true
    wait "$wm" 2>/dev/null || true
fi
exit $status
