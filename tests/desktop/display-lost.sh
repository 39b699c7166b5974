#!/usr/bin/env bash
# The display of the real program goes away while its check's svn hangs on a server that never
# answers, and so does the `svn update` of its update window, which holds the working copy's lock: the
# program ends without a crash (Qt ends it with exit code 1) and its activity log is closed; the
# check's svn ends at once, the update's, which an interrupt cannot end there, is killed after its
# grace period of 5 s, and the copy is not left locked. It runs on a display of its own, which it
# then kills.
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
icon=$(WaitForOutput 20 DockedIcon "$PROGRAM_PID") || Fail "the icon never docked in the tray"
svnPid=$(WaitForOutput 20 HungSvnOf "$PROGRAM_PID") || Fail "no svn run hung on the server"

# A double-click on the report's only row, below the list's header, opens the update window.
ClickIcon "$icon" 1
report=$(WaitForOutput 10 DialogOf "$PROGRAM_PID" "Corvane : Report") || Fail "the report did not open"
eval "$(xdotool getwindowgeometry --shell "$report")"
xdotool mousemove $((X + 100)) $((Y + 40)) click --repeat 2 --delay 100 1
WaitFor 10 DialogOf "$PROGRAM_PID" "Corvane : Update" >/dev/null || Fail "the update window did not open"
Locked() { svn --non-interactive --config-dir "$work/svnconfig" status "$work/wc" | grep -q '^..L'; }
WaitFor 10 Locked || Fail "svn update did not lock the working copy"
updatePid=$(pgrep -x -f "svn update -- $work/wc@") || Fail "no svn update runs"

kill "$(cat "$work/desktop/xvfb.pid")"
code=0
WaitForExit "$PROGRAM_PID" 10 || code=$?
PROGRAM_PID=
[ "$code" -eq 1 ] || Fail "the program ended with $code when its display went"
WaitFor 2 HasEnded "$svnPid" || Fail "svn ($svnPid) outlived the program"
WaitFor 10 HasEnded "$updatePid" || Fail "svn update ($updatePid) outlived the program"
WaitFor 10 eval '! Locked' || Fail "the working copy was left locked"
grep -q 'Logfile is terminate\.\.' "$work/app/Corvane.log" || Fail "the log was not closed"
echo "display gone: exit code $code, no crash, both svn gone, the copy unlocked, log closed"
