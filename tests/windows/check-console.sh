#!/usr/bin/env bash
# corvane --check typed in cmd.exe reaches the console entry corvane.com, which prints the outcomes
# and sets the exit status as on Linux: a copy behind its repository in a folder named with a blank
# and an accent, whose last commit is by Łukasz (a letter of no Western code page), a folder named
# "Łódź" that is no working copy, and a copy served by Linux's svnserve on 127.0.0.1. Paths, and
# svn's reasons that name them, read as Windows writes them. A console shows every letter; a file or
# a pipe gets UTF-8. Its --help, also as /?, tells Windows' places, console events and encodings.
# (The SDK's svn.exe takes its arguments in the ANSI code page, so no working copy here has a "Ł" in
# its path, and its own line about "Łódź" names "Lódz".)
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
svn mkdir -q -m "bob's folder" --username Łukasz "file://$work/repo/trunk/bob"
mkdir "$work/Łódź plain"

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
    "$(WindowsPath "$work/Łódź plain")" "$(WindowsPath "$work/served")") >"$work/output" 2>&1 || code=$?
# Each path is printed made absolute and cleaned, as Windows writes it, then its state; into a file,
# in UTF-8.
grep -qF "$(WindowsPath "$work/café copy")"$'\tmodified\tŁukasz\t' "$work/output" ||
    Fail "the copy behind is not modified by Łukasz"
grep -q "^  r2 Łukasz: bob's folder" "$work/output" || Fail "no revision line for the copy behind"
grep -qF "$(WindowsPath "$work/Łódź plain")"$'\terror local\t' "$work/output" || Fail "the plain folder is not in error"
# svn's reason names the folder as cmd.exe takes it back, with single backslashes.
grep -qF "  svn: E155007: '$(WindowsPath "$work")\\" "$work/output" ||
    Fail "svn's reason does not name the plain folder as Windows writes it"
grep -q $'served\tup-to-date\t' "$work/output" || Fail "the served copy is not up-to-date"
[ "$code" -eq 2 ] || Fail "exit status $code, not 2"
echo "corvane --check in cmd.exe into a file: three outcomes in UTF-8, exit status 2"

# In a console (Wine makes one of a terminal) the program hands the console its text, and the
# console shows each letter whatever its code page; UTF-8 bytes would show as "Ã©" and "Å\u0081".
(cd "$work/app" && LC_ALL=C.UTF-8 script -qec "$(printf '%q ' "$here/../support/wine-run.sh" "$build" "$sdk" \
    cmd /c corvane --check "$(WindowsPath "$work/café copy")" "$(WindowsPath "$work/Łódź plain")")" /dev/null) \
    >"$work/output" 2>&1 || true
grep -qF "$(WindowsPath "$work/café copy")" "$work/output" || Fail "the console does not show the copy's é"
grep -qF "Message from Łukasz:" "$work/output" || Fail "the console does not show Łukasz's Ł"
grep -qF "$(WindowsPath "$work/Łódź plain")" "$work/output" || Fail "the console does not show the folder Łódź"
echo "corvane --check in a console: é and Ł as they are"

# Its help, asked for as Windows programs are asked, tells Windows' places, console events and
# encodings, not Linux's.
(cd "$work/app" && Wine cmd /c corvane /?) >"$work/output" 2>&1 || Fail "corvane /? failed"
grep -q '^Usage: corvane' "$work/output" || Fail "corvane /? shows no help"
grep -qF '%APPDATA%\Corvane' "$work/output" || Fail "the help does not name %APPDATA%\\Corvane"
grep -qF '149 by Ctrl+Break' "$work/output" || Fail "the help does not give Ctrl+Break's status"
grep -qF 'are UTF-8' "$work/output" || Fail "the help does not say that a file or pipe gets UTF-8"
! grep -q 'SIGINT' "$work/output" || Fail "the help names SIGINT"
echo "corvane /? in cmd.exe: Windows' places, console events and encodings"
