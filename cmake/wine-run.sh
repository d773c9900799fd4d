#!/usr/bin/env bash
# Runs a Windows test program under Wine in the prefix named by VELTRANE_WINEPREFIX
# (set per build folder by CTest), quietly. The prefix is made on first use.
set -eu
: "${VELTRANE_WINEPREFIX:?VELTRANE_WINEPREFIX is not set}"
export WINEPREFIX="$VELTRANE_WINEPREFIX" WINEDEBUG=-all
export WINEARCH="${VELTRANE_WINEARCH:-win64}"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
fi
exec wine "$@"
