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

item=org.kde.StatusNotifierItem
menu=$(CallItem Get org.freedesktop.DBus.Properties /StatusNotifierItem ss "$item" Menu |
    python3 -c 'import json, sys; print(json.load(sys.stdin)["data"][0]["data"])')
[ "$menu" != /NO_DBUSMENU ] || Fail "the item exports no menu"

# The layout's items as "id<TAB>label" lines, "-" for a separator.
Layout() {
    CallItem GetLayout com.canonical.dbusmenu "$menu" iias -- 0 -1 0 | python3 -c 'import json, sys
root = json.load(sys.stdin)["data"][1]
for child in root[2]:
    item_id, properties = child["data"][0], child["data"][1]
    if properties.get("type", {}).get("data") == "separator":
        print(item_id, "-", sep="\t")
    else:
        print(item_id, properties["label"]["data"], sep="\t")'
}
labels=$(Layout | cut -f2)
expected=$'About Corvane...\n-\nReport\nWatchdog settings\nApplication settings\n-\nQuit'
[ "$labels" = "$expected" ] || Fail "the exported menu holds:
$labels"
ItemId() { Layout | awk -F'\t' -v label="$1" '$2 == label { print $1 }'; }

for request in ContextMenu SecondaryActivate; do
    CallItem "$request" "$item" /StatusNotifierItem ii 10 10 >/dev/null
done
# The program takes the host's calls in order: once the report that the next one asks for is shown,
# a window that the requests above opened would be shown too.
CallItem Event com.canonical.dbusmenu "$menu" isvu -- "$(ItemId Report)" clicked s "" 0 >/dev/null
ReportShown() { WindowsOf "$PROGRAM_PID" | grep -qx 'Corvane : Report'; }
WaitFor 10 ReportShown || Fail "choosing Report opened no report"
[ "$(WindowsOf "$PROGRAM_PID")" = 'Corvane : Report' ] ||
    Fail "the host's requests opened a window: $(WindowsOf "$PROGRAM_PID")"
Screenshot "$artifacts/tray-menu-report.png"

CallItem Event com.canonical.dbusmenu "$menu" isvu -- "$(ItemId Quit)" clicked s "" 0 >/dev/null
code=0
WaitForExit "$PROGRAM_PID" 20 || code=$?
PROGRAM_PID=
[ "$code" -eq 0 ] || Fail "the program ended with $code after Quit"
echo "the exported menu has the system's items; Report opened the report, Quit ended the program"
