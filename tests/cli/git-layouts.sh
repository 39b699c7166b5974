#!/usr/bin/env bash
# Git working trees in the layouts their users meet, checked by one corvane --check beside an svn
# working copy: behind by a colleague's commit; behind by the user's own push from another clone
# (quiet); ahead only; diverged; behind a force-pushed upstream; a detached HEAD; a branch without an
# upstream; an upstream branch deleted since; a server that is gone; an ssh server that wants a
# password (the check fails at once and asks nothing); a worktree; a submodule's folder; a path with
# blanks and non-ASCII letters; a clean file whose time stamp changed beside an edited one, in a
# clone with a stash; and edits that a lacking commit meets, which a pull would merge or not. The servers are bare repositories over file://, Linux's git daemon on
# 127.0.0.1 (git://) and an sshd of the test's own (ssh://).
#
# The check never changes a clone: the refs, HEAD, the index byte for byte, status, the stash and the
# config are the same after it as before; no file comes or goes in any repository's own folder while
# it runs (no FETCH_HEAD, no index.lock, however briefly); and no hook runs, though automatic gc would
# start with gc.auto=1 and an fsmonitor hook is set.
#
# usage: git-layouts.sh <corvane executable>
#        git-layouts.sh --wine <dist folder> <build folder> <Windows SDK>
# Under Wine the SDK's git.exe checks. It has no ssh and runs no file:// remote, so there every clone
# is served by git daemon, and the ssh row is left out.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../support/wait-lib.sh"
source "$here/../support/sshd-lib.sh"

wine=
if [ "$1" = --wine ]; then
    wine=1 dist=$2 build=$3 sdk=$4
else
    program=$1
fi

work=$(mktemp -d)
DAEMON_PID=
EndScenario() {
    if [ -n "$DAEMON_PID" ]; then
        kill "$DAEMON_PID" 2>/dev/null || true
        wait "$DAEMON_PID" 2>/dev/null || true
    fi
    EndSshd
    rm -rf "$work"
}
trap EndScenario EXIT
Fail() {
    echo "FAILED: $*" >&2
    exit 1
}
source "$here/../support/svn-lib.sh"
source "$here/../support/git-lib.sh"

export HOME="$work/home" LC_ALL=C.UTF-8
mkdir -p "$HOME" "$work/srv"
FreePort() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
port=$(FreePort)

# The user's own address, in every clone's configuration.
me="Mia Example"

# Server NAME: the bare repository srv/NAME.git, whose main has alice's commit "First", and a clone
# of it, seed-NAME, from which others commit.
Server() {
    git init -q --bare --initial-branch=main "$work/srv/$1.git"
    git clone -q "$work/srv/$1.git" "$work/seed-$1" 2>/dev/null
    GitCommitAs "$work/seed-$1" alice First
}

# Url NAME KIND: the server's URL over file:// or git:// (daemon); under Wine always git://.
Url() {
    if [ "$2" = file ] && [ -z "$wine" ]; then
        echo "file://$work/srv/$1.git"
    else
        echo "git://127.0.0.1:$port/srv/$1.git"
    fi
}

# Clone NAME SERVER KIND: the user's clone of the server, in the folder NAME.
Clone() {
    git -c protocol.file.allow=always clone -q --recurse-submodules "$(Url "$2" "$3")" "$work/$1"
    git -C "$work/$1" config user.email "$(GitEmail "$me")"
}

# What --check prints for the folder, each line given; paths as corvane prints them, hashes as HASH and
# times as TIME.
folders=()
Expect() {
    folders+=("$work/$1")
    shift
    printf '%s\n' "$@" >>"$work/expected"
}
if [ -n "$wine" ]; then
    shown="Z:$work"
else
    shown=$work
fi
T=$'\t'

# An svn working copy behind its repository, in the same run.
if [ -n "$wine" ]; then
    WindowsPath() { echo "Z:${1//\//\\}"; }
    Wine() { "$here/../support/wine-run.sh" "$build" "$sdk" "$@"; }
    svnadmin create "$work/repo"
    svnTool mkdir -m one --username bob "file://$work/repo/a"
    Wine svn.exe checkout -q "file:///$(WindowsPath "$work/repo" | tr '\\' /)" "$(WindowsPath "$work/alice")"
    svnTool mkdir -m two --username bob "file://$work/repo/b"
else
    MakeAliceBehind bob
fi
Expect alice "$shown/alice${T}modified${T}bob${T}TIME" "  Message from bob:" \
    "  alice was modified. (local=1, remote=2)" "  r2 bob: two"

for server in behind own ahead diverged forced detached topic deleted gone ssh worktree lib super stamps blanks edits; do
    Server "$server"
done
git daemon --reuseaddr --listen=127.0.0.1 --port="$port" --base-path="$work" --export-all --enable=receive-pack \
    2>"$work/daemon.log" &
DAEMON_PID=$!
WaitFor 20 git ls-remote -q "git://127.0.0.1:$port/srv/behind.git" >/dev/null 2>&1 || Fail "git daemon did not serve"

Clone behind behind file
GitCommitAs "$work/seed-behind" carol "Fix the parser"
Expect behind "$shown/behind${T}modified${T}carol${T}TIME" "  Message from carol:" \
    "  behind was modified. (behind by 1 commit)" "  HASH carol: Fix the parser"

Clone own-push own daemon
GitCommitAs "$work/seed-own" "$me" "My own change, from another clone"
Expect own-push "$shown/own-push${T}modified${T}$me${T}TIME" "  HASH $me: My own change, from another clone"

Clone ahead ahead file
GitCommitAs "$work/ahead" "$me" "Not pushed yet" --no-push
Expect ahead "$shown/ahead${T}up-to-date${T}alice${T}TIME"

Clone diverged diverged daemon
GitCommitAs "$work/diverged" "$me" "Mine" --no-push
GitCommitAs "$work/seed-diverged" carol "Theirs"
Expect diverged "$shown/diverged${T}modified${T}carol${T}TIME" "  Message from carol:" \
    "  diverged was modified. (behind by 1 commit; the histories have diverged)" "  HASH carol: Theirs"

GitCommitAs "$work/seed-forced" bob "Second"
Clone forced forced file
git -C "$work/seed-forced" reset -q --hard HEAD~1
GitCommitAs "$work/seed-forced" dave "Rewritten" --no-push
git -C "$work/seed-forced" push -q --force origin HEAD:main
Expect forced "$shown/forced${T}modified${T}dave${T}TIME" "  Message from dave:" \
    "  forced was modified. (behind by 1 commit; the histories have diverged)" "  HASH dave: Rewritten"

Clone detached detached file
git -C "$work/detached" checkout -q --detach
Expect detached "$shown/detached${T}error local${T}${T}TIME" \
    "  HEAD is detached, so it follows no upstream; check out a branch to have it checked"

Clone topic topic file
git -C "$work/topic" checkout -q -b topic
Expect topic "$shown/topic${T}error local${T}${T}TIME" \
    "  the branch topic has no upstream; set one with \`git branch --set-upstream-to\`"

git -C "$work/seed-deleted" push -q origin main:feature
Clone deleted deleted daemon
git -C "$work/deleted" checkout -q -b feature --track origin/feature
git -C "$work/srv/deleted.git" branch -q -D feature
Expect deleted "$shown/deleted${T}error local${T}${T}TIME" \
    "  the upstream branch feature no longer exists on origin; set another with \`git branch --set-upstream-to\`"

# Nothing listens where the server was.
Clone gone gone daemon
git -C "$work/gone" remote set-url origin "git://127.0.0.1:$(FreePort)/srv/gone.git"
Expect gone "$shown/gone${T}error network/server${T}${T}TIME" "  fatal: unable to connect to 127.0.0.1: ..."

# The server takes passwords only; the clients' ssh, the one on the PATH, knows its host key.
if [ -z "$wine" ]; then
    StartSshd password
    Clone ssh ssh file
    git -C "$work/ssh" remote set-url origin "ssh://127.0.0.1:$SSHD_PORT$work/srv/ssh.git"
    mkdir -p "$work/bin"
    printf '#!/bin/sh\necho "$*" >>"%s"\nexec /usr/bin/ssh -F "%s" "$@"\n' "$work/ssh.calls" \
        "$work/ssh_config" >"$work/bin/ssh"
    printf '#!/bin/sh\necho "$*" >>"%s"\nexit 1\n' "$work/askpass.calls" >"$work/askpass"
    chmod +x "$work/bin/ssh" "$work/askpass"
    Expect ssh "$shown/ssh${T}error network/server${T}${T}TIME" \
        "  fatal: Could not read from remote repository. (USER@127.0.0.1: Permission denied (password).)"
fi

Clone worktree-main worktree file
git -C "$work/worktree-main" worktree add -q -b side --track "$work/worktree" origin/main
GitCommitAs "$work/seed-worktree" carol "For the worktree"
Expect worktree "$shown/worktree${T}modified${T}carol${T}TIME" "  Message from carol:" \
    "  worktree was modified. (behind by 1 commit)" "  HASH carol: For the worktree"

git -C "$work/seed-super" -c protocol.file.allow=always submodule add -q "$(Url lib file)" lib 2>/dev/null
GitCommitAs "$work/seed-super" alice "Take the library"
Clone super super file
git -C "$work/super/lib" checkout -q main
GitCommitAs "$work/seed-lib" carol "In the library"
Expect super/lib "$shown/super/lib${T}modified${T}carol${T}TIME" "  Message from carol:" \
    "  lib was modified. (behind by 1 commit)" "  HASH carol: In the library"

blanks="mit Leerzeichen und Ümläüten"
Clone "$blanks" blanks file
GitCommitAs "$work/seed-blanks" "Zoë Ångström" "Für die Ümläüte"
Expect "$blanks" "$shown/$blanks${T}modified${T}Zoë Ångström${T}TIME" "  Message from Zoë Ångström:" \
    "  $blanks was modified. (behind by 1 commit)" "  HASH Zoë Ångström: Für die Ümläüte"

# An edited file, and a clean one whose time stamp alone changed, which a status that refreshes the
# index would write into it; a stash; an fsmonitor hook.
Clone stamps stamps file
printf 'a\n' >"$work/stamps/edited.txt"
printf 'b\n' >"$work/stamps/touched.txt"
GitCommitAs "$work/stamps" "$me" "Two files"
printf 'stashed\n' >>"$work/stamps/edited.txt"
git -C "$work/stamps" stash -q
printf 'edited\n' >>"$work/stamps/edited.txt"
touch -d '2001-02-03 04:05:06' "$work/stamps/touched.txt"
printf '#!/bin/sh\necho fsmonitor >>"%s"\n' "$work/hooks.log" >"$work/fsmonitor"
chmod +x "$work/fsmonitor"
git -C "$work/stamps" config core.fsmonitor "$work/fsmonitor"
Expect stamps "$shown/stamps${T}up-to-date${T}$me${T}TIME"

# Edits that the lacking commit meets: one that conflicts, one that merges, and an untracked file that
# the commit adds too.
printf '1\n2\n3\n4\n5\n6\n' >"$work/seed-edits/merges.txt"
printf 'old\n' >"$work/seed-edits/conflicts.txt"
GitCommitAs "$work/seed-edits" alice "Two files"
Clone edits edits file
printf 'one\n2\n3\n4\n5\n6\n' >"$work/edits/merges.txt"
printf 'mine\n' | tee "$work/edits/conflicts.txt" >"$work/edits/added.txt"
printf '1\n2\n3\n4\n5\nsix\n' >"$work/seed-edits/merges.txt"
printf 'theirs\n' | tee "$work/seed-edits/conflicts.txt" >"$work/seed-edits/added.txt"
GitCommitAs "$work/seed-edits" carol "Meet the edits"
Expect edits "$shown/edits${T}modified${T}carol${T}TIME" "  Message from carol:" \
    "  edits was modified. (behind by 1 commit)" "  HASH carol: Meet the edits" \
    "  conflicts.txt: your edit conflicts with HASH" "  merges.txt: your edit merges with HASH" \
    "  added.txt: your edit conflicts with HASH"

# From here on every repository starts gc at once if asked to, and its hooks say when they run.
gitFolders=()
for folder in "${folders[@]}"; do
    [ -e "$folder/.git" ] || continue
    gitFolders+=("$folder")
    common=$(cd "$folder" && realpath "$(git rev-parse --git-common-dir)")
    git -C "$folder" config gc.auto 1
    for hook in reference-transaction pre-auto-gc post-index-change post-checkout post-merge; do
        printf '#!/bin/sh\necho %s >>"%s"\n' "$hook" "$work/hooks.log" >"$common/hooks/$hook"
        chmod +x "$common/hooks/$hook"
    done
done
# What the check must leave as it is. The index's checksum comes first, before any status.
Snapshot() {
    local folder gitdir common
    for folder in "${gitFolders[@]}"; do
        gitdir=$(git -C "$folder" rev-parse --absolute-git-dir)
        common=$(cd "$folder" && realpath "$(git rev-parse --git-common-dir)")
        echo "== $folder"
        sha256sum "$gitdir/index" "$common/config"
        cat "$gitdir/HEAD"
        git -C "$folder" rev-parse HEAD
        git -C "$folder" for-each-ref --format='%(objectname) %(refname)'
        git -C "$folder" -c core.fsmonitor=false --no-optional-locks status --porcelain=v2 --branch
        git -C "$folder" stash list
        ls -a "$gitdir" "$common"
    done
}
Snapshot >"$work/before"
watched=()
for folder in "${gitFolders[@]}"; do
    watched+=("$(git -C "$folder" rev-parse --absolute-git-dir)" "$(cd "$folder" && realpath "$(git rev-parse --git-common-dir)")")
done
mkfifo "$work/watch.in"
python3 "$here/../support/folder-events.py" "${watched[@]}" <"$work/watch.in" >"$work/events" &
watch=$!
exec {watchInput}>"$work/watch.in"
WaitFor 20 grep -qx ready "$work/events" || Fail "the folders' watch did not start"

code=0
if [ -n "$wine" ]; then
    cp -r "$dist" "$work/app"
    windowsFolders=()
    for folder in "${folders[@]}"; do windowsFolders+=("$(WindowsPath "$folder")"); done
    (cd "$work/app" && Wine cmd /c corvane --check "${windowsFolders[@]}") >"$work/output" 2>"$work/errors" ||
        code=$?
else
    env PATH="$work/bin:$PATH" DISPLAY=:0 SSH_ASKPASS="$work/askpass" GIT_ASKPASS="$work/askpass" \
        setsid -w "$program" --check "${folders[@]}" </dev/null >"$work/output" 2>"$work/errors" || code=$?
fi
exec {watchInput}>&-
wait "$watch" || Fail "the folders' watch failed"
events=$(grep -vx ready "$work/events" || true)

tr -d '\r' <"$work/output" | sed -E -e 's/\t[0-9]{2}:[0-9]{2}:[0-9]{2}$/\tTIME/' \
    -e 's/^  [0-9a-f]{7,} /  HASH /' -e 's/(: your edit [a-z]+ with) [0-9a-f]{7,}$/\1 HASH/' -e 's/^(  fatal: unable to connect to 127\.0\.0\.1:).*/\1 .../' \
    -e 's/\([^ ]+@127\.0\.0\.1: Permission denied/(USER@127.0.0.1: Permission denied/' >"$work/outcomes"
if [ -n "$wine" ]; then
    # The Windows program prints its folders with the system's own separators.
    awk -F'\t' 'BEGIN { OFS = "\t" } /^Z:/ { gsub("/", "\\", $1) } { print }' "$work/expected" >"$work/expected.native"
    mv "$work/expected.native" "$work/expected"
fi
diff -u "$work/expected" "$work/outcomes" || Fail "unexpected outcomes; errors: $(cat "$work/errors")"
[ "$code" -eq 2 ] || Fail "exit status $code, not 2"
[ -z "$events" ] || Fail "files came or went in the repositories' folders during the check: $events"
[ ! -e "$work/hooks.log" ] || Fail "hooks ran: $(tr '\n' ' ' <"$work/hooks.log")"
Snapshot >"$work/after"
diff -u "$work/before" "$work/after" || Fail "a check changed a clone"
if [ -z "$wine" ]; then
    [ ! -e "$work/askpass.calls" ] || Fail "an askpass program was started: $(cat "$work/askpass.calls")"
    grep -q -- '-o BatchMode=yes' "$work/ssh.calls" || Fail "ssh did not run in batch mode: $(cat "$work/ssh.calls")"
fi
echo "${#folders[@]} folders checked in one run as expected; no clone changed, no hook ran, nothing asked"
