#!/usr/bin/env bash
# A second start of the real program on the same display ends at once with exit code 0, and the
# first opens its report (with --if-not-running, it opens nothing); --version and --check run beside it as usual; once the first has been
# killed with SIGKILL, a new start comes up with its own icon all the same; --quit ends it.
# usage: second-start.sh <corvane executable> <desktop state folder> <artifact folder>
set -euo pipefail
program=$1
state=$2
artifacts=$3
source "$(dirname "$0")/desktop-lib.sh"
UseDesktop "$state"
StartScenario "$artifacts" second-start

PrepareProgram "$program" "$work"
: >"$work/app/pathlist.ini"
StartProgram "$work"
first=$PROGRAM_PID
WaitFor 20 DockedIcon "$first" >/dev/null || Fail "the icon never docked in the tray"

# The installer's start, --if-not-running, ends at once and quietly: the running one opens nothing.
code=0
(cd "$work/app" && exec env HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" timeout 20 ./corvane --if-not-running) \
    </dev/null >"$work/beside.log" 2>&1 || code=$?
[ "$code" -eq 0 ] || Fail "corvane --if-not-running beside the tray program ended with $code: $(cat "$work/beside.log")"
! DialogOf "$first" "Corvane : Report" >/dev/null || Fail "--if-not-running opened the running program's report"
echo "--if-not-running beside it: exit code 0, no report"

StartProgram "$work"
second=$PROGRAM_PID
PROGRAM_PID=$first
code=0
WaitForExit "$second" 15 || code=$?
[ "$code" -eq 0 ] || Fail "the second start ended with $code"
WaitFor 10 DialogOf "$first" "Corvane : Report" >/dev/null || Fail "the first did not open its report"
! HasEnded "$first" || Fail "the first program ended"
echo "second start: exit code 0, the first opened its report"

for options in --version --check; do
    code=0
    (cd "$work/app" && exec env HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" timeout 20 ./corvane $options) \
        </dev/null >"$work/beside.log" 2>&1 || code=$?
    [ "$code" -eq 0 ] || Fail "corvane $options beside the tray program ended with $code: $(cat "$work/beside.log")"
done
echo "--version and --check beside it: exit code 0"

kill -KILL "$first"
WaitForExit "$first" 10 || true
StartProgram "$work"
icon=$(WaitForOutput 20 DockedIcon "$PROGRAM_PID") || Fail "after SIGKILL of the first, a new start never docked"
ChooseQuit "$icon"
code=0
WaitForExit "$PROGRAM_PID" 20 || code=$?
PROGRAM_PID=
[ "$code" -eq 0 ] || Fail "the new program ended with $code after Quit"
echo "after SIGKILL of the first, a new start came up and quit with exit code 0"

# The installer's way: --quit ends the running program as Quit does and returns once it has ended;
# with none running, there is nothing to end.
StartProgram "$work"
WaitFor 20 DockedIcon "$PROGRAM_PID" >/dev/null || Fail "a new start never docked"
for round in running none; do
    code=0
    (cd "$work/app" && exec env HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" timeout 90 ./corvane --quit) \
        </dev/null >"$work/quit.log" 2>&1 || code=$?
    [ "$code" -eq 0 ] || Fail "corvane --quit with $round ended with $code: $(cat "$work/quit.log")"
    if [ "$round" = running ]; then
        HasEnded "$PROGRAM_PID" || Fail "--quit returned while the tray program still ran"
        code=0
        WaitForExit "$PROGRAM_PID" 10 || code=$?
        PROGRAM_PID=
        [ "$code" -eq 0 ] || Fail "the program ended with $code after --quit"
    fi
done
echo "--quit ended the running program with exit code 0, and with none running did nothing"
