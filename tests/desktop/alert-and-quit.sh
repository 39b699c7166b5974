#!/usr/bin/env bash
# The real program, copied into a temporary folder whose "pathlist.ini" names a working copy that is
# behind its repository: its icon docks in the tray, the balloon appears (a screenshot of the desktop
# is kept), a click on the balloon opens the report, "Check all now" from the icon's menu announces the
# copy again, and "Quit" from the menu ends it with exit code 0. The first balloon has a line more
# than the second, taken after alice's edit of the file bob changed is reverted: "Your edits meet
# these changes: a.txt (conflict)". Started again, it shows the balloon
# again, this time about a Git clone behind its upstream (a screenshot is kept); a right click on the
# icon then opens the menu and no report, and "Quit" from that menu ends it with exit code 0.
# usage: alert-and-quit.sh <corvane executable> <desktop state folder> <artifact folder>
set -euo pipefail
program=$1
state=$2
artifacts=$3
source "$(dirname "$0")/desktop-lib.sh"
UseDesktop "$state"
StartScenario "$artifacts" alert

# A repository with two working copies: alice's stays at revision 1 while bob commits revision 2.
source "$(dirname "$0")/../support/svn-lib.sh"
MakeAliceBehind bob
echo mine >"$work/alice/a.txt"

PrepareProgram "$program" "$work"
echo "$work/alice" >"$work/app/pathlist.ini"

# Starts the program and waits for its balloon; sets icon to its docked icon's window.
StartAndAlert() {
    local started
    started=$(date +%s%N)
    StartProgram "$work"
    icon=$(WaitForOutput 20 DockedIcon "$PROGRAM_PID") || Fail "the icon never docked in the tray"
    WaitFor 30 Balloon "$PROGRAM_PID" >/dev/null || Fail "no balloon appeared"
    echo "icon docked and balloon shown after $((($(date +%s%N) - started) / 1000000)) ms"
}

# Quits with the keys that the menu, now open, takes; the program must end with exit code 0.
QuitFromOpenMenu() {
    local code=0
    # From no selection, Up selects the menu's last item.
    xdotool key Up Return
    WaitForExit "$PROGRAM_PID" 20 || code=$?
    PROGRAM_PID=
    [ "$code" -eq 0 ] || Fail "the program ended with $code after Quit"
    # Tray calls made off the UI thread would have Qt complain about timers and objects of another thread.
    if grep -qi 'thread' "$work/corvane.log"; then
        Fail "Qt reported a thread fault"
    fi
}

StartAndAlert
import -window root "$artifacts/balloon.png"
BalloonHeight() { xwininfo -id "$(Balloon "$PROGRAM_PID")" | sed -n 's/^ *Height: \([0-9]*\)/\1/p'; }
withEdit=$(BalloonHeight)

# A click that comes before the balloon takes input leaves it open, and is given again.
ClickBalloonForReport() {
    DialogOf "$PROGRAM_PID" 'Corvane : Report' >/dev/null && return 0
    local balloon
    balloon=$(Balloon "$PROGRAM_PID") || return 1
    eval "$(xdotool getwindowgeometry --shell "$balloon")"
    xdotool mousemove --sync $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
    return 1
}
WaitFor 10 ClickBalloonForReport || Fail "a click on the balloon opened no report"

# "Check all now", the menu's third item, checks alice again at once: she is still behind, and with
# her edit reverted the balloon is one line shorter (balloon.png shows the line it had).
NoBalloon() { ! Balloon "$PROGRAM_PID" >/dev/null; }
WaitFor 30 NoBalloon || Fail "the balloon stayed after its click"
svnTool revert "$work/alice/a.txt"
ChooseMenuItem "$icon" 3
WaitFor 30 Balloon "$PROGRAM_PID" >/dev/null || Fail "Check all now announced nothing"
[ "$withEdit" -gt "$(BalloonHeight)" ] || Fail "the balloon about alice's edit was no taller than the one without"
echo "the balloon names alice's edit: $withEdit px high against $(BalloonHeight) px without it"

OpenMenu "$icon"
QuitFromOpenMenu
echo "quit with exit code 0; screenshot in $artifacts/balloon.png"

# The right click of a user who wants Quit while the balloon shows: the menu, and no report, which
# would also take the keys meant for the menu. The balloon is a Git clone's this time.
source "$(dirname "$0")/../support/git-lib.sh"
MakeCloneBehind carol
echo "$work/clone" >"$work/app/pathlist.ini"
StartAndAlert
import -window root "$artifacts/balloon-git.png"
OpenMenu "$icon"
if DialogOf "$PROGRAM_PID" 'Corvane : Report' >/dev/null; then
    Fail "a right click on the icon during the balloon opened the report"
fi
QuitFromOpenMenu
echo "a Git clone's balloon; a right click during it opened the menu only; quit with exit code 0"
