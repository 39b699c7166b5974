#!/usr/bin/env bash
# Starts a headless Wayland desktop for the Wayland tests: a private session bus (dbus-run-session)
# with sway and the mako notification server. sway refuses to run as root, so as root the desktop
# runs as an unprivileged user made for it ("corvane-desktop"); as anyone else, as that user.
# usage: start-wayland.sh <state folder>
# The state folder gets "user" and "session.env" (the bus, runtime folder, display and sway socket);
# stop-wayland.sh ends it. It is a link to a folder under /tmp, since the desktop's user may not be
# allowed into the folder where the link lies (a build tree under /root).
set -euo pipefail
link=$1
here=$(cd "$(dirname "$0")" && pwd)
"$here/stop-wayland.sh" "$link"
rm -rf "$link"
mkdir -p "$(dirname "$link")"
state=$(mktemp -d /tmp/corvane-wayland.XXXXXX)
ln -s "$state" "$link"

user=$(id -un)
if [ "$(id -u)" -eq 0 ]; then
    user=corvane-desktop
    id "$user" >/dev/null 2>&1 ||
        useradd --system --user-group --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$user"
fi
echo "$user" >"$state/user"

# The desktop's own home and runtime folder, which the user alone may enter.
mkdir -p "$state/home" "$state/runtime"
cp "$here/wayland-session.sh" "$state/"
chmod 0700 "$state/runtime"
chown -R "$user:" "$state"
chmod 0755 "$state"

"$here/as-user.sh" "$state" setsid dbus-run-session -- "$state/wayland-session.sh" "$state" \
    </dev/null >"$state/session.log" 2>&1 &
echo $! >"$state/session.pid"

for _ in $(seq 150); do
    [ -e "$state/ready" ] || [ -e "$state/failed" ] && break
    sleep 0.1
done
if [ ! -e "$state/ready" ]; then
    echo "the Wayland desktop did not start:" >&2
    cat "$state/session.log" "$state/sway.log" >&2 2>/dev/null || true
    exit 1
fi
echo "Wayland desktop ready as $user: $(grep WAYLAND_DISPLAY "$state/session.env")"
