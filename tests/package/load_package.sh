#!/usr/bin/env bash
# The DLL that package_check unpacked loads and unloads under Wine, its exports resolvable.
set -euo pipefail
build=$(cd "$1" && pwd) run="$2/cmake/wine-run.sh"
libraries=("$build"/package-check/unpacked/*/lib/VeltraneWin32DLL.dll)
[ -f "${libraries[0]}" ] || { echo "FAIL: no unpacked DLL (package_check unpacks it)"; exit 1; }
here="$build/package-check/run"
rm -rf "$here" && mkdir -p "$here" && cd "$here"
library=$("$run" winepath.exe -w "${libraries[0]}") || { status=$?; echo "$library"; exit $status; }
VELTRANE_TEST_LIBRARY=$library exec "$run" "$build/bin/library_child.exe" load unload
