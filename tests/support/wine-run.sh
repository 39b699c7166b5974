#!/usr/bin/env bash
# Runs a program of the Windows build under Wine, as ctest's emulator:
# wine-run.sh BUILD_FOLDER SDK PROGRAM [ARGUMENT...]
# The Wine prefix is the build folder's own; Qt's DLLs, the compiler's runtime, svn.exe and git.exe are
# found through the PATH. No Mono or Gecko installer is offered, and Wine's own messages stay quiet.
set -euo pipefail
build="$1" sdk="$2"
shift 2

windows_path() { echo "Z:${1//\//\\}"; }

export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEPATH="$(windows_path "$sdk/qt/bin");$(windows_path "$sdk/mingw-runtime");$(windows_path "$sdk/svn/bin");$(windows_path "$sdk/git/bin")"
# The first run makes the prefix; tests that run at once wait for it rather than make it twice. A
# file of our own says it is made: a persistent Wine server writes the registry files only later. The
# lock is not handed on (-o), since Wine's services, which wineboot starts, outlive it.
made="$WINEPREFIX/.made"
if [ ! -f "$made" ]; then
    mkdir -p "$WINEPREFIX"
    flock -o "$build/wineprefix.lock" \
        sh -c '[ -f "$1" ] || { wineboot --init >/dev/null 2>&1 && touch "$1"; }' sh "$made"
fi
# Wine's own services (services.exe, rpcss.exe, ...) start with the first program of the prefix and
# keep its standard error while any program of the prefix runs. Given a pipe, they would hold it open
# and its reader (ctest, a test's capture) would wait for them: a pipe gets what a file took instead.
# Anything else is handed on as it is, and the program keeps this script's process id.
[ -p /dev/stderr ] || exec wine "$@"
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
status=0
wine "$@" 2>"$errors" || status=$?
cat "$errors" >&2
exit "$status"
