#!/usr/bin/env bash
# Makes the Debian package with CPack into a temporary folder and checks its control fields and
# contents, that lintian finds no fault in it, and that man finds the page it installs.
# usage: package-deb.sh <build folder>
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
Fail() {
    echo "FAILED: $*" >&2
    exit 1
}

cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 || Fail "cpack: $(cat "$work/cpack.log")"
package=$(find "$work" -maxdepth 1 -name 'corvane_*.deb')
[ -n "$package" ] || Fail "no package was made: $(cat "$work/cpack.log")"

[ "$(dpkg-deb -f "$package" Package)" = corvane ] || Fail "the package is not named corvane"
depends=$(dpkg-deb -f "$package" Depends)
for needed in subversion libqt6widgets6 libtinyxml; do
    [[ "$depends" == *"$needed"* ]] || Fail "Depends lacks $needed: $depends"
done

contents=$(dpkg-deb -c "$package" | awk '{ print $NF }')
for file in ./usr/bin/corvane ./usr/share/applications/io.github.corvane.Corvane.desktop \
    ./usr/share/corvane/autostart/io.github.corvane.Corvane.desktop ./usr/share/icons/hicolor/48x48/apps/corvane.png \
    ./usr/share/icons/hicolor/64x64/apps/corvane.png ./usr/share/icons/hicolor/128x128/apps/corvane.png \
    ./usr/share/icons/hicolor/256x256/apps/corvane.png ./usr/share/icons/hicolor/scalable/apps/corvane.svg \
    ./usr/share/metainfo/io.github.corvane.Corvane.metainfo.xml ./usr/share/doc/corvane/copyright; do
    grep -qx -- "$file" <<<"$contents" || Fail "the package lacks $file"
done

# Any error or warning fails, an override whose context no longer matches the tag among them.
# lintian keeps a cache of its own in the temporary folder, which it leaves behind.
TMPDIR="$work" lintian --fail-on error,warning >"$work/lintian.log" 2>&1 "$package" || Fail "lintian: $(cat "$work/lintian.log")"

dpkg-deb -x "$package" "$work/root"
man -M "$work/root/usr/share/man" -w corvane >/dev/null || Fail "man does not find the package's page"
echo "$(basename "$package"): Depends: $depends"
