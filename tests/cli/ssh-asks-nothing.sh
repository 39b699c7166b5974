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
source "$(dirname "$0")/../support/sshd-lib.sh"

work=$(mktemp -d)
EndScenario() {
    EndSshd
    rm -rf "$work"
}
trap EndScenario EXIT
Fail() {
    echo "FAILED: $*" >&2
    cat "$work/sshd.log" >&2 || true
    exit 1
}

# ssh reads only this configuration and knows only this key: none of the user's own.
StartSshd publickey
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
