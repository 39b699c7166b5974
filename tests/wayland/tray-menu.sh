#!/usr/bin/env bash
# The real program in waybar's tray on the Wayland desktop, played as the tray host plays it over
# D-Bus: the item exports the system's menu (DBusMenu), the host's ContextMenu and SecondaryActivate
# open no window, choosing "Report" in the exported menu opens the report, and "Quit" there ends the
# program with exit code 0.
# usage: tray-menu.sh <corvane executable> <desktop state folder> <artifact folder>
set -euo pipefail
program=$1
state=$2
artifacts=$3
source "$(dirname "$0")/wayland-lib.sh"
UseWayland "$state"
StartScenario "$artifacts" tray-menu
StopTray
StartTray
WaitFor 10 AsUser busctl --user status org.kde.StatusNotifierWatcher >/dev/null 2>&1 || Fail "waybar's tray did not start"

PrepareProgram "$program" "$work"
mkdir -p "$work/watched"
echo "$work/watched" >"$work/app/pathlist.ini"
StartProgram "$work"
WaitFor 20 TrayItem >/dev/null || Fail "the icon never reached the tray"

MenuPath >/dev/null || Fail "the item exports no menu"
labels=$(MenuLayout | cut -f2)
expected=$'About Corvane...\n-\nReport\nWatchdog settings\nApplication settings\n-\nQuit'
[ "$labels" = "$expected" ] || Fail "the exported menu holds:
$labels"

item=org.kde.StatusNotifierItem
for request in ContextMenu SecondaryActivate; do
    CallItem "$request" "$item" /StatusNotifierItem ii 10 10 >/dev/null
done
# The program takes the host's calls in order: once the report that the next one asks for is shown,
# a window that the requests above opened would be shown too.
ChooseMenuItem Report
WaitFor 10 ShowsWindow "$PROGRAM_PID" 'Corvane : Report' || Fail "choosing Report opened no report"
[ "$(WindowsOf "$PROGRAM_PID")" = 'Corvane : Report' ] ||
    Fail "the host's requests opened a window: $(WindowsOf "$PROGRAM_PID")"
Screenshot "$artifacts/tray-menu-report.png"

ChooseMenuItem Quit
code=0
WaitForExit "$PROGRAM_PID" 20 || code=$?
PROGRAM_PID=
[ "$code" -eq 0 ] || Fail "the program ended with $code after Quit"
echo "the exported menu has the system's items; Report opened the report, Quit ended the program"
