# Shared by the desktop test scripts: the virtual desktop, the program under test and what it shows.
# Sourced, not run.

source "$(dirname "${BASH_SOURCE[0]}")/../support/wait-lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../support/svn-lib.sh"

# Exports DISPLAY of the desktop that start-desktop.sh made in state folder $1.
UseDesktop() {
    if [ ! -s "$1/display" ]; then
        echo "no desktop: start-desktop.sh has not run" >&2
        exit 1
    fi
    DISPLAY=$(cat "$1/display")
    export DISPLAY
}

# The parent window id of window $1.
ParentOf() {
    # Given no window, xwininfo would wait for a mouse click instead.
    case "$1" in ""|0x0|0) return 0 ;; esac
    xwininfo -children -id "$1" | sed -n 's/^ *Parent window id: \(0x[0-9a-f]*\).*/\1/p'
}

# Prints the id of the window of process $1 that sits in trayer's panel; false when there is none.
DockedIcon() {
    local window parent panel
    for window in $(xdotool search --pid "$1" 2>/dev/null); do
        parent=$(ParentOf "$window")
        [ -n "$parent" ] && [ "$parent" != 0x0 ] || continue
        panel=$(ParentOf "$parent")
        [ -n "$panel" ] && [ "$panel" != 0x0 ] || continue
        if xwininfo -id "$panel" | grep -q '"panel"'; then
            echo "$window"
            return 0
        fi
    done
    return 1
}

# Prints the id of a balloon of process $1: a visible pop-up window of its own on the root window,
# wider than the tray icon; false when there is none.
Balloon() {
    local window info width
    for window in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
        info=$(xwininfo -id "$window")
        grep -q 'Override Redirect State: yes' <<<"$info" || continue
        width=$(sed -n 's/^ *Width: \([0-9]*\)/\1/p' <<<"$info")
        [ "$(ParentOf "$window")" = "$(xwininfo -root | sed -n 's/^xwininfo: Window id: \(0x[0-9a-f]*\).*/\1/p')" ] || continue
        if [ "${width:-0}" -gt 100 ]; then
            echo "$window"
            return 0
        fi
    done
    return 1
}

# Clicks mouse button $2 on the docked icon $1.
ClickIcon() {
    local x y
    eval "$(xdotool getwindowgeometry --shell "$1")"
    # Low in the icon: a balloon's arrow points at the icon's middle and may cover its upper half.
    x=$((X + WIDTH / 2))
    y=$((Y + HEIGHT * 3 / 4))
    xdotool mousemove "$x" "$y" click "$2"
}

# The ids of the windows that process $1 shows, one a line, in order.
VisibleWindowsOf() {
    xdotool search --onlyvisible --pid "$1" 2>/dev/null | sort
}

# Opens the menu of the docked icon $1 with a right click and waits until it shows, as a window that
# was not there before; the keys come after that, or they would go to no menu.
OpenMenu() {
    local pid before
    pid=$(xdotool getwindowpid "$1")
    # The icon is always among them, so an empty answer is a search that failed.
    before=$(WaitForOutput 5 VisibleWindowsOf "$pid") || Fail "no window of process $pid was found"
    # Right after a menu was closed by keys, Qt's XEmbed tray icon may open no menu for a right click;
    # the click is given again until one shows.
    for _ in 1 2 3; do
        ClickIcon "$1" 3
        WaitFor 5 eval '[ -n "$(comm -13 <(echo "$before") <(VisibleWindowsOf "$pid"))" ]' && return 0
    done
    Fail "the icon's menu did not open"
}

# Opens the menu of the docked icon $1 with a right click and chooses its item number $2, counted from
# 1 without the separators.
ChooseMenuItem() {
    OpenMenu "$1"
    # From no selection, Down selects the menu's first item.
    for _ in $(seq "$2"); do
        xdotool key Down
    done
    xdotool key Return
}

# Opens the menu of the docked icon $1 with a right click and chooses its last item, "Quit".
ChooseQuit() {
    OpenMenu "$1"
    # From no selection, Up selects the menu's last item.
    xdotool key Up Return
}

# Prints the id of a visible window of process $1 titled $2; false when there is none. Without --all,
# xdotool would take a window that meets any one of the conditions.
DialogOf() {
    xdotool search --all --onlyvisible --pid "$1" --name "^$2\$" 2>/dev/null | head -n 1 | grep .
}

# Makes a copy of the program in folder $2 from executable $1, with its own home, configuration and
# cache below that folder, ready for StartProgram.
PrepareProgram() {
    local program=$1 folder=$2
    mkdir -p "$folder/app" "$folder/home" "$folder/runtime"
    chmod 0700 "$folder/runtime"
    cp "$program" "$folder/app/corvane"
}

# Starts the copy made by PrepareProgram in folder $1, in its own folder, without a session bus so
# that Qt uses the X tray and draws its own balloons; the arguments after $1 are the program's. Sets
# PROGRAM_PID.
StartProgram() {
    local folder=$1
    shift
    (
        cd "$folder/app"
        exec env -u DBUS_SESSION_BUS_ADDRESS HOME="$folder/home" XDG_CONFIG_HOME="$folder/home/.config" \
            XDG_CACHE_HOME="$folder/home/.cache" XDG_RUNTIME_DIR="$folder/runtime" ./corvane "$@"
    ) </dev/null >"$folder/corvane.log" 2>&1 &
    PROGRAM_PID=$!
}

# Sets up a scenario: a scratch folder $work removed at the end together with the program whose pid
# the scenario puts in PROGRAM_PID, and Fail, which keeps a screenshot <name>-failure.png in the
# artifact folder $1 and the program's log before it ends the scenario.
StartScenario() {
    SCENARIO_ARTIFACTS=$1
    SCENARIO_NAME=$2
    mkdir -p "$SCENARIO_ARTIFACTS"
    work=$(mktemp -d)
    PROGRAM_PID=
    SILENT_SERVER_PID=
    trap EndScenario EXIT
}

EndScenario() {
    if [ -n "$PROGRAM_PID" ] && ! HasEnded "$PROGRAM_PID"; then
        kill -KILL "$PROGRAM_PID"
    fi
    if [ -n "$SILENT_SERVER_PID" ]; then
        kill "$SILENT_SERVER_PID" 2>/dev/null || true
        wait "$SILENT_SERVER_PID" 2>/dev/null || true
    fi
    rm -rf "$work"
}

Fail() {
    echo "FAILED: $*" >&2
    import -window root "$SCENARIO_ARTIFACTS/$SCENARIO_NAME-failure.png" || true
    cat "$work/corvane.log" >&2 || true
    exit 1
}
