#!/usr/bin/env bash
# corvane --check typed in cmd.exe reaches the console entry corvane.com, which prints the outcomes
# and sets the exit status as on Linux: a copy behind its repository in a folder named with a blank
# and accents, a folder that is no working copy, and a copy served by Linux's svnserve on 127.0.0.1.
# Its --help tells Windows' places and console events.
# usage: check-console.sh <dist folder> <build folder> <Windows SDK>
set -euo pipefail
dist=$1 build=$2 sdk=$3
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
SERVER_PID=
EndScenario() {
    [ -z "$SERVER_PID" ] || kill "$SERVER_PID" 2>/dev/null || true
    rm -rf "$work"
}
trap EndScenario EXIT
Fail() {
    echo "FAILED: $*" >&2
    cat "$work/output" >&2 || true
    exit 1
}
WindowsPath() { echo "Z:${1//\//\\}"; }
Wine() { "$here/../support/wine-run.sh" "$build" "$sdk" "$@"; }

svnadmin create "$work/repo"
svn mkdir -q -m "trunk" --username alice "file://$work/repo/trunk"
Wine svn.exe checkout -q "file:///$(WindowsPath "$work/repo/trunk" | tr '\\' /)" "$(WindowsPath "$work/café copy")"
svn mkdir -q -m "bob's folder" --username bob "file://$work/repo/trunk/bob"
mkdir "$work/plain folder"

# A port that was free a moment ago; a lost race shows as a failed checkout.
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
svnserve --daemon --foreground --root "$work" --listen-host 127.0.0.1 --listen-port "$port" &
SERVER_PID=$!
for _ in $(seq 100); do
    Wine svn.exe info -q "svn://127.0.0.1:$port/repo" >/dev/null 2>&1 && break
    sleep 0.1
done
Wine svn.exe checkout -q "svn://127.0.0.1:$port/repo/trunk" "$(WindowsPath "$work/served")"

cp -r "$dist" "$work/app"
code=0
(cd "$work/app" && Wine cmd /c corvane --check "$(WindowsPath "$work/café copy")" \
    "$(WindowsPath "$work/plain folder")" "$(WindowsPath "$work/served")") >"$work/output" 2>&1 || code=$?
# Each path is printed made absolute and cleaned, as Qt writes it, then its state.
grep -q $'^Z:/.*/café copy\tmodified\tbob\t' "$work/output" || Fail "the copy behind is not modified by bob"
grep -q "^  r2 bob: bob's folder" "$work/output" || Fail "no revision line for the copy behind"
grep -q $'plain folder\terror local\t' "$work/output" || Fail "the plain folder is not in error"
grep -q $'served\tup-to-date\t' "$work/output" || Fail "the served copy is not up-to-date"
[ "$code" -eq 2 ] || Fail "exit status $code, not 2"
echo "corvane --check in cmd.exe: three outcomes, exit status 2"

# Its help tells Windows' places and console events, not Linux's.
(cd "$work/app" && Wine cmd /c corvane --help) >"$work/output" 2>&1 || Fail "corvane --help failed"
grep -qF '%APPDATA%\Corvane' "$work/output" || Fail "the help does not name %APPDATA%\\Corvane"
grep -qF '149 by Ctrl+Break' "$work/output" || Fail "the help does not give Ctrl+Break's status"
! grep -q 'SIGINT' "$work/output" || Fail "the help names SIGINT"
echo "corvane --help in cmd.exe: Windows' places and console events"
