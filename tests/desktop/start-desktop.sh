#!/usr/bin/env bash
# Starts a virtual X display on a free number and the trayer tray host on it, for the desktop tests.
# usage: start-desktop.sh <state folder>
# The state folder receives "display" (e.g. ":3") and the two processes' ids; stop-desktop.sh ends them.
set -euo pipefail
state=$1
here=$(dirname "$0")
mkdir -p "$state"

# One try: Xvfb, which picks a free display number itself and writes it once it accepts clients, then
# trayer's panel on it. False, with what was started left for stop-desktop.sh, when either fails.
StartOnce() {
    setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$state/display-number" \
        </dev/null >"$state/xvfb.log" 2>&1 &
    echo $! >"$state/xvfb.pid"
    for _ in $(seq 100); do
        [ -s "$state/display-number" ] && break
        sleep 0.1
    done
    if [ ! -s "$state/display-number" ]; then
        echo "Xvfb did not start:" >&2
        cat "$state/xvfb.log" >&2
        return 1
    fi
    export DISPLAY=":$(tr -d '[:space:]' <"$state/display-number")"

    setsid trayer --edge bottom --align right --widthtype request --height 24 --SetDockType true \
        --transparent false </dev/null >"$state/trayer.log" 2>&1 &
    echo $! >"$state/trayer.pid"
    for _ in $(seq 100); do
        xwininfo -root -tree 2>/dev/null | grep -q '"panel": ("panel" "trayer")' && return 0
        # A client refused by a display that a server just gone had shared with this one: try anew.
        kill -0 "$(cat "$state/trayer.pid")" 2>/dev/null || break
        sleep 0.1
    done
    echo "trayer did not show its panel on $DISPLAY:" >&2
    cat "$state/trayer.log" >&2
    return 1
}

for attempt in 1 2 3; do
    "$here/stop-desktop.sh" "$state"
    if StartOnce; then
        echo "$DISPLAY" >"$state/display"
        echo "desktop on $DISPLAY with trayer"
        exit 0
    fi
    echo "start-desktop: try $attempt failed" >&2
done
"$here/stop-desktop.sh" "$state"
exit 1
