#!/usr/bin/env bash
# The real program on the Wayland desktop, started before its tray host (a panel that comes late at
# login) with a working copy that is behind: it says once that it waits, docks when the tray comes,
# and the alert follows as a desktop notification with the balloon's exact title and text, the lacked
# revision's line included, shown as typed even where the author's name looks like markup.
# usage: late-tray-alert.sh <corvane executable> <desktop state folder> <artifact folder>
set -euo pipefail
program=$1
state=$2
artifacts=$3
source "$(dirname "$0")/wayland-lib.sh"
UseWayland "$state"
StartScenario "$artifacts" late-tray
StopTray

# alice's copy stays at revision 1 while "<b>x</b>" commits revision 2.
source "$(dirname "$0")/../support/svn-lib.sh"
MakeAliceBehind '<b>x</b>'

PrepareProgram "$program" "$work"
echo "$work/alice" >"$work/app/pathlist.ini"
StartProgram "$work"
# The tray comes once the program has said that it waits for one.
WaitFor 20 grep -q 'waiting for' "$work/corvane.log" || Fail "the program never said that it waits"
HasEnded "$PROGRAM_PID" && Fail "the program ended while no tray was there"
[ "$(grep -c 'waiting for' "$work/corvane.log")" -eq 1 ] || Fail "the program did not say once that it waits"
StartTray

WaitFor 20 TrayItem >/dev/null || Fail "the icon never reached the tray that came late"
Alert() { Notifications | grep 'SubVersion:' >/dev/null; }
WaitFor 30 Alert || Fail "no notification announced the working copy"

# mako reads markup in bodies, so the text must arrive escaped to be shown as typed.
expected='Message from &lt;b&gt;x&lt;/b&gt;:\nalice was modified. (local=1, remote=2)\nr2 &lt;b&gt;x&lt;/b&gt;: two'
Notifications | python3 -c 'import json, sys
expected = sys.argv[1].replace("\\n", "\n")
shown = json.load(sys.stdin)["data"][0]
alerts = [n for n in shown if n["summary"]["data"] == "SubVersion:"]
assert len(alerts) == 1, "%d notifications titled SubVersion:" % len(alerts)
alert = alerts[0]
assert alert["body"]["data"] == expected, "body %r, expected %r" % (alert["body"]["data"], expected)
assert alert["app-name"]["data"] == "Corvane", "app name %r" % alert["app-name"]["data"]
assert alert["app-icon"]["data"] == "corvane", "app icon %r" % alert["app-icon"]["data"]
' "$expected" || Fail "the notification is not the balloon"
Screenshot "$artifacts/late-tray-alert.png"
echo "docked in a tray that came late; the notification carries the balloon as typed"
