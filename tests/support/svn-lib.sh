# Real svn for the test scripts. Sourced, not run; needs $work, and WaitFor and Fail.

svnTool() { LC_ALL=C.UTF-8 svn --non-interactive --config-dir "$work/svnconfig" -q "$@"; }

# A repository in $work/repo with two working copies: $work/alice stays at revision 1 while $1
# commits revision 2 from $work/bob.
MakeAliceBehind() {
    svnadmin create "$work/repo"
    svnTool checkout "file://$work/repo" "$work/alice"
    svnTool checkout "file://$work/repo" "$work/bob"
    echo one >"$work/bob/a.txt"
    svnTool add "$work/bob/a.txt"
    svnTool commit --username bob -m one "$work/bob"
    svnTool update "$work/alice"
    echo two >"$work/bob/a.txt"
    svnTool commit --username "$1" -m two "$work/bob"
}

# Makes working copy $1 checked out from svnserve, then gives the server's port to a server that
# accepts connections and never answers, so that svn hangs on the working copy's URL. The silent
# server goes with the scenario.
MakeHungWorkingCopy() {
    local port server
    svnadmin create "$work/repo"
    port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    svnserve -d --foreground --listen-host 127.0.0.1 --listen-port "$port" -r "$work" &
    server=$!
    WaitFor 10 svn --non-interactive --config-dir "$work/svnconfig" -q checkout "svn://127.0.0.1:$port/repo" \
        "$1" || Fail "no checkout from svnserve"
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
    SILENT_SERVER_PID=$!
    WaitFor 10 bash -c "exec 3<>/dev/tcp/127.0.0.1/$port" 2>/dev/null || Fail "the silent server did not listen"
}

# Prints the id of the svn that process $1 runs; false when it runs none.
SvnOf() {
    ps -o pid=,comm= --ppid "$1" | awk '$2 == "svn" { print $1; found = 1 } END { exit !found }'
}

# Prints the id of the svn that process $1 runs on an svn:// URL, the run that hangs on the silent
# server of MakeHungWorkingCopy; false when it runs none (the run on the working copy comes first).
HungSvnOf() {
    local pid
    for pid in $(SvnOf "$1"); do
        if tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -q ' svn://'; then
            echo "$pid"
            return 0
        fi
    done
    return 1
}
