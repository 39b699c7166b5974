# Shared by the Wayland test scripts: the desktop that start-wayland.sh made, its tray host, the
# program under test and what the desktop shows of it. Sourced, not run.

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

source "$here/../support/wait-lib.sh"
source "$here/../support/svn-lib.sh"

# Sets WAYLAND_STATE to the desktop made in state folder $1.
UseWayland() {
    if [ ! -e "$1/ready" ]; then
        echo "no Wayland desktop: start-wayland.sh has not run" >&2
        exit 1
    fi
    WAYLAND_STATE=$(readlink -f "$1")
}

# Runs a command as the desktop's user, on its bus and display.
AsUser() {
    "$here/as-user.sh" "$WAYLAND_STATE" "$@"
}

# The tray host: waybar with its tray module, the StatusNotifierWatcher and host of the session.
StartTray() {
    cat >"$WAYLAND_STATE/waybar.json" <<'JSON'
{"layer": "top", "position": "bottom", "height": 28, "modules-right": ["tray"], "tray": {"spacing": 4, "icon-size": 22}}
JSON
    chmod 0644 "$WAYLAND_STATE/waybar.json"
    # Started as a plain command, not through a function, so that $! is waybar itself, which StopTray ends.
    "$here/as-user.sh" "$WAYLAND_STATE" waybar --config "$WAYLAND_STATE/waybar.json" \
        </dev/null >"$WAYLAND_STATE/waybar.log" 2>&1 &
    echo $! >"$WAYLAND_STATE/waybar.pid"
}

StopTray() {
    local pidFile="$WAYLAND_STATE/waybar.pid"
    [ -f "$pidFile" ] || return 0
    kill "$(cat "$pidFile")" 2>/dev/null
    WaitFor 5 eval '! kill -0 "$(cat "$pidFile")" 2>/dev/null' || kill -KILL "$(cat "$pidFile")" 2>/dev/null
    rm -f "$pidFile"
    WaitFor 5 eval '! AsUser busctl --user status org.kde.StatusNotifierWatcher >/dev/null 2>&1'
}

# Prints "<bus name> <object path>" of the first StatusNotifierItem that the tray host knows; false
# when it knows none.
TrayItem() {
    local items
    items=$(AsUser busctl --user --json=short get-property org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
        org.kde.StatusNotifierWatcher RegisteredStatusNotifierItems 2>/dev/null) || return 1
    python3 -c 'import json, sys
items = json.loads(sys.argv[1])["data"]
if not items:
    sys.exit(1)
name, _, path = items[0].partition("/")
print(name, "/" + path if path else "/StatusNotifierItem")' "$items"
}

# Calls method $1 of the item's interface $2 at path $3 with signature $4 and arguments.
CallItem() {
    local name path
    read -r name path < <(TrayItem)
    local member=$1 interface=$2 object=$3
    shift 3
    AsUser busctl --user --json=short call "$name" "$object" "$interface" "$member" "$@"
}

# The object path of the menu that the item exports over DBusMenu; false when it exports none.
MenuPath() {
    local menu
    menu=$(CallItem Get org.freedesktop.DBus.Properties /StatusNotifierItem ss org.kde.StatusNotifierItem Menu |
        python3 -c 'import json, sys; print(json.load(sys.stdin)["data"][0]["data"])')
    [ "$menu" != /NO_DBUSMENU ] && echo "$menu"
}

# The exported menu's items as "id<TAB>label" lines, "-" for a separator.
MenuLayout() {
    CallItem GetLayout com.canonical.dbusmenu "$(MenuPath)" iias -- 0 -1 0 | python3 -c 'import json, sys
root = json.load(sys.stdin)["data"][1]
for child in root[2]:
    item_id, properties = child["data"][0], child["data"][1]
    if properties.get("type", {}).get("data") == "separator":
        print(item_id, "-", sep="\t")
    else:
        print(item_id, properties["label"]["data"], sep="\t")'
}

# The labels of the submenu labelled $1 in the exported menu, one a line.
SubmenuLabels() {
    CallItem GetLayout com.canonical.dbusmenu "$(MenuPath)" iias -- 0 -1 0 | python3 -c 'import json, sys
root = json.load(sys.stdin)["data"][1]
for child in root[2]:
    if child["data"][1].get("label", {}).get("data") == sys.argv[1]:
        for item in child["data"][2]:
            print(item["data"][1]["label"]["data"])' "$1"
}

# Chooses the item labelled $1 in the exported menu or in one of its submenus, as the tray host does
# when it is clicked.
ChooseMenuItem() {
    local id
    id=$(CallItem GetLayout com.canonical.dbusmenu "$(MenuPath)" iias -- 0 -1 0 | python3 -c 'import json, sys
def walk(node):
    for child in node[2]:
        item_id, properties = child["data"][0], child["data"][1]
        if properties.get("label", {}).get("data") == sys.argv[1]:
            print(item_id)
            sys.exit(0)
        walk(child["data"])
walk(json.load(sys.stdin)["data"][1])' "$1")
    CallItem Event com.canonical.dbusmenu "$(MenuPath)" isvu -- "$id" clicked s "" 0 >/dev/null
}

# The titles of the program's windows that sway shows, one a line (the tray menu would be one).
WindowsOf() {
    AsUser swaymsg -t get_tree --raw | python3 -c 'import json, sys
pid = int(sys.argv[1])
def walk(node):
    if node.get("pid") == pid:
        print(node.get("name") or "")
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        walk(child)
walk(json.load(sys.stdin))' "$1"
}

# True when the program $1 shows a window titled $2. The whole list is read: a reader that stops at
# the first match would break the lister's pipe, and pipefail would take that for a failure.
ShowsWindow() {
    WindowsOf "$1" | grep -x "$2" >/dev/null
}

# The notifications that mako shows, as JSON.
Notifications() {
    AsUser makoctl list
}

# Copies the program into the user's folder $2 with its own home below it; the copy, and the files
# that sanitizer options name, must be readable by the desktop's user.
PrepareProgram() {
    local program=$1 folder=$2
    mkdir -p "$folder/app"
    cp "$program" "$folder/app/corvane"
    local name option options
    for name in ASAN_OPTIONS LSAN_OPTIONS TSAN_OPTIONS UBSAN_OPTIONS; do
        IFS=: read -r -a options <<<"${!name:-}"
        for option in "${options[@]}"; do
            [[ $option == suppressions=* ]] || continue
            cp "${option#suppressions=}" "$folder/$name.supp"
            export "$name=${!name//$option/suppressions=$folder/$name.supp}"
        done
    done
}

# Starts the copy in folder $1 on the Wayland desktop, as the desktop's user; the arguments after $1
# are NAME=value settings of its environment. Sets PROGRAM_PID.
StartProgram() {
    local folder=$1
    shift
    # Memory that Qt's Wayland plugins leave to libwayland is reported after the plugins are unloaded;
    # only a full unwind reaches past their nameless frames to the library that the suppressions name.
    if [ -n "${ASAN_OPTIONS:-}" ]; then
        export ASAN_OPTIONS="$ASAN_OPTIONS:fast_unwind_on_malloc=0"
    fi
    chown -R "$(cat "$WAYLAND_STATE/user"):" "$folder"
    (cd "$folder/app" && exec "$here/as-user.sh" "$WAYLAND_STATE" env QT_QPA_PLATFORM=wayland "$@" ./corvane) \
        </dev/null >"$folder/corvane.log" 2>&1 &
    PROGRAM_PID=$!
}

# A scenario's scratch folder $work, readable by the desktop's user, removed at the end together with
# the program and the tray host; Fail keeps a screenshot <name>-failure.png in artifact folder $1.
StartScenario() {
    SCENARIO_ARTIFACTS=$1
    SCENARIO_NAME=$2
    mkdir -p "$SCENARIO_ARTIFACTS"
    work=$(mktemp -d)
    chmod 0755 "$work"
    PROGRAM_PID=
    SILENT_SERVER_PID=
    trap EndScenario EXIT
}

# Clean-up goes on past anything that is already gone.
EndScenario() {
    set +e
    if [ -n "$PROGRAM_PID" ] && ! HasEnded "$PROGRAM_PID"; then
        kill -KILL "$PROGRAM_PID"
        wait "$PROGRAM_PID" 2>/dev/null
    fi
    StopTray
    AsUser makoctl dismiss --all 2>/dev/null
    if [ -n "$SILENT_SERVER_PID" ]; then
        kill "$SILENT_SERVER_PID"
        wait "$SILENT_SERVER_PID"
    fi
    rm -rf "$work"
}

Screenshot() {
    AsUser grim - >"$1"
}

Fail() {
    echo "FAILED: $*" >&2
    Screenshot "$SCENARIO_ARTIFACTS/$SCENARIO_NAME-failure.png" || true
    cat "$work/corvane.log" >&2 || true
    echo "--- waybar:" >&2
    tail -n 20 "$WAYLAND_STATE/waybar.log" >&2 || true
    echo "--- the session bus:" >&2
    AsUser busctl --user list --no-pager >&2 || true
    exit 1
}
