#!/usr/bin/env bash
# Corvane's Windows release under Wine, as a user meets it: the MSI installs for the user without
# asking, with its shortcut, its folder at the end of the user's PATH after one separator, its log-on
# entry (none with AUTOSTART=0, which upgrades keep until AUTOSTART=1) and a help link in "Add or
# remove programs", and starts Corvane (not with LAUNCH=0); a later version upgrades it in place and
# starts the new one, and the uninstall removes what it installed and what Corvane wrote in
# %LOCALAPPDATA%\Corvane; both first end a running Corvane. The user's PATH is left exactly as it was
# found, across install, uninstall, reinstall and upgrade. The user's watch list in %APPDATA%\Corvane
# stays as it was throughout and is the one the installed program checks. The portable zip, unpacked
# anywhere, checks the list beside it.
# usage: release.sh <Windows build folder, with dist/ and the packages> [Windows SDK]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/tests/support/wait-lib.sh"
build=$(realpath "$1")
sdk=$(realpath "${2:-${CORVANE_WINDOWS_SDK:-$root/../shared/windows-sdk}}")
version=$(sed -n 's/^project(Corvane VERSION \([0-9.]*\) .*/\1/p' "$root/CMakeLists.txt")
msi=$build/corvane-$version-x64.msi
zip=$build/corvane-$version-x64-portable.zip
work=$(mktemp -d)
# No Mono or Gecko installer, and no menu entries of the installed shortcut in the desktop's menus.
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
trap 'wineserver -k 2>/dev/null || true; "$root/tests/desktop/stop-desktop.sh" "$work/desktop"; rm -rf "$work"' EXIT
Fail() {
    echo "FAILED: $*" >&2
    exit 1
}
# Wine prints Windows' line ends.
Wine() { wine "$@" 2>/dev/null | tr -d '\r'; }
WinePath() { winepath -w "$1" 2>/dev/null; }
UnixPath() { winepath -u "$(Wine cmd /c echo "$1")" 2>/dev/null; }
# --check's outcomes as path and state: the outcome lines alone, without the reasons and alerts
# indented below them.
Outcomes() { grep -v '^  ' <<<"$1" | cut -f1,2; }
Msiexec() { wine msiexec "$@" /qn 2>/dev/null; }
UserPath() { Wine reg query 'HKCU\Environment' /v PATH | sed -n 's/^ *PATH *REG_[A-Z_]*SZ *//p'; }
SetUserPath() { Wine reg add 'HKCU\Environment' /v PATH /t REG_EXPAND_SZ /d "$1" /f >/dev/null; }
PathIs() { [ "$(UserPath)" = "$1" ] || Fail "after $2 the user's PATH is '$(UserPath)', not '$1'"; }
# The tray program that the installer started, as its process id; false when none runs.
StartedByInstaller() { pgrep -f -- 'corvane\.exe.*--if-not-running' | grep .; }
# The help link of "Add or remove programs".
HelpLink() {
    local key
    for key in 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall'; do
        Wine reg query "$key" /s | sed -n 's/^ *HelpLink *REG_SZ *//p'
    done
}
RunValue() { Wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v Corvane | sed -n 's/^ *Corvane *REG_SZ *//p'; }
# Every "Add or remove programs" entry named Corvane, as its version.
Entries() {
    local key
    for key in 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall'; do
        Wine reg query "$key" /s | awk '/^HKEY/ { name = "" } /DisplayName +REG_SZ +Corvane$/ { name = 1 }
            /DisplayVersion +REG_SZ/ { version = $3 } /^$/ { if (name) print version; name = "" }'
    done
}

for tool in wine wineserver winepath wixl unzip svnadmin; do
    command -v "$tool" >/dev/null || Fail "$tool is not installed"
done
{ [ -f "$msi" ] && [ -f "$zip" ]; } || Fail "no $msi or $zip: scripts/package-windows makes them"
# A desktop of its own with a tray, for the installed tray program that the installer must end.
"$root/tests/desktop/start-desktop.sh" "$work/desktop" >/dev/null || Fail "no desktop"
DISPLAY=$(cat "$work/desktop/display")
export DISPLAY
wineboot -i >/dev/null 2>&1
# Starts the installed tray program twice at once and sets RUNNING_PID to the one that runs: the
# other ends with status 0 once the running one has answered it, so that one listens by then.
StartInstalled() {
    local first second code
    (cd "$work" && exec wine "$installed/corvane.exe") </dev/null >/dev/null 2>&1 &
    first=$!
    (cd "$work" && exec wine "$installed/corvane.exe") </dev/null >/dev/null 2>&1 &
    second=$!
    WaitFor 60 EitherEnded "$first" "$second" || Fail "both starts of the installed program still run"
    if HasEnded "$first"; then
        wait "$first" && code=0 || code=$?
        RUNNING_PID=$second
    else
        wait "$second" && code=0 || code=$?
        RUNNING_PID=$first
    fi
    [ "$code" -eq 0 ] || Fail "a second start of the installed program ended with $code"
    ! HasEnded "$RUNNING_PID" || Fail "the installed tray program ended by itself"
}
EitherEnded() { HasEnded "$1" || HasEnded "$2"; }
# Fails unless the installer has ended the running program as Quit does.
EndedByInstaller() {
    local code
    HasEnded "$RUNNING_PID" || Fail "$1 left the tray program running"
    wait "$RUNNING_PID" && code=0 || code=$?
    [ "$code" -eq 0 ] || Fail "the tray program ended with $code at $1"
}

# A working copy made by the Windows svn, and the user's watch list that names it.
WINEPATH=$(WinePath "$sdk/svn/bin")
export WINEPATH
svnadmin create "$work/repo"
Wine svn checkout -q "file:///$(WinePath "$work/repo" | sed 's|\\|/|g')" "$(WinePath "$work/copy")" >/dev/null
[ -d "$work/copy/.svn" ] || Fail "svn.exe made no working copy"
copy=$(WinePath "$work/copy")
appdata=$(UnixPath '%APPDATA%')
mkdir -p "$appdata/Corvane"
printf '%s\r\n' "$copy" >"$appdata/Corvane/pathlist.ini"
cp "$appdata/Corvane/pathlist.ini" "$work/pathlist.ini.before"
ListUnchanged() { cmp -s "$appdata/Corvane/pathlist.ini" "$work/pathlist.ini.before" || Fail "$1 changed the watch list"; }

localappdata=$(UnixPath '%LOCALAPPDATA%')
installed=$localappdata/Programs/Corvane
shortcut=$appdata/Microsoft/Windows/Start\ Menu/Programs/Corvane.lnk
expectedRun="\"$(WinePath "$installed")\\corvane.exe\""
# The user's own PATH before Corvane, and with Corvane's folder added once.
before='C:\Program Files\Subversion\bin'
SetUserPath "$before"
withCorvane="$before;$(WinePath "$installed")"

echo "== install"
Msiexec /i "$(WinePath "$msi")" || Fail "msiexec /i ended with $?"
expected=$( (cd "$build/dist" && find . -type f && echo ./LICENSE.txt) | LC_ALL=C sort)
actual=$(cd "$installed" && find . -type f | LC_ALL=C sort)
[ "$actual" = "$expected" ] || Fail "the installed folder holds:
$actual
instead of dist/ and the licence:
$expected"
[ -f "$shortcut" ] || Fail "no Start-menu shortcut"
[ "$(RunValue)" = "$expectedRun" ] || Fail "the log-on entry is '$(RunValue)', not $expectedRun"
[ "$(Entries)" = "$version" ] || Fail "Add or remove programs lists: $(Entries)"
[[ "$(HelpLink)" == https://*README* ]] || Fail "Add or remove programs has the help link '$(HelpLink)'"
PathIs "$withCorvane" "the install"
# Corvane runs once the install ends, as a tray program that --quit ends.
started=$(WaitForOutput 60 StartedByInstaller) || Fail "the install did not start Corvane"
# --quit returns only once the program's process has ended, as the upgrade needs of an executable in
# use: right after it, in the same console, the system lists no corvane.exe (wmic writes UTF-16).
Wine cmd /c "corvane --quit && wmic process get name > $(WinePath "$work/processes")" ||
    Fail "corvane --quit after the install ended with $?"
processes=$(iconv -f UTF-16 -t UTF-8 "$work/processes" | tr -d '\r')
grep -q '^services\.exe' <<<"$processes" || Fail "wmic listed no processes: $processes"
! grep -qi '^corvane\.exe' <<<"$processes" || Fail "--quit returned while the tray program still ran"
WaitFor 60 eval '! kill -0 "$started" 2>/dev/null' || Fail "the Corvane that the install started did not end"
# Typed in a new console anywhere, "corvane" is the installed console entry, found through the PATH.
answer=$(cd "$work" && Wine cmd /c corvane --version) || Fail "the installed program's --version failed"
[ "$answer" = "Corvane Revision 100" ] || Fail "the installed program answers '$answer'"
# Installed, the program keeps its list in %APPDATA%\Corvane, not beside itself.
outcome=$(cd "$work" && wine cmd /c corvane --check 2>"$work/check.err" | tr -d '\r') ||
    Fail "--check of the user's list ended with $?: $outcome $(cat "$work/check.err")"
[ "$(Outcomes "$outcome")" = "$copy	up-to-date" ] || Fail "the installed program checked: $outcome"
ListUnchanged "the install"

echo "== upgrade to a later version"
later=${version%.*}.$((${version##*.} + 1))
mkdir -p "$work/later"
ln -s "$build/dist" "$build/corvane-setup.dll" "$work/later/"
"$root/scripts/package-windows" "$work/later" "$later" >/dev/null
StartInstalled
Msiexec /i "$(WinePath "$work/later/corvane-$later-x64.msi")" || Fail "the upgrade ended with $?"
EndedByInstaller "the upgrade"
[ "$(Entries)" = "$later" ] || Fail "after the upgrade, Add or remove programs lists: $(Entries)"
{ [ -f "$installed/corvane.exe" ] && [ -f "$shortcut" ]; } || Fail "the upgrade lost the program or its shortcut"
[ "$(RunValue)" = "$expectedRun" ] || Fail "the upgrade lost the log-on entry"
PathIs "$withCorvane" "the upgrade"
# The upgrade starts the new version in place of the one it ended.
started=$(WaitForOutput 60 StartedByInstaller) || Fail "the upgrade did not start Corvane again"
Wine cmd /c corvane --quit || Fail "corvane --quit after the upgrade ended with $?"
WaitFor 60 eval '! kill -0 "$started" 2>/dev/null' || Fail "the Corvane that the upgrade started did not end"
ListUnchanged "the upgrade"

echo "== uninstall"
StartInstalled
# What Corvane writes for itself: svn's last answer and the session's lock.
[ -f "$localappdata/Corvane/debug.xml" ] && [ -n "$(ls "$localappdata/Corvane"/session-*/tray-*.lock)" ] ||
    Fail "Corvane wrote no debug.xml or lock in %LOCALAPPDATA%\\Corvane: $(find "$localappdata/Corvane")"
Msiexec /x "$(WinePath "$work/later/corvane-$later-x64.msi")" || Fail "msiexec /x ended with $?"
EndedByInstaller "the uninstall"
[ ! -e "$installed" ] || Fail "the uninstall left: $(find "$installed")"
[ ! -e "$localappdata/Corvane" ] || Fail "the uninstall left: $(find "$localappdata/Corvane")"
PathIs "$before" "the uninstall"
[ ! -e "$shortcut" ] || Fail "the uninstall left the shortcut"
[ -z "$(RunValue)" ] || Fail "the uninstall left the log-on entry"
[ -z "$(Entries)" ] || Fail "the uninstall left Add or remove programs entries: $(Entries)"
ListUnchanged "the uninstall"

echo "== reinstalled, without the log-on entry and without the start"
# A PATH that ends in a separator keeps it, with Corvane's folder before it.
before="$before;"
SetUserPath "$before"
Msiexec /i "$(WinePath "$msi")" AUTOSTART=0 LAUNCH=0 || Fail "msiexec /i AUTOSTART=0 LAUNCH=0 ended with $?"
[ -f "$installed/corvane.exe" ] || Fail "AUTOSTART=0 installed no program"
[ -z "$(RunValue)" ] || Fail "AUTOSTART=0 made the log-on entry"
! StartedByInstaller >/dev/null || Fail "LAUNCH=0 started Corvane"
PathIs "$before$(WinePath "$installed");" "the reinstall"
answer=$(cd "$work" && Wine cmd /c corvane --version) || Fail "the reinstalled program's --version failed"
[ "$answer" = "Corvane Revision 100" ] || Fail "the reinstalled program answers '$answer'"
Msiexec /i "$(WinePath "$work/later/corvane-$later-x64.msi")" LAUNCH=0 || Fail "the upgrade ended with $?"
[ -z "$(RunValue)" ] || Fail "the upgrade made the log-on entry that the user had left out"
PathIs "$before$(WinePath "$installed");" "the upgrade"
# Asked for again, it comes back.
latest=${later%.*}.$((${later##*.} + 1))
mkdir -p "$work/latest"
ln -s "$build/dist" "$build/corvane-setup.dll" "$work/latest/"
"$root/scripts/package-windows" "$work/latest" "$latest" >/dev/null
Msiexec /i "$(WinePath "$work/latest/corvane-$latest-x64.msi")" AUTOSTART=1 LAUNCH=0 || Fail "the upgrade ended with $?"
[ "$(RunValue)" = "$expectedRun" ] || Fail "AUTOSTART=1 did not bring the log-on entry back"
Msiexec /x "$(WinePath "$work/latest/corvane-$latest-x64.msi")" || Fail "msiexec /x ended with $?"
[ ! -e "$installed" ] || Fail "the uninstall left: $(find "$installed")"
[ -z "$(RunValue)" ] || Fail "the uninstall left the log-on entry"
PathIs "$before" "the second uninstall"
ListUnchanged "installing without the log-on entry"

echo "== portable zip"
portable=$(UnixPath '%USERPROFILE%')/Corvane-portable
mkdir -p "$portable"
unzip -q "$zip" -d "$portable"
{ [ -f "$portable/corvane.exe" ] && [ -f "$portable/LICENSE.txt" ]; } || Fail "the zip lacks the program or the licence"
printf '%s\r\n%s\r\n' "$copy" "$(WinePath "$work/repo")" >"$portable/pathlist.ini"
code=0
outcome=$(cd "$portable" && Wine cmd /c corvane --check) || code=$?
[ "$(Outcomes "$outcome")" = "$copy	up-to-date
$(WinePath "$work/repo")	error local" ] || Fail "the portable copy checked: $outcome"
[ "$code" -eq 2 ] || Fail "the portable --check ended with $code, not 2 (a folder in error)"
ListUnchanged "the portable copy"
echo "PASSED"
