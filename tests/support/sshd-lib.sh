# An sshd of the scenario's own for the test scripts. Sourced, not run; needs $work, WaitFor and Fail.

# StartSshd METHOD: starts sshd on 127.0.0.1 at a free port, as the scenario's user, with a host key
# and a configuration of its own, taking METHOD only: publickey (the key $work/user_key, made here,
# without a passphrase) or password. Writes $work/ssh_config, with which ssh knows that server and
# nothing of the user's own. Sets SSHD_PORT and SSHD_PID; the log is $work/sshd.log.
StartSshd() {
    local sshd=/usr/sbin/sshd
    [ -x "$sshd" ] || Fail "no $sshd (Debian: openssh-server)"
    # Run as root, sshd needs the folder that its service would make.
    if [ "$(id -u)" -eq 0 ] && [ ! -d /run/sshd ]; then
        mkdir -m 0755 /run/sshd
    fi
    SSHD_PORT=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    ssh-keygen -q -t ed25519 -N '' -f "$work/host_key"
    ssh-keygen -q -t ed25519 -N '' -f "$work/user_key"
    cat >"$work/sshd_config" <<CONFIG
ListenAddress 127.0.0.1:$SSHD_PORT
HostKey $work/host_key
PidFile none
AuthorizedKeysFile $work/user_key.pub
AuthenticationMethods $1
PasswordAuthentication yes
KbdInteractiveAuthentication no
StrictModes no
UsePAM no
AllowUsers $(id -un)
CONFIG
    "$sshd" -D -e -f "$work/sshd_config" 2>"$work/sshd.log" &
    SSHD_PID=$!
    WaitFor 20 bash -c "exec 3<>/dev/tcp/127.0.0.1/$SSHD_PORT" 2>/dev/null || Fail "sshd did not listen"
    echo "[127.0.0.1]:$SSHD_PORT $(cut -d' ' -f1-2 "$work/host_key.pub")" >"$work/known_hosts"
    cat >"$work/ssh_config" <<CONFIG
Host 127.0.0.1
    Port $SSHD_PORT
    User $(id -un)
    IdentityFile $work/user_key
    IdentitiesOnly yes
    IdentityAgent none
    UserKnownHostsFile $work/known_hosts
    StrictHostKeyChecking yes
CONFIG
}

# Stops the sshd of StartSshd, if it runs.
EndSshd() {
    if [ -n "${SSHD_PID:-}" ]; then
        kill "$SSHD_PID" 2>/dev/null || true
        wait "$SSHD_PID" 2>/dev/null || true
    fi
}
