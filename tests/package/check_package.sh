#!/usr/bin/env bash
# Packs the build folder with CPack, unpacks the archive and checks what a user gets: the
# files, the library's export table, that the jars run on Java 8, that the library loads (in
# a JVM on Linux, under Wine for a DLL) and that the probe's launcher runs it with no flags.
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
files="README.txt veltrane-probe.jar veltrane-api.jar licenses/NOTICE.txt"
case "$archive" in
*.zip) library="$top/lib/VeltraneWin32DLL.dll"
    files="$files lib/VeltraneWin32DLL.dll veltrane-probe.cmd licenses/GCC-runtime.txt licenses/mingw-w64-runtime.txt" ;;
*) library="$top/lib/libVeltraneWin32DLL.so"
    files="$files lib/libVeltraneWin32DLL.so lib/libVeltraneProbe.so veltrane-probe bin/veltrane-inf2reg" ;;
esac
for file in $files; do
    [ -e "$top/$file" ] || { echo "FAIL: missing $file"; fail=1; }
done
[ "$fail" -eq 0 ] || exit 1

# What ships runs on the Java 8 an application may carry: class-file version 52 throughout.
for jar in veltrane-probe.jar veltrane-api.jar; do
    classes="$work/classes/$jar"
    mkdir -p "$classes"
    (cd "$classes" && cmake -E tar xf "$top/$jar")
    count=0
    while IFS= read -r -d '' class; do
        # shellcheck disable=SC2046  # the two bytes of the major version, as two numbers
        set -- $(od -An -tu1 -j6 -N2 "$class")
        major=$(($1 * 256 + $2))
        if [ "$major" -ne 52 ]; then
            echo "FAIL: ${class#"$classes"/} in $jar has class-file version $major, not 52"
            exit 1
        fi
        count=$((count + 1))
    done < <(find "$classes" -name '*.class' -print0)
    [ "$count" -gt 0 ] || { echo "FAIL: $jar holds no classes"; exit 1; }
    echo "$jar: $count classes, all of class-file version 52 (Java 8)"
done

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
    # The launcher, with no flag about library paths, finds the unpacked library beside the
    # jar: with no registry file nothing to complain about, with one the modem.
    rc=0
    output=$(cd "$work" && env -u VELTRANE_REGISTRY "$top/veltrane-probe") || rc=$?
    [ "$rc" -eq 0 ] || { echo "$output"; echo "FAIL: the probe without a registry exits $rc"; exit 1; }
    echo "$output" | head -n 4
    echo "$output" | grep -q "no voice modem found" || { echo "FAIL: probe output"; exit 1; }
    # The launcher runs JAVA_HOME's java, with nothing but the jar before the arguments.
    mkdir -p "$work/java-home/bin"
    printf '#!/bin/sh\nprintf "[%%s]" "$@"\n' >"$work/java-home/bin/java"
    chmod +x "$work/java-home/bin/java"
    launched=$(JAVA_HOME="$work/java-home" "$top/veltrane-probe" --json "a b")
    [ "$launched" = "[-jar][$top/veltrane-probe.jar][--json][a b]" ] ||
        { echo "FAIL: with JAVA_HOME the launcher runs $launched"; exit 1; }
    json=$(cd "$work" && "$top/veltrane-probe" --registry "$source/samples/quorindel-voicelink.reg" \
        --json) || rc=$?
    [ "$rc" -eq 0 ] || { echo "$json"; echo "FAIL: the probe with --registry exits $rc"; exit 1; }
    prefix="{\"library\":{\"path\":\"$top/lib/libVeltraneWin32DLL.so\",\"foundByLoadLibrary\":false"
    case "$json" in
    "$prefix"*'"found":true'*) echo "--registry: the modem, the library from lib/" ;;
    *) echo "$json"; echo "FAIL: --registry --json does not start with $prefix or finds no modem"; exit 1 ;;
    esac
    ;;
esac
echo "package $(basename "$archive") is complete"
