#!/usr/bin/env bash
# SIGTERM to the real tray program, and SIGINT to `corvane --check`, each while its svn run hangs on a
# server that accepts the connection and never answers: the program ends within 2 s, with exit code 0
# for the tray program and 130 for --check, and no svn is left.
# usage: signal-during-hung-check.sh <corvane executable> <desktop state folder> <artifact folder>
set -euo pipefail
program=$1
state=$2
artifacts=$3
source "$(dirname "$0")/desktop-lib.sh"
UseDesktop "$state"
StartScenario "$artifacts" signal-hung

# A working copy checked out from svnserve, whose port then goes to a server that never answers.
svnadmin create "$work/repo"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
svnserve -d --foreground --listen-host 127.0.0.1 --listen-port "$port" -r "$work" &
server=$!
WaitFor 10 svn --non-interactive --config-dir "$work/svnconfig" -q checkout "svn://127.0.0.1:$port/repo" \
    "$work/wc" || Fail "no checkout from svnserve"
kill "$server"
wait "$server" || true
python3 -c '
import socket, sys, time
server = socket.socket()
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind(("127.0.0.1", int(sys.argv[1])))
server.listen(16)
time.sleep(3600)
' "$port" &
silent=$!
trap 'kill "$silent" 2>/dev/null; EndScenario' EXIT
WaitFor 10 bash -c "exec 3<>/dev/tcp/127.0.0.1/$port" 2>/dev/null || Fail "the silent server did not listen"

# Prints the id of the svn that process $1 runs; false when it runs none.
SvnOf() {
    ps -o pid=,comm= --ppid "$1" | awk '$2 == "svn" { print $1; found = 1 } END { exit !found }'
}

# Sends signal $1 to process $2 once its svn hangs; checks its end against exit code $3.
SignalDuringHang() {
    local svnPid took code=0 sent
    WaitFor 20 SvnOf "$2" >/dev/null || Fail "no svn run started"
    svnPid=$(SvnOf "$2")
    # The first run, on the working copy, answers at once; the one on the URL hangs.
    sleep 1
    kill -0 "$svnPid" 2>/dev/null || svnPid=$(SvnOf "$2") || Fail "the svn run did not hang"
    sent=$(date +%s%N)
    kill "-$1" "$2"
    WaitForExit "$2" 10 || code=$?
    took=$((($(date +%s%N) - sent) / 1000000))
    [ "$code" -eq "$3" ] || Fail "SIGNAL $1 ended the program with $code, not $3"
    [ "$took" -lt 2000 ] || Fail "the program took $took ms to end on SIG$1"
    ! kill -0 "$svnPid" 2>/dev/null || Fail "svn ($svnPid) outlived the program"
    echo "SIG$1: exit code $code after $took ms, svn gone"
}

PrepareProgram "$program" "$work"
echo "$work/wc" >"$work/app/pathlist.ini"
StartProgram "$work"
WaitFor 20 DockedIcon "$PROGRAM_PID" >/dev/null || Fail "the icon never docked in the tray"
SignalDuringHang TERM "$PROGRAM_PID" 0
PROGRAM_PID=

(cd "$work/app" && exec env HOME="$work/home" XDG_CACHE_HOME="$work/home/.cache" ./corvane --check "$work/wc") </dev/null >"$work/corvane.log" 2>&1 &
PROGRAM_PID=$!
SignalDuringHang INT "$PROGRAM_PID" 130
PROGRAM_PID=
