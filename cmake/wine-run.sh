#!/usr/bin/env bash
# Runs a Windows test program under Wine in the prefix named by VELTRANE_WINEPREFIX
# (set per build folder by CTest), quietly. The prefix is made on first use; with the
# single argument --fresh it is made anew (a clean registry and key store), and nothing runs.
set -eu
: "${VELTRANE_WINEPREFIX:?VELTRANE_WINEPREFIX is not set}"
export WINEPREFIX="$VELTRANE_WINEPREFIX" WINEDEBUG=-all
export WINEARCH="${VELTRANE_WINEARCH:-win64}"
if [ "$*" = --fresh ]; then
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
fi
if [ "$*" = --fresh ]; then
    test -f "$WINEPREFIX/system.reg"
    echo "fresh Wine prefix ($WINEARCH) at $WINEPREFIX"
    exit 0
fi
exec wine "$@"
