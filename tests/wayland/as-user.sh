#!/usr/bin/env bash
# Runs a command as the Wayland desktop's user, in its home and runtime folder (and, once the
# desktop is up, on its session bus and display).
# usage: as-user.sh <state folder> <command> [arguments...]
set -euo pipefail
state=$(readlink -f "$1")
shift
user=$(cat "$state/user")
environment=(HOME="$state/home" XDG_RUNTIME_DIR="$state/runtime" XDG_CONFIG_HOME="$state/home/.config"
    XDG_CACHE_HOME="$state/home/.cache" PATH="$PATH" LANG="${LANG:-C.UTF-8}")
if [ -f "$state/session.env" ]; then
    # shellcheck disable=SC1091
    environment+=($(. "$state/session.env" && echo DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS" \
        WAYLAND_DISPLAY="${WAYLAND_DISPLAY:-}" SWAYSOCK="${SWAYSOCK:-}"))
fi
for name in ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS TSAN_OPTIONS QT_LOGGING_RULES; do
    [ -n "${!name:-}" ] && environment+=("$name=${!name}")
done
if [ "$user" = "$(id -un)" ]; then
    exec env -i "${environment[@]}" "$@"
fi
exec setpriv --reuid="$user" --regid="$user" --init-groups env -i "${environment[@]}" "$@"
