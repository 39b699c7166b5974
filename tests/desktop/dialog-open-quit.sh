#!/usr/bin/env bash
# With one of its dialogs open, the real program's icon still opens its menu, and "Quit" ends the
# program with exit code 0: first with the report open, which carries the program's icon, then with
# the watch list open, which is not saved.
# usage: dialog-open-quit.sh <corvane executable> <desktop state folder> <artifact folder>
set -euo pipefail
program=$1
state=$2
artifacts=$3
source "$(dirname "$0")/desktop-lib.sh"
UseDesktop "$state"
StartScenario "$artifacts" dialog-open

mkdir -p "$work/watched"
PrepareProgram "$program" "$work"
echo "$work/watched" >"$work/app/pathlist.ini"
# An svn that fails at once, so that no check is running when Quit comes.
mkdir -p "$work/bin"
printf '#!/bin/sh\nexit 1\n' >"$work/bin/svn"
chmod +x "$work/bin/svn"
export PATH="$work/bin:$PATH"

# Starts the program and waits for its icon; sets icon.
StartAndDock() {
    StartProgram "$work"
    icon=$(WaitForOutput 20 DockedIcon "$PROGRAM_PID") || Fail "the icon never docked in the tray"
}

QuitWith() {
    ChooseQuit "$icon"
    local code=0
    WaitForExit "$PROGRAM_PID" 20 || code=$?
    PROGRAM_PID=
    [ "$code" -eq 0 ] || Fail "the program ended with $code after Quit with the $1 open"
}

# The report, from a left click on the icon. Its title bar shows the program's icon, drawn at each of
# its sizes, not the desktop's generic one.
StartAndDock
ClickIcon "$icon" 1
report=$(WaitForOutput 10 DialogOf "$PROGRAM_PID" "Corvane : Report") || Fail "the report did not open"
icons=$(xprop -id "$report" _NET_WM_ICON | grep -o 'Icon ([0-9]* x [0-9]*)' | sort -u | tr '\n' ' ')
[ "$icons" = "Icon (16 x 16) Icon (22 x 22) Icon (24 x 24) Icon (32 x 32) Icon (44 x 44) Icon (48 x 48) " ] ||
    Fail "the report's window icons are: $icons"
QuitWith report
echo "report open: the menu opened and Quit ended the program with exit code 0"

# The watch list, from the menu: Escape-like end, the list file untouched.
before=$(stat -c '%i %Y %s' "$work/app/pathlist.ini")
StartAndDock
ChooseMenuItem "$icon" 5
WaitFor 10 DialogOf "$PROGRAM_PID" "Corvane : Watchdog settings" >/dev/null ||
    Fail "the watch list did not open"
QuitWith "watch list"
[ "$(stat -c '%i %Y %s' "$work/app/pathlist.ini")" = "$before" ] || Fail "the watch list was saved on Quit"
echo "watch list open: the menu opened, Quit ended the program with exit code 0, nothing saved"
