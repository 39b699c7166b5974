#!/usr/bin/env bash
# Runs scripts/demo without a desktop on a copy of the built program, in a temporary folder with its
# own home and a group-writable program folder: both screenshots must exist and show something, the
# watch list that the program reads must name both working copies, and what the demo started (Xvfb,
# trayer, Corvane) must be gone afterwards.
# usage: demo-headless.sh <corvane executable>
set -euo pipefail
program=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
Fail() {
    echo "FAILED: $*" >&2
    exit 1
}
# A blank or nearly blank picture has a handful of colours; text and icons bring hundreds.
minimumColours=64

mkdir -p "$work/app" "$work/home"
cp "$program" "$work/app/corvane"
# A folder the user's group may write to keeps none of the user's files: the list goes to ~/.config.
chmod 775 "$work/app"
code=0
env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_RUNTIME_DIR HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
    XDG_CACHE_HOME="$work/home/.cache" CORVANE_PROGRAM="$work/app/corvane" CORVANE_DEMO_DIR="$work/demo" \
    "$root/scripts/demo" >"$work/demo.out" 2>&1 || code=$?
cat "$work/demo.out"
[ "$code" -eq 0 ] || Fail "scripts/demo ended with $code"

for picture in balloon report; do
    file="$work/demo/$picture.png"
    grep -qx "$file" "$work/demo.out" || Fail "the demo did not print the path of $file"
    [ -s "$file" ] || Fail "no $picture screenshot"
    colours=$(identify -format '%k' "$file")
    [ "$colours" -gt "$minimumColours" ] || Fail "the $picture screenshot looks blank ($colours colours)"
    echo "$picture.png: $(identify -format '%wx%h' "$file"), $colours colours"
done

list="$work/home/.config/corvane/pathlist.ini"
[ "$(cat "$list")" = "$work/demo/bob/moonbase
$work/demo/alice/moonbase" ] || Fail "the watch list in the configuration folder is: $(cat "$list")"
[ ! -e "$work/app/pathlist.ini" ] || Fail "the demo wrote a watch list the program does not read"

# Xvfb, trayer and Corvane wrote their output into the demo folder: none of them may still hold it.
holders=$({ find /proc/[0-9]*/fd -lname "$work/demo/*" 2>/dev/null || true; } | cut -d/ -f3 | sort -u)
[ -z "$holders" ] || Fail "processes the demo started are still running: $holders"
