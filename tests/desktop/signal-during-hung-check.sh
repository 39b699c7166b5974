#!/usr/bin/env bash
# SIGTERM to the real tray program, SIGINT to `corvane --check` and SIGKILL to the tray program, each
# while its svn run hangs on a server that accepts the connection and never answers: the program ends
# within 5 s, with exit code 0 for the tray program, 130 for --check and 137 for the kill, and no svn
# is left 2 s later.
# usage: signal-during-hung-check.sh <corvane executable> <desktop state folder> <artifact folder>
set -euo pipefail
program=$1
state=$2
artifacts=$3
source "$(dirname "$0")/desktop-lib.sh"
UseDesktop "$state"
StartScenario "$artifacts" signal-hung

MakeHungWorkingCopy "$work/wc"

# Sends signal $1 to process $2 once its svn hangs; checks its end against exit code $3.
SignalDuringHang() {
    local svnPid took code=0 sent
    svnPid=$(WaitForOutput 20 HungSvnOf "$2") || Fail "no svn run hung on the server"
    sent=$(date +%s%N)
    kill "-$1" "$2"
    WaitForExit "$2" 10 || code=$?
    took=$((($(date +%s%N) - sent) / 1000000))
    [ "$code" -eq "$3" ] || Fail "SIGNAL $1 ended the program with $code, not $3"
    # Far above what a busy machine takes, far below the 300 s for which svn would hang otherwise.
    [ "$took" -lt 5000 ] || Fail "the program took $took ms to end on SIG$1"
    WaitFor 2 HasEnded "$svnPid" || Fail "svn ($svnPid) outlived the program"
    echo "SIG$1: exit code $code after $took ms, svn gone"
}

PrepareProgram "$program" "$work"
echo "$work/wc" >"$work/app/pathlist.ini"
StartProgram "$work"
WaitFor 20 DockedIcon "$PROGRAM_PID" >/dev/null || Fail "the icon never docked in the tray"
SignalDuringHang TERM "$PROGRAM_PID" 0
PROGRAM_PID=

(cd "$work/app" && exec env HOME="$work/home" XDG_CACHE_HOME="$work/home/.cache" ./corvane --check "$work/wc") </dev/null >"$work/corvane.log" 2>&1 &
PROGRAM_PID=$!
SignalDuringHang INT "$PROGRAM_PID" 130
PROGRAM_PID=

# Killed, the program cannot stop its svn itself.
StartProgram "$work"
WaitFor 20 DockedIcon "$PROGRAM_PID" >/dev/null || Fail "the icon never docked in the tray"
SignalDuringHang KILL "$PROGRAM_PID" 137
PROGRAM_PID=
