#!/usr/bin/env bash
# An svn+ssh:// working copy whose key is not loaded, checked without a terminal but with DISPLAY and
# SSH_ASKPASS set, as on many desktops. svn run there by hand makes ssh start the askpass program to
# ask for the key's passphrase; corvane --check asks nothing, and the folder is "error
# network/server". The server is a real sshd of the test's own on 127.0.0.1, run as the test's user
# with its own host key and configuration; nothing reaches any other address.
# usage: ssh-asks-nothing.sh <corvane executable>
set -euo pipefail
program=$1
source "$(dirname "$0")/../support/wait-lib.sh"

sshd=/usr/sbin/sshd
[ -x "$sshd" ] || { echo "FAILED: no $sshd (Debian: openssh-server)" >&2; exit 1; }

work=$(mktemp -d)
sshd_pid=
EndScenario() {
    if [ -n "$sshd_pid" ]; then
        kill "$sshd_pid" 2>/dev/null || true
        wait "$sshd_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap EndScenario EXIT
Fail() {
    echo "FAILED: $*" >&2
    cat "$work/sshd.log" >&2 || true
    exit 1
}

# Run as root, sshd needs the folder that its service would make.
if [ "$(id -u)" -eq 0 ] && [ ! -d /run/sshd ]; then
    mkdir -m 0755 /run/sshd
fi

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
ssh-keygen -q -t ed25519 -N '' -f "$work/host_key"
ssh-keygen -q -t ed25519 -N '' -f "$work/user_key"
cat >"$work/sshd_config" <<EOF
ListenAddress 127.0.0.1:$port
HostKey $work/host_key
PidFile none
AuthorizedKeysFile $work/user_key.pub
AuthenticationMethods publickey
StrictModes no
UsePAM no
AllowUsers $(id -un)
EOF
"$sshd" -D -e -f "$work/sshd_config" 2>"$work/sshd.log" &
sshd_pid=$!
WaitFor 20 bash -c "exec 3<>/dev/tcp/127.0.0.1/$port" 2>/dev/null || Fail "sshd did not listen"

# ssh reads only this configuration and knows only this key: none of the user's own.
echo "[127.0.0.1]:$port $(cut -d' ' -f1-2 "$work/host_key.pub")" >"$work/known_hosts"
cat >"$work/ssh_config" <<EOF
Host 127.0.0.1
    Port $port
    User $(id -un)
    IdentityFile $work/user_key
    IdentitiesOnly yes
    IdentityAgent none
    UserKnownHostsFile $work/known_hosts
    StrictHostKeyChecking yes
EOF
mkdir -p "$work/home"
export HOME="$work/home" SVN_SSH="ssh -F $work/ssh_config"
unset SSH_AUTH_SOCK SSH_ASKPASS_REQUIRE

svnadmin create "$work/repo"
svn -q --non-interactive checkout "svn+ssh://127.0.0.1$work/repo" "$work/wc" </dev/null ||
    Fail "no checkout through sshd"
# From now on the key needs its passphrase, which nothing has loaded.
ssh-keygen -q -p -P '' -N 'a passphrase' -f "$work/user_key" >/dev/null

printf '#!/bin/sh\necho called >>"%s"\nexit 1\n' "$work/askpass.calls" >"$work/askpass"
chmod +x "$work/askpass"
export DISPLAY=:0 SSH_ASKPASS="$work/askpass"

# svn without a terminal, as the checks run it, but in the user's own environment: ssh asks.
setsid -w svn info "svn+ssh://127.0.0.1$work/repo" </dev/null >/dev/null 2>&1 || true
[ -s "$work/askpass.calls" ] || Fail "ssh never asked, so the check below would prove nothing"
rm "$work/askpass.calls"

code=0
output=$(setsid -w "$program" --check "$work/wc" </dev/null 2>"$work/errors") || code=$?
[ ! -e "$work/askpass.calls" ] || Fail "the check started the askpass program $(wc -l <"$work/askpass.calls") times"
[ "$code" -eq 2 ] || Fail "--check ended with $code: $output $(cat "$work/errors")"
[[ $output == "$work/wc"$'\t'"error network/server"$'\t'* ]] || Fail "unexpected outcome: $output"
echo "the check asked nothing: $output"
