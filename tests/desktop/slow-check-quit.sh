#!/usr/bin/env bash
# The real program quits while a check is still running (an svn on the PATH that takes its time): it
# waits for that check, then ends with exit code 0 and no crash.
# usage: slow-check-quit.sh <corvane executable> <desktop state folder> <artifact folder>
set -euo pipefail
program=$1
state=$2
artifacts=$3
source "$(dirname "$0")/desktop-lib.sh"
UseDesktop "$state"
mkdir -p "$artifacts"

work=$(mktemp -d)
PROGRAM_PID=
cleanup() {
    if [ -n "$PROGRAM_PID" ] && ! HasEnded "$PROGRAM_PID"; then
        kill -KILL "$PROGRAM_PID"
    fi
    rm -rf "$work"
}
trap cleanup EXIT
Fail() {
    echo "FAILED: $*" >&2
    import -window root "$artifacts/slow-check-failure.png" || true
    cat "$work/corvane.log" >&2 || true
    exit 1
}

mkdir -p "$work/bin" "$work/watched"
cat >"$work/bin/svn" <<SCRIPT
#!/bin/sh
echo started >>"$work/svn.log"
sleep 3
echo ended >>"$work/svn.log"
SCRIPT
chmod +x "$work/bin/svn"
export PATH="$work/bin:$PATH"

PrepareProgram "$program" "$work"
echo "$work/watched" >"$work/app/pathlist.ini"
StartProgram "$work"

WaitFor 20 DockedIcon "$PROGRAM_PID" >/dev/null || Fail "the icon never docked in the tray"
icon=$(DockedIcon "$PROGRAM_PID")
WaitFor 20 grep -q started "$work/svn.log" || Fail "the check never started"

ChooseQuit "$icon"
code=0
WaitForExit "$PROGRAM_PID" 30 || code=$?
PROGRAM_PID=
[ "$code" -eq 0 ] || Fail "the program ended with $code after Quit during a check"
# The running check was waited for: its svn had finished before the program ended.
grep -q ended "$work/svn.log" || Fail "the program ended before its running check"
echo "quit during a running check: exit code 0 after the check ended"
