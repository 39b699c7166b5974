#!/usr/bin/env bash
# The Windows program under Wine on Xvfb with trayer, copied with its DLLs into a folder whose
# "pathlist.ini" names a working copy that is behind its repository: its icon docks in the tray, the
# balloon appears, a click on the balloon and a left click on the icon each open the report, the
# About box from the icon's menu shows its texts and the program's icon, and "Quit" from the menu ends
# it with exit code 0. Wine draws the icon and the balloon in windows
# of its explorer.exe.
# usage: tray-alert-and-quit.sh <dist folder> <build folder> <Windows SDK> <balloon-click.exe>
set -euo pipefail
dist=$1 build=$2 sdk=$3 balloon_click=$4
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../support/wait-lib.sh"
# A Wine of its own: Wine's desktop process, which holds the tray icons, belongs to the display that
# was there when it started, and the test suites run without one.
wine="$build/tests/windows/desktop"
mkdir -p "$wine"
export WINEPREFIX="$wine/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

work=$(mktemp -d)
state="$work/desktop"
PROGRAM_PID=
EndScenario() {
    if [ -n "$PROGRAM_PID" ] && ! HasEnded "$PROGRAM_PID"; then
        kill -KILL "$PROGRAM_PID"
    fi
    wineserver -k 2>/dev/null || true
    "$here/../desktop/stop-desktop.sh" "$state" >/dev/null 2>&1
    rm -rf "$work"
}
trap EndScenario EXIT
Fail() {
    echo "FAILED: $*" >&2
    cat "$work/corvane.log" >&2 || true
    exit 1
}
WindowsPath() { echo "Z:${1//\//\\}"; }
Svn() { "$here/../support/wine-run.sh" "$wine" "$sdk" svn.exe "$@"; }

"$here/../desktop/start-desktop.sh" "$state" >/dev/null
DISPLAY=$(cat "$state/display")
export DISPLAY

# Alice's copy, made by svn.exe, stays at revision 1 while bob commits revision 2.
svnadmin create "$work/repo"
svn mkdir -q -m "trunk" --username alice "file://$work/repo/trunk"
Svn checkout -q "file:///$(WindowsPath "$work/repo/trunk" | tr '\\' /)" "$(WindowsPath "$work/alice")"
svn mkdir -q -m "bob's folder" --username bob "file://$work/repo/trunk/bob"

cp -r "$dist" "$work/app"
printf '%s\r\n' "$(WindowsPath "$work/alice")" >"$work/app/pathlist.ini"
(cd "$work/app" && exec "$here/../support/wine-run.sh" "$wine" "$sdk" "$work/app/corvane.exe") \
    </dev/null >"$work/corvane.log" 2>&1 &
PROGRAM_PID=$!

ParentOf() {
    xwininfo -children -id "$1" 2>/dev/null | sed -n 's/^ *Parent window id: \(0x[0-9a-f]*\).*/\1/p'
}
# The icon: a window of explorer.exe whose parent's parent is trayer's panel.
DockedIcon() {
    local window parent panel
    for window in $(xdotool search --onlyvisible --class explorer.exe 2>/dev/null); do
        parent=$(ParentOf "$window") || continue
        panel=$(ParentOf "$parent") || continue
        [ -n "$panel" ] && [ "$panel" != 0x0 ] || continue
        if xwininfo -id "$panel" 2>/dev/null | grep -q '"panel"'; then
            echo "$window"
            return 0
        fi
    done
    return 1
}
# The balloon: a visible top-level explorer.exe window wider than the icon.
Balloon() {
    local window width
    for window in $(xdotool search --onlyvisible --class explorer.exe 2>/dev/null); do
        width=$(xwininfo -id "$window" 2>/dev/null | sed -n 's/^ *Width: \([0-9]*\)/\1/p')
        if [ "${width:-0}" -gt 100 ]; then
            echo "$window"
            return 0
        fi
    done
    return 1
}
Report() { xdotool search --onlyvisible --name '^Corvane : Report$' 2>/dev/null | head -n 1 | grep .; }
ClickCentre() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
    xdotool mousemove --sync $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click "$2"
}

icon=$(WaitForOutput 60 DockedIcon) || Fail "the icon never docked in the tray"
balloon=$(WaitForOutput 60 Balloon) || Fail "no balloon appeared"
echo "icon $icon docked, balloon $balloon shown"
# Wine's balloon does not tell the program of a click on it: balloon-click posts what Windows' shell
# posts on one (NIN_BALLOONUSERCLICK), and the report opens.
! Report >/dev/null || Fail "a report was open before any click"
"$here/../support/wine-run.sh" "$wine" "$sdk" "$balloon_click" corvane.exe ||
    Fail "the program has no tray icon window to click the balloon of"
WaitFor 20 Report >/dev/null || Fail "a click on the balloon opened no report"
xdotool key --window "$(Report)" Escape
WaitFor 10 eval '! Report >/dev/null' || Fail "the report did not close"
echo "a click on the balloon opened the report"

# A left click on the icon opens the report too; a click that comes before the icon takes input is
# given again.
ClickIconForReport() {
    Report >/dev/null && return 0
    ClickCentre "$icon" 1
    return 1
}
WaitFor 20 ClickIconForReport || Fail "a left click on the icon opened no report"
xdotool key --window "$(Report)" Escape
WaitFor 10 eval '! Report >/dev/null' || Fail "the report did not close"

# The menu opens at a right click on the icon.
OpenMenu() {
    [ -n "$(comm -13 <(echo "$menus") <(xdotool search --onlyvisible --pid "$PROGRAM_PID" 2>/dev/null | sort))" ] &&
        return 0
    ClickCentre "$icon" 3
    return 1
}

# "About Corvane..." is the menu's first item, Down takes it. The box shows its revision and build
# date: the band right of its icon, where they stand, holds dark text. Its title bar shows the
# program's own icon, which Wine hands on to the X window.
menus=$(xdotool search --onlyvisible --pid "$PROGRAM_PID" 2>/dev/null | sort || true)
WaitFor 20 OpenMenu || Fail "the icon's menu did not open"
xdotool key Down Return
about=$(WaitForOutput 20 xdotool search --onlyvisible --name '^About Corvane$') || Fail "no About box opened"
eval "$(xdotool getwindowgeometry --shell "$about")"
# shellcheck disable=SC2153 # WIDTH and HEIGHT come from xdotool's --shell output
import -window "$about" -crop "$((WIDTH * 6 / 10))x$((HEIGHT * 2 / 10))+$((WIDTH * 2 / 10))+$((HEIGHT * 12 / 100))" \
    "$work/about-lines.png"
dark=$(convert "$work/about-lines.png" -colorspace Gray -threshold 50% -format '%[fx:int(w*h*(1-mean))]' info:)
[ "$dark" -gt 40 ] || Fail "the About box shows no revision or build date ($dark dark pixels)"
# The icons' pixels as numbers, ARGB: the drawing's orange commit dots (E67E22) are the program's own.
xprop -id "$about" -f _NET_WM_ICON 32c _NET_WM_ICON | tr -s ', =' '\n' >"$work/about-icon"
grep -qx "$((0xFFE67E22))" "$work/about-icon" || Fail "the About box's title bar does not show the program's icon"
echo "About box: $dark dark pixels where its revision and date stand; the program's icon"
xdotool key --window "$about" Escape
WaitFor 10 eval '! xdotool search --onlyvisible --name "^About Corvane$" >/dev/null' || Fail "the About box did not close"

# Quit is the menu's last item: Up takes it.
menus=$(xdotool search --onlyvisible --pid "$PROGRAM_PID" 2>/dev/null | sort || true)
WaitFor 20 OpenMenu || Fail "the icon's menu did not open"
xdotool key Up Return
code=0
WaitForExit "$PROGRAM_PID" 30 || code=$?
PROGRAM_PID=
[ "$code" -eq 0 ] || Fail "the program ended with $code after Quit"
echo "quit with exit code 0"
