#!/usr/bin/env bash
# Makes the build folder's Wine prefix anew, so every test run starts from a clean registry
# and key store.
set -eu
: "${VELTRANE_WINEPREFIX:?}"
export WINEPREFIX="$VELTRANE_WINEPREFIX" WINEARCH="${VELTRANE_WINEARCH:-win64}" WINEDEBUG=-all
WINEPREFIX="$WINEPREFIX" wineserver -k 2>/dev/null || true
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
wineboot -i >/dev/null 2>&1
wineserver -w
test -f "$WINEPREFIX/system.reg"
echo "fresh Wine prefix ($WINEARCH) at $WINEPREFIX"
