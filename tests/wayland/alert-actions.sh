#!/usr/bin/env bash
# The real program on the Wayland desktop with two working copies behind their repository: "mine"
# lacks only a commit of the user's own, made from another checkout; "theirs" lacks a colleague's as
# well. mine, checked at the start, raises no notification. Closing a watch list checks theirs at once:
# its notification carries the message and a line per lacked revision, a click on it (the default
# action) opens the report, and its "update" action brings the copy up to date in Corvane's own
# update window. A watch list closed once more gives a Git clone behind its upstream its check: its
# notification carries the commit it lacks under the title "Git:". After one more commit of a
# colleague's, "Check all now" from the host's menu checks all three, and each is announced, alone
# or named in a notification about several.
# usage: alert-actions.sh <corvane executable> <desktop state folder> <artifact folder>
set -euo pipefail
program=$1
state=$2
artifacts=$3
source "$(dirname "$0")/wayland-lib.sh"
UseWayland "$state"
StartScenario "$artifacts" alert-actions
StopTray
StartTray
WaitFor 10 AsUser busctl --user status org.kde.StatusNotifierWatcher >/dev/null 2>&1 || Fail "waybar's tray did not start"

# The program's user commits under its login name; colleagues name themselves and cache nothing.
source "$(dirname "$0")/../support/svn-lib.sh"
me=$(cat "$WAYLAND_STATE/user")
commitAs() { svnTool commit --no-auth-cache --username "$1" -m "$2" "$work/other"; }
svnadmin create "$work/repo"
for copy in other mine theirs; do
    svnTool checkout "file://$work/repo" "$work/$copy"
done
echo one >"$work/other/a.txt"
svnTool add "$work/other/a.txt"
commitAs bob one
svnTool update "$work/mine" "$work/theirs"
echo two >"$work/other/a.txt"
commitAs carol $'Fix the parser\nand say why'
svnTool update "$work/mine"
echo three >"$work/other/b.txt"
svnTool add "$work/other/b.txt"
commitAs "$me" 'My own change'

# Every notification the program sends, as the bus carries it.
AsUser dbus-monitor --session "type='method_call',interface='org.freedesktop.Notifications',member='Notify'" \
    >"$work/notify.log" 2>&1 &
monitor=$!
WaitFor 10 grep -q NameAcquired "$work/notify.log" || Fail "dbus-monitor did not start"
trap 'kill "$monitor" 2>/dev/null; EndScenario' EXIT

source "$(dirname "$0")/../support/git-lib.sh"
MakeCloneBehind carol
commit=$(git -C "$work/seed" log -1 --format=%h)

PrepareProgram "$program" "$work"
printf '%s\n' "$work/mine" "$work/theirs" "$work/clone" >"$work/app/pathlist.ini"
StartProgram "$work"
WaitFor 20 TrayItem >/dev/null || Fail "the icon never reached the tray"

# A watch list closed unsaved gives the next folder its check at once, behind mine's on the one worker.
ChooseMenuItem 'Watchdog settings'
WaitFor 10 ShowsWindow "$PROGRAM_PID" 'Corvane : Watchdog settings' || Fail "no watch list opened"
AsUser swaymsg "[pid=$PROGRAM_PID title=\"Corvane : Watchdog settings\"] kill" >/dev/null

WaitFor 30 grep -q 'theirs was modified' "$work/notify.log" || Fail "theirs was not announced"
[ "$(grep -c 'string "SubVersion:"' "$work/notify.log")" -eq 1 ] ||
    Fail "mine, which lacks only the user's own commit, was announced too: $(cat "$work/notify.log")"
Alert() { Notifications | grep 'SubVersion:' >/dev/null; }
WaitFor 10 Alert || Fail "mako shows no notification"
id=$(Notifications | python3 -c 'import json, sys
expected = sys.argv[1]
alerts = [n for n in json.load(sys.stdin)["data"][0] if n["summary"]["data"] == "SubVersion:"]
assert len(alerts) == 1, "%d notifications titled SubVersion:" % len(alerts)
alert = alerts[0]
assert alert["body"]["data"] == expected, "body %r, expected %r" % (alert["body"]["data"], expected)
actions = alert["actions"]["data"]
assert actions == {"default": "Report", "update": "Update"}, "actions %r" % actions
print(alert["id"]["data"])' "Message from $me:
theirs was modified. (local=1, remote=3)
r3 $me: My own change
r2 carol: Fix the parser") || Fail "the notification is not the alert with what changed"
Screenshot "$artifacts/alert-actions.png"

AsUser makoctl invoke -n "$id" default
WaitFor 10 ShowsWindow "$PROGRAM_PID" 'Corvane : Report' || Fail "a click on the notification opened no report"

AsUser makoctl invoke -n "$id" update
UpToDate() { [ "$(svn info --non-interactive --config-dir "$work/svnconfig" --show-item revision "$work/theirs")" = 3 ]; }
WaitFor 30 UpToDate || Fail "the update action did not bring theirs up to date"
ShowsWindow "$PROGRAM_PID" 'Corvane : Update' || Fail "the update ran in no update window"

# The next turn is the Git clone's, which a watch list closed unsaved gives at once.
ChooseMenuItem 'Watchdog settings'
WaitFor 10 ShowsWindow "$PROGRAM_PID" 'Corvane : Watchdog settings' || Fail "no watch list opened"
AsUser swaymsg "[pid=$PROGRAM_PID title=\"Corvane : Watchdog settings\"] kill" >/dev/null
GitAlert() { Notifications | grep 'Git:' >/dev/null; }
WaitFor 30 GitAlert || Fail "mako shows no notification about the Git clone"
Notifications | python3 -c 'import json, sys
expected = sys.argv[1]
alerts = [n for n in json.load(sys.stdin)["data"][0] if n["summary"]["data"] == "Git:"]
assert len(alerts) == 1, "%d notifications titled Git:" % len(alerts)
assert alerts[0]["body"]["data"] == expected, "body %r, expected %r" % (alerts[0]["body"]["data"], expected)' \
    "Message from carol:
clone was modified. (behind by 1 commit)
$commit carol: Fix the parser" || Fail "the Git clone's notification is not its alert"

# A colleague's commit leaves both svn copies behind; "Check all now" checks all three at once. A
# notification that comes while another still shows names every copy of both.
echo four >"$work/other/a.txt"
commitAs carol 'Four'
before=$(wc -l <"$work/notify.log")
ChooseMenuItem 'Check all now'
Announced() {
    tail -n "+$((before + 1))" "$work/notify.log" | grep -q -e "$1 was modified" -e "working copies were modified:.*$1"
}
AllAnnounced() { Announced mine && Announced theirs && Announced clone; }
WaitFor 30 AllAnnounced || Fail "Check all now did not announce all three copies: $(cat "$work/notify.log")"
echo "no notification for the user's own commit; the colleague's carries its revisions, opens the report and updates; the Git clone's comes under Git:; Check all now announces all three"
