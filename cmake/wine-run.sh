#!/usr/bin/env bash
# Runs a Windows program under Wine in the prefix named by VELTRANE_WINEPREFIX (set per build
# folder by CTest), quietly, through the Wine loader of the program's width (VELTRANE_WINEARCH:
# win32 or win64). With the single argument --fresh it makes the prefix anew (a clean registry
# and key store) and runs nothing.
#
# --fresh also decides, once per test run, whether the loader starts at all (a kernel without
# 32-bit emulation cannot start the 32-bit one); if not, it and every later run print the
# reason as "SKIPPED: <reason>" and exit with VELTRANE_WINE_SKIP_CODE (CTest: skipped).
set -eu
: "${VELTRANE_WINEPREFIX:?VELTRANE_WINEPREFIX is not set}"
export WINEPREFIX="$VELTRANE_WINEPREFIX" WINEDEBUG=-all
export WINEARCH="${VELTRANE_WINEARCH:-win64}"
cannot_run="$WINEPREFIX.cannot-run"
skip_code=${VELTRANE_WINE_SKIP_CODE:?VELTRANE_WINE_SKIP_CODE is not set}

# The loader itself, never Debian's "wine" wrapper for 64-bit programs: that wrapper starts the
# 32-bit loader whenever one is installed. Debian keeps both loaders in lib/wine beside the
# bin folder on PATH; other installations put them on PATH as wine and wine64.
find_loader() {
    local name=wine dir candidate
    [ "$WINEARCH" = win64 ] && name=wine64
    local IFS=:
    for dir in $PATH; do
        for candidate in "$dir/../lib/wine/$name" "$dir/$name"; do
            [ -f "$candidate" ] && [ -x "$candidate" ] && readlink -f "$candidate" && return 0
        done
    done
    echo "no Wine loader for $WINEARCH programs ($name) on PATH or in lib/wine beside it" >&2
    return 1
}
loader=$(find_loader)

if [ "$*" = --fresh ]; then
    rm -f "$cannot_run"
    if version=$("$loader" --version 2>&1); then
        wineserver -k 2>/dev/null || true
        rm -rf "$WINEPREFIX"
    else
        case "$WINEARCH:$version" in
        win32:*"Exec format error"*)
            echo "this machine cannot run 32-bit programs: the kernel has 32-bit emulation" \
                "off (boot with ia32_emulation=on to run them)" >"$cannot_run" ;;
        *) echo "$loader does not start: $version" >&2 && exit 1 ;;
        esac
    fi
fi
if [ -f "$cannot_run" ]; then
    echo "SKIPPED: $(cat "$cannot_run")"
    exit "$skip_code"
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$loader" wineboot.exe -i >/dev/null 2>&1 || true
    wineserver -w
fi
if [ "$*" = --fresh ]; then
    test -f "$WINEPREFIX/system.reg"
    echo "fresh Wine prefix ($WINEARCH, $loader) at $WINEPREFIX"
    exit 0
fi
exec "$loader" "$@"
