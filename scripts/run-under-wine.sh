#!/usr/bin/env bash
# Runs a Windows program under wine in a wine prefix of its own, made afresh beside the program
# (inside the build folder), and answers the program's exit status. No display is needed: the
# programs run here are console programs.
#
#   scripts/run-under-wine.sh build/win32/FINALE.EXE [arguments...]
set -euo pipefail

# Exit status 77 tells CTest the suite was skipped: this machine has no wine to run it with.
if ! command -v wine >/dev/null 2>&1 || ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null |
    grep -q "install ok installed"; then
    echo "run-under-wine: SKIPPED: wine with its 32-bit part is not installed on this machine" \
        "(scripts/install-deps.sh could not install it); the Windows suite did not run" >&2
    exit 77
fi

program=$(realpath "$1")
shift
folder=$(dirname "$program")

export WINEPREFIX="$folder/wineprefix"
export WINEARCH=win32
export WINEDEBUG=-all
# No Mono or Gecko: their installers would ask.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

rm -rf "$WINEPREFIX"
if ! wineboot --init >"$folder/wineboot.log" 2>&1; then
    echo "run-under-wine: could not make the wine prefix:" >&2
    cat "$folder/wineboot.log" >&2
    exit 1
fi

status=0
(cd "$folder" && timeout 600 wine "$program" "$@") || status=$?
# Let this prefix's wine server finish before answering, so that nothing is left running.
wineserver -w || true
exit "$status"
