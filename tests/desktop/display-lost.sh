#!/usr/bin/env bash
# The display of the real program goes away while its svn run hangs on a server that never answers:
# the program ends without a crash (Qt ends it with exit code 1), leaves no svn behind, and its
# activity log is closed. It runs on a display of its own, which it then kills.
# usage: display-lost.sh <corvane executable> <artifact folder>
set -euo pipefail
program=$1
artifacts=$2
here=$(dirname "$0")
source "$here/desktop-lib.sh"
StartScenario "$artifacts" display-lost
trap '"$here/stop-desktop.sh" "$work/desktop"; EndScenario' EXIT
"$here/start-desktop.sh" "$work/desktop" >/dev/null
UseDesktop "$work/desktop"

MakeHungWorkingCopy "$work/wc"
PrepareProgram "$program" "$work"
echo "$work/wc" >"$work/app/pathlist.ini"
StartProgram "$work" --log
WaitFor 20 DockedIcon "$PROGRAM_PID" >/dev/null || Fail "the icon never docked in the tray"
WaitFor 20 HungSvnOf "$PROGRAM_PID" >/dev/null || Fail "no svn run hung on the server"
svnPid=$(HungSvnOf "$PROGRAM_PID")

kill "$(cat "$work/desktop/xvfb.pid")"
code=0
WaitForExit "$PROGRAM_PID" 10 || code=$?
PROGRAM_PID=
[ "$code" -eq 1 ] || Fail "the program ended with $code when its display went"
! kill -0 "$svnPid" 2>/dev/null || Fail "svn ($svnPid) outlived the program"
grep -q 'Logfile is terminate\.\.' "$work/app/Corvane.log" || Fail "the log was not closed"
echo "display gone: exit code $code, no crash, svn gone, log closed"
