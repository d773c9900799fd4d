#!/usr/bin/env bash
# Packs the build folder with CPack, unpacks the archive and checks what a user gets: the
# files, the library's export table, that the library loads (in a JVM on Linux, under Wine
# for a DLL) and that the probe runs.
#   check_package.sh <build-folder> <source-folder> <expected-exports> <objdump-or-nm>
set -euo pipefail
build=$(cd "$1" && pwd) source=$2 expected=$3 tool=$4
work="$build/package-check"
rm -rf "$work"
mkdir -p "$work/out"

cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log"
    echo "FAIL: cpack"
    exit 1
}
archive=$(find "$work/out" -maxdepth 1 -name 'VeltraneWin32DLL-*' \( -name '*.tar.gz' -o -name '*.zip' \) | head -n 1)
[ -n "$archive" ] || { echo "FAIL: no archive in $work/out"; exit 1; }
echo "archive: $(basename "$archive")"
mkdir -p "$work/unpacked"
(cd "$work/unpacked" && cmake -E tar xf "$archive")
top="$work/unpacked/$(basename "$archive" | sed -E 's/\.(tar\.gz|zip)$//')"
[ -d "$top" ] || { echo "FAIL: the archive has no top folder $(basename "$top")"; exit 1; }

fail=0
need() {
    if [ -e "$top/$1" ]; then echo "has $1"; else echo "FAIL: missing $1"; fail=1; fi
}
need README.txt
need veltrane-probe.jar
need veltrane-api.jar
need licenses/NOTICE.txt
case "$archive" in
*.zip)
    library="$top/lib/VeltraneWin32DLL.dll"
    need lib/VeltraneWin32DLL.dll
    need licenses/GCC-runtime.txt
    need licenses/mingw-w64-runtime.txt
    ;;
*)
    library="$top/lib/libVeltraneWin32DLL.so"
    need lib/libVeltraneWin32DLL.so
    need lib/libVeltraneProbe.so
    need bin/veltrane-inf2reg
    ;;
esac
[ "$fail" -eq 0 ] || exit 1

"$source/tests/binary/check_exports.sh" "$library" "$expected" "$tool"

# The probe's version is the package's.
version=$(basename "$archive" | sed -E 's/^VeltraneWin32DLL-([0-9.]+)-.*/\1/')
probe_version=$(java -jar "$top/veltrane-probe.jar" --version)
echo "probe --version: $probe_version"
case "$probe_version" in
*"$version"*) ;;
*) echo "FAIL: the probe says '$probe_version', the package is $version"; exit 1 ;;
esac

case "$archive" in
*.zip)
    # The unpacked DLL loads and unloads under Wine, with its exports resolvable.
    mkdir -p "$work/run"
    (cd "$work/run" && VELTRANE_TEST_LIBRARY="$(winepath -w "$library" 2>/dev/null || echo "$library")" \
        "$source/cmake/wine-run.sh" "$build/bin/library_child.exe" load unload)
    echo "the DLL loads under Wine"
    ;;
*)
    # The probe loads the unpacked library in a JVM, as the application would.
    output=$(cd "$work" && env -u VELTRANE_REGISTRY java -Xcheck:jni \
        -Djava.library.path="$top/lib" -jar "$top/veltrane-probe.jar")
    echo "$output" | head -n 5
    echo "$output" | grep -q "no voice modem found" || { echo "FAIL: probe output"; exit 1; }
    ;;
esac
echo "package $(basename "$archive") is complete"
