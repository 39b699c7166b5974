#!/usr/bin/env bash
# Makes the Debian package with CPack into a temporary folder and checks its control fields and
# contents.
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
    ./usr/share/metainfo/io.github.corvane.Corvane.metainfo.xml; do
    grep -qx -- "$file" <<<"$contents" || Fail "the package lacks $file"
done
echo "$(basename "$package"): Depends: $depends"
