# Real svn for the test scripts. Sourced, not run; needs $work.

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
