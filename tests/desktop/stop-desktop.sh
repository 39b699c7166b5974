#!/usr/bin/env bash
# Ends the tray host and the virtual display that start-desktop.sh started from this state folder.
# usage: stop-desktop.sh <state folder>
set -uo pipefail
state=$1

pids=()
for name in trayer xvfb; do
    pidFile="$state/$name.pid"
    [ -f "$pidFile" ] || continue
    pids+=("$(cat "$pidFile")")
    rm -f "$pidFile"
done
for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null
done
for pid in "${pids[@]}"; do
    for _ in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null
done
rm -f "$state/display" "$state/display-number"
exit 0
