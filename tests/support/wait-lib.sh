# Waiting in the test scripts: for a condition, and for a process to end. Sourced, not run.

# Runs the command until it succeeds, for at most $1 seconds; false when it never does.
WaitFor() {
    local tries=$(($1 * 10))
    shift
    for _ in $(seq "$tries"); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# Runs the command until it succeeds, for at most $1 seconds, and prints what that run printed; false
# when it never does. What was found is taken from the run that found it: an X search asked again may
# fail, as it does whenever a window goes away while the search walks the windows.
WaitForOutput() {
    local tries=$(($1 * 10)) output
    shift
    for _ in $(seq "$tries"); do
        if output=$("$@"); then
            printf '%s\n' "$output"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# True once process $1 has ended (a zombie that waits for its parent counts as ended).
HasEnded() {
    local stat
    stat=$(ps -o stat= -p "$1") || return 0
    [[ $stat == Z* ]]
}

# Waits up to $2 seconds for process $1, a child of this shell, to end. Its exit code, or 124 when it
# is still running.
WaitForExit() {
    WaitFor "$2" HasEnded "$1" || return 124
    local code=0
    wait "$1" || code=$?
    return "$code"
}
