#!/usr/bin/env bash
# The real program quits while a check is still running (an svn on the PATH that would take a
# minute): it ends that svn run with its whole process group at once, then ends with exit code 0 and
# no crash, long before the run would have.
# usage: slow-check-quit.sh <corvane executable> <desktop state folder> <artifact folder>
set -euo pipefail
program=$1
state=$2
artifacts=$3
source "$(dirname "$0")/desktop-lib.sh"
UseDesktop "$state"
StartScenario "$artifacts" slow-check

mkdir -p "$work/bin" "$work/watched"
cat >"$work/bin/svn" <<SCRIPT
#!/bin/sh
echo \$\$ >"$work/svn.pid"
echo started >>"$work/svn.log"
sleep 60
echo ended >>"$work/svn.log"
SCRIPT
chmod +x "$work/bin/svn"
export PATH="$work/bin:$PATH"

PrepareProgram "$program" "$work"
echo "$work/watched" >"$work/app/pathlist.ini"
StartProgram "$work"

icon=$(WaitForOutput 20 DockedIcon "$PROGRAM_PID") || Fail "the icon never docked in the tray"
WaitFor 20 grep -q started "$work/svn.log" || Fail "the check never started"

# svn leads a session of its own; what is left of it, zombies aside.
LiveInSvnSession() {
    ps -o stat= --sid "$(cat "$work/svn.pid")" | grep -qv '^Z'
}

ChooseQuit "$icon"
chosen=$(date +%s%N)
code=0
WaitForExit "$PROGRAM_PID" 30 || code=$?
took_ms=$((($(date +%s%N) - chosen) / 1000000))
PROGRAM_PID=
[ "$code" -eq 0 ] || Fail "the program ended with $code after Quit during a check"
[ "$took_ms" -lt 10000 ] || Fail "the program took $took_ms ms to quit during a check"
! grep -q ended "$work/svn.log" || Fail "the running svn was not ended: it finished its run"
! LiveInSvnSession || Fail "the running svn or its child outlived the program"
echo "quit during a running check: exit code 0 after $took_ms ms, the svn run killed"
