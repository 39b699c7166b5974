#!/usr/bin/env bash
# The real program in waybar's tray on the Wayland desktop, played as the tray host plays it over
# D-Bus: the item exports the system's menu (DBusMenu) with Corvane's own items, a pause chosen in its
# submenu turns that item into "Resume checks", the host's ContextMenu and SecondaryActivate open no
# window, choosing "Report" in the exported menu opens the report, and "Quit" there ends the program
# with exit code 0.
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
expected=$'About Corvane...\n-\nReport\nCheck all now\nPause checks\nWatchdog settings\nYour names...\nApplication settings\n-\nQuit'
[ "$labels" = "$expected" ] || Fail "the exported menu holds:
$labels"
pauses=$(SubmenuLabels 'Pause checks')
[ "$pauses" = $'For 1 hour\nFor 4 hours\nUntil I resume' ] || Fail "Pause checks holds:
$pauses"

# A pause from the submenu turns the item into "Resume checks" in the host's menu, and back.
ChooseMenuItem 'Until I resume'
Paused() { MenuLayout | cut -f2 | grep -qx 'Resume checks'; }
WaitFor 10 Paused || Fail "the menu did not offer Resume checks: $(MenuLayout | cut -f2)"
[ "$(cat "$work/app/pause.ini")" = $'until resumed\r' ] || Fail "no pause kept: $(cat "$work/app/pause.ini")"
ChooseMenuItem 'Resume checks'
Resumed() { [ "$(SubmenuLabels 'Pause checks' | wc -l)" -eq 3 ]; }
WaitFor 10 Resumed || Fail "the menu did not offer Pause checks again: $(MenuLayout | cut -f2)"

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
