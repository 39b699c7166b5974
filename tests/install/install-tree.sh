#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the tree: the program under bin/, the menu
# entry, the hicolor icons, the autostart entry, the manual page, the AppStream metadata, the licence
# and the changelog under share/, nothing else, each valid to its own validator; the installed program
# runs, and keeps its watch list and log in the user's configuration folder, even where it may write.
# usage: install-tree.sh <build folder>
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
Fail() {
    echo "FAILED: $*" >&2
    exit 1
}

cmake --install "$build" --prefix "$prefix" >"$work/install.log" || Fail "cmake --install: $(cat "$work/install.log")"

expected="bin/corvane
share/applications/io.github.corvane.Corvane.desktop
share/corvane/autostart/io.github.corvane.Corvane.desktop
share/doc/corvane/changelog.gz
share/doc/corvane/copyright
share/icons/hicolor/128x128/apps/corvane.png
share/icons/hicolor/16x16/apps/corvane.png
share/icons/hicolor/22x22/apps/corvane.png
share/icons/hicolor/24x24/apps/corvane.png
share/icons/hicolor/256x256/apps/corvane.png
share/icons/hicolor/32x32/apps/corvane.png
share/icons/hicolor/48x48/apps/corvane.png
share/icons/hicolor/64x64/apps/corvane.png
share/icons/hicolor/scalable/apps/corvane.svg
share/man/man1/corvane.1.gz
share/metainfo/io.github.corvane.Corvane.metainfo.xml"
actual=$(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort)
[ "$actual" = "$expected" ] || Fail "the tree holds:
$actual
instead of:
$expected"

[ -x "$prefix/bin/corvane" ] || Fail "bin/corvane is not executable"

while IFS= read -r entry; do
    verdict=$(desktop-file-validate "$entry" 2>&1) && [ -z "$verdict" ] ||
        Fail "$entry is not a valid desktop entry: $verdict"
done < <(find "$prefix" -name '*.desktop')
autostart="$prefix/share/corvane/autostart/io.github.corvane.Corvane.desktop"
for entry in "$prefix/share/applications/io.github.corvane.Corvane.desktop" "$autostart"; do
    grep -qx 'Exec=corvane' "$entry" || Fail "$entry does not run corvane"
    grep -qx 'Icon=corvane' "$entry" || Fail "$entry does not name the icon"
    categories=$(sed -n 's/^Categories=//p' "$entry")
    for category in Development RevisionControl; do
        [[ ";$categories" == *";$category;"* ]] || Fail "$entry lacks the category $category"
    done
done
grep -qx 'X-GNOME-Autostart-enabled=true' "$autostart" || Fail "the autostart entry is not enabled"
# Corvane waits for a tray itself; a delay that only GNOME honours would only slow it there.
! grep -q '^X-GNOME-Autostart-Delay' "$autostart" || Fail "the autostart entry delays the start"
# The tree as a software centre reads it: the metadata, and the desktop entry it launches.
verdict=$(appstreamcli validate-tree --no-net --strict "$prefix" 2>&1) || Fail "appstreamcli: $verdict"
grep -q '<svg' "$prefix/share/icons/hicolor/scalable/apps/corvane.svg" || Fail "the scalable icon is no SVG"

for size in 16 22 24 32 48 64 128 256; do
    icon="$prefix/share/icons/hicolor/${size}x${size}/apps/corvane.png"
    [ "$(identify -format '%wx%h' "$icon")" = "${size}x${size}" ] || Fail "$icon is not ${size}x${size}"
done

# The manual page renders without a warning and names every option that --help prints.
page=$(LC_ALL=C.UTF-8 man --warnings -l "$prefix/share/man/man1/corvane.1.gz" 2>"$work/man.err")
[ ! -s "$work/man.err" ] || Fail "the manual page does not render cleanly: $(cat "$work/man.err")"
help=$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/corvane" --help) || Fail "corvane --help failed"
for option in $(grep -o -- '--[a-z][-a-z]*' <<<"$help" | sort -u); do
    grep -q -- "$option" <<<"$page" || Fail "the manual page does not name $option"
done

version=$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/corvane" --version) || Fail "corvane --version failed"
[ "$version" = "Corvane Revision 100" ] || Fail "corvane --version printed '$version'"

# The installed program keeps the watch list and its logs in $XDG_CONFIG_HOME/corvane, also when its
# user may write to bin/, as root may and as the owner of a prefix in a home folder may.
config="$work/config"
mkdir -p "$config/corvane" "$work/watched"
echo "$work/watched" >"$config/corvane/pathlist.ini"
chmod 755 "$prefix/bin"
code=0
output=$(cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY HOME="$work" XDG_CONFIG_HOME="$config" \
    XDG_CACHE_HOME="$work/nocache" "$prefix/bin/corvane" --check --log 2>"$work/check.err") || code=$?
[ "$code" -eq 2 ] || Fail "corvane --check on a folder that is no working copy ended with $code: $(cat "$work/check.err")"
[[ "$output" == "$work/watched"$'\t''error local'$'\t'* ]] ||
    Fail "the installed program did not check the folder of its user's watch list: '$output' $(cat "$work/check.err")"
[ "$(ls "$prefix/bin")" = corvane ] || Fail "the user's files appeared beside the installed program: $(ls "$prefix/bin")"
grep -q "Logfile is terminate" "$config/corvane/Corvane-check.log" || Fail "the log is not in the configuration folder"

echo "install tree complete: $(echo "$expected" | wc -l) files"
