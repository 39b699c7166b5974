#!/usr/bin/env bash
# Runs inside dbus-run-session as the desktop's user: sway on a headless output and the mako
# notification server, then waits until its state folder asks it to end. The tray host (waybar) is
# started and ended by the tests, through wayland-lib.sh, since one test needs it to come late.
# usage: wayland-session.sh <state folder>
set -uo pipefail
state=$1

cat >"$state/session.env" <<ENV
export DBUS_SESSION_BUS_ADDRESS='$DBUS_SESSION_BUS_ADDRESS'
export XDG_RUNTIME_DIR='$XDG_RUNTIME_DIR'
export HOME='$HOME'
ENV

export WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman
cat >"$state/sway.conf" <<CONF
output HEADLESS-1 resolution 1024x768
default_border none
CONF
sway --config "$state/sway.conf" >"$state/sway.log" 2>&1 &
swayPid=$!
socket=
for _ in $(seq 100); do
    socket=$(cd "$XDG_RUNTIME_DIR" && ls wayland-[0-9] 2>/dev/null | head -n 1)
    [ -n "$socket" ] && break
    sleep 0.1
done
if [ -z "$socket" ]; then
    echo "sway did not start" >"$state/failed"
    exit 1
fi
export WAYLAND_DISPLAY=$socket
echo "export WAYLAND_DISPLAY='$socket'" >>"$state/session.env"
echo "export SWAYSOCK='$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock | head -n 1)'" >>"$state/session.env"

# mako keeps each notification until a test dismisses it, however long the test takes to act on it.
mkdir -p "$HOME/.config/mako"
printf 'default-timeout=0\nignore-timeout=1\n' >"$HOME/.config/mako/config"
mako >"$state/mako.log" 2>&1 &
makoPid=$!

touch "$state/ready"
while [ ! -e "$state/stop" ] && kill -0 "$swayPid" 2>/dev/null; do
    sleep 0.2
done
pkillTree() { kill "$1" 2>/dev/null; }
pkillTree "$makoPid"
[ -f "$state/waybar.pid" ] && pkillTree "$(cat "$state/waybar.pid")"
pkillTree "$swayPid"
wait
