#!/usr/bin/env bash
# Ends the Wayland desktop that start-wayland.sh started from this state folder.
# usage: stop-wayland.sh <state folder>
set -uo pipefail
link=$1
state=$(readlink -f "$link")
[ -n "$state" ] && [ -f "$state/session.pid" ] || exit 0
pid=$(cat "$state/session.pid")
touch "$state/stop"
for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
# What is left of the session's process group.
kill -KILL -- "-$pid" 2>/dev/null
rm -rf "$state" "$link"
exit 0
