# Real git for the test scripts. Sourced, not run; needs $work. git reads neither the system's
# configuration nor the user's own.
export GIT_CONFIG_NOSYSTEM=1 GIT_CONFIG_GLOBAL=/dev/null

# An author's e-mail address: the name without blanks, in lower case, at example.com.
GitEmail() { echo "${1// /}@example.com" | tr 'A-Z' 'a-z'; }

# GitCommitAs CLONE AUTHOR MESSAGE [--no-push]: a new file, committed by AUTHOR and pushed to main.
GitCommitAs() {
    mktemp -p "$1" change-XXXXXX >/dev/null
    git -C "$1" add -A
    git -C "$1" -c user.name="$2" -c user.email="$(GitEmail "$2")" commit -q -m "$3"
    [ "${4:-}" = --no-push ] || git -C "$1" push -q origin HEAD:main
}

# A bare repository $work/server.git with two clones: $work/clone stays at alice's first commit while
# $1 pushes "Fix the parser" from $work/seed.
MakeCloneBehind() {
    git init -q --bare --initial-branch=main "$work/server.git"
    git clone -q "$work/server.git" "$work/seed" 2>/dev/null
    GitCommitAs "$work/seed" alice First
    git clone -q "$work/server.git" "$work/clone"
    GitCommitAs "$work/seed" "$1" "Fix the parser"
}
