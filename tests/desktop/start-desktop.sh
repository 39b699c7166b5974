#!/usr/bin/env bash
# Starts a virtual X display on a free number and the trayer tray host on it, for the desktop tests.
# usage: start-desktop.sh <state folder>
# The state folder receives "display" (e.g. ":3") and the two processes' ids; stop-desktop.sh ends them.
set -euo pipefail
state=$1
here=$(dirname "$0")
"$here/stop-desktop.sh" "$state"
mkdir -p "$state"

# Xvfb picks a free display number itself and writes it once it accepts clients.
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
    exit 1
fi
export DISPLAY=":$(tr -d '[:space:]' <"$state/display-number")"

setsid trayer --edge bottom --align right --widthtype request --height 24 --SetDockType true \
    --transparent false </dev/null >"$state/trayer.log" 2>&1 &
echo $! >"$state/trayer.pid"
for _ in $(seq 100); do
    xwininfo -root -tree 2>/dev/null | grep -q '"panel": ("panel" "trayer")' && break
    sleep 0.1
done
if ! xwininfo -root -tree | grep -q '"panel": ("panel" "trayer")'; then
    echo "trayer did not show its panel:" >&2
    cat "$state/trayer.log" >&2
    exit 1
fi
echo "$DISPLAY" >"$state/display"
echo "desktop on $DISPLAY with trayer"
