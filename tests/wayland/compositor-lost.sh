#!/usr/bin/env bash
# The Wayland compositor of the real program is killed while the program's svn run hangs on a server
# that never answers. Qt's Wayland plugin then ends the program with _exit, so none of its own
# shut-down runs: its svn must end all the same, within 2 s. The program runs on a compositor of its
# own, beside the desktop's, which the other scenarios keep; its icon sits in the desktop's tray.
# usage: compositor-lost.sh <corvane executable> <desktop state folder> <artifact folder>
set -euo pipefail
program=$1
state=$2
artifacts=$3
source "$(dirname "$0")/wayland-lib.sh"
UseWayland "$state"
StartScenario "$artifacts" compositor-lost
StopTray
StartTray

# A second headless sway as the desktop's user, which writes the name of its socket once it serves:
# a sway killed before leaves its socket's name free for the next to take again.
mkdir "$work/compositor"
chown "$(cat "$WAYLAND_STATE/user"):" "$work/compositor"
cp "$WAYLAND_STATE/sway.conf" "$work/compositor/sway.conf"
echo "exec sh -c 'echo \$WAYLAND_DISPLAY >$work/compositor/display.part && mv $work/compositor/display.part $work/compositor/display'" \
    >>"$work/compositor/sway.conf"
"$here/as-user.sh" "$WAYLAND_STATE" env WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    sway --config "$work/compositor/sway.conf" </dev/null >"$work/sway.log" 2>&1 &
compositorPid=$!
trap 'kill -KILL "$compositorPid" 2>/dev/null || true; EndScenario' EXIT
WaitFor 10 test -s "$work/compositor/display" || Fail "the scenario's compositor did not start: $(cat "$work/sway.log")"

MakeHungWorkingCopy "$work/wc"
PrepareProgram "$program" "$work"
echo "$work/wc" >"$work/app/pathlist.ini"
StartProgram "$work" WAYLAND_DISPLAY="$(cat "$work/compositor/display")"
WaitFor 20 TrayItem >/dev/null || Fail "the icon never reached the tray"
# The check's run on the working copy's URL; the one on the copy itself ends at once.
HungSvn() { pgrep -P "$PROGRAM_PID" -x -f "svn info --xml -- svn://.*/repo@"; }
svnPid=$(WaitForOutput 20 HungSvn) || Fail "no svn run hangs"

kill -KILL "$compositorPid"
code=0
WaitForExit "$PROGRAM_PID" 10 || code=$?
PROGRAM_PID=
[ "$code" -ne 124 ] || Fail "the program outlived its compositor"
WaitFor 2 HasEnded "$svnPid" || Fail "svn ($svnPid) outlived the program"
echo "compositor gone: the program ended with exit code $code, its svn with it"
