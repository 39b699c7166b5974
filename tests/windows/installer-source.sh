#!/usr/bin/env bash
# Builds the MSI and the zip from a stand-in of the Windows program's folder (empty files and tiny
# programs under the real names), so that a WiX source that wixl refuses fails on every build, and
# reads back what the packaging script adds to wixl's work: the version, a package for x64 that needs
# no elevation, the rows added after wixl, the installer's actions, the upgrade, and every file in the
# package and in the zip.
# What the rows do is tested under Wine (release.sh).
# usage: installer-source.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
Fail() {
    echo "FAILED: $*" >&2
    exit 1
}
# One table of the package as tab-separated rows, without its three header lines. A table that holds
# files, such as Binary, is exported with them into the current folder: the test's own.
Table() { (cd "$work" && msiinfo export "$msi" "$1") | tail -n +4 | tr -d '\r'; }
Row() { Table "$1" | grep -qxF "$2" || Fail "the $1 table lacks the row '$2'; it holds:
$(Table "$1")"; }

mkdir -p "$work/dist/platforms" "$work/dist/styles"
for file in Qt6Core.dll libstdc++-6.dll platforms/qwindows.dll styles/qwindowsvistastyle.dll; do
    : >"$work/dist/$file"
done
# The programs are stripped on the way in: they must be programs.
echo 'int main(void) { return 0; }' | x86_64-w64-mingw32-gcc -x c - -o "$work/dist/corvane.exe"
cp "$work/dist/corvane.exe" "$work/dist/corvane.com"
# The installer's own actions, which go into the package beside the folder's files.
echo 'int AddToUserPath(void) { return 0; }' | x86_64-w64-mingw32-gcc -x c - -shared -o "$work/corvane-setup.dll"
"$root/scripts/package-windows" "$work" 1.2.3 >/dev/null 2>"$work/package.log" || Fail "$(cat "$work/package.log")"
msi=$work/corvane-1.2.3-x64.msi

Row Property $'ProductVersion\t1.2.3'
msiinfo suminfo "$msi" | grep -q '^Template: x64;1033' || Fail "the package is not for x64"
# Per user, with no elevation asked (the summary's word count holds 8).
! Table Property | grep -q '^ALLUSERS' || Fail "the package installs for all users"
[ $(($(msiinfo suminfo "$msi" | sed -n 's/^Source: \([0-9]*\).*/\1/p') & 8)) -ne 0 ] || Fail "the package asks for elevation"
# The rows added after wixl, to a table it made and to one it did not make.
Row CustomAction $'EndRunningCorvane\t98\tINSTALLDIR\t"[INSTALLDIR]corvane.com" --quit\t'
Row Condition $'StartAtLogon\t0\tAUTOSTART = "0"'
# The installer's actions: from its DLL, the PATH and the local files; then Corvane starts, unless
# LAUNCH=0, without waiting for it. "Add or remove programs" links to the README.
Table Binary | cut -f1 | grep -qxF SetupActions || Fail "the package lacks the installer's actions"
for action in AddToUserPath RemoveFromUserPath RemoveLocalFiles; do
    # A function of the DLL in the Binary table (1) whose result is not checked (64), run at once.
    IFS=$'\t' read -r _ type source target _ < <(Table CustomAction | grep "^$action"$'\t') ||
        Fail "the package lacks the action $action"
    [ $((type & 0x4ff)) -eq 65 ] && [ "$source" = SetupActions ] && [ "$target" = "$action" ] ||
        Fail "the action $action is of type $type from $source:$target"
done
Row CustomAction $'StartCorvane\t226\tINSTALLDIR\t"[INSTALLDIR]corvane.exe" --if-not-running\t'
Table InstallExecuteSequence | grep -q $'^StartCorvane\tNOT REMOVE~="ALL" AND LAUNCH <> "0"\t' ||
    Fail "Corvane is not started after an install, or also with LAUNCH=0"
Table Property | grep -q $'^ARPHELPLINK\thttps://.*README' || Fail "Add or remove programs has no help link"
# A major upgrade of every earlier version, whose features do not decide the log-on entry.
Row Upgrade $'{3F3315AF-E0B4-4690-87B9-A301E56CA2FF}\t\t1.2.3\t\t0\t\tWIX_UPGRADE_DETECTED'
# Every file of the folder goes in, under its own name and subfolder.
for file in corvane.exe corvane.com Qt6Core.dll libstdc++-6.dll qwindows.dll qwindowsvistastyle.dll LICENSE.txt; do
    Table File | cut -f3 | grep -qxF "$file" || Fail "the package lacks $file"
done
Table Directory | cut -f3 | grep -qx platforms || Fail "the package lacks the platforms folder"

zipped=$(unzip -Z1 "$work/corvane-1.2.3-x64-portable.zip" | grep -v '/$' | LC_ALL=C sort)
expected=$( (cd "$work/dist" && find . -type f | sed 's|^\./||' && echo LICENSE.txt) | LC_ALL=C sort)
[ "$zipped" = "$expected" ] || Fail "the zip holds:
$zipped
instead of:
$expected"
echo "PASSED"
