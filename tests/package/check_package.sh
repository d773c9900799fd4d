#!/usr/bin/env bash
# Packs the build folder with CPack, unpacks the archive and checks what a user gets: the
# files, the library's export and import tables, that the jars run on Java 8, that the probe's version is
# the package's, and on Linux that the library loads (the probe's launcher, with no flags,
# runs the library beside the jar). On Linux CPack also writes the Debian package, which
# check_deb.sh installs into a root of its own and tries there. Nothing here runs a Windows
# program.
#   check_package.sh <build-folder> <source-folder> <expected-exports> <objdump-or-nm>
set -euo pipefail
build=$(cd "$1" && pwd) source=$2 expected=$3 tool=$4
work="$build/package-check"
rm -rf "$work"
mkdir -p "$work/out" "$work/unpacked" "$work/classes"
fail() { echo "FAIL: $*"; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail cpack; }
archive=$(find "$work/out" -maxdepth 1 -name 'VeltraneWin32DLL-*' \( -name '*.tar.gz' -o -name '*.zip' \) | head -n 1)
[ -n "$archive" ] || fail "no archive in $work/out"
(cd "$work/unpacked" && cmake -E tar xf "$archive")
top="$work/unpacked/$(basename "$archive" | sed -E 's/\.(tar\.gz|zip)$//')" name=${top##*/}
files="README.txt veltrane-probe.jar veltrane-api.jar licenses/NOTICE.txt"
case "$archive" in
*.zip) library="$top/lib/VeltraneWin32DLL.dll"
    files="$files lib/VeltraneWin32DLL.dll veltrane-probe.cmd licenses/GCC-runtime.txt licenses/mingw-w64-runtime.txt" ;;
*) library="$top/lib/libVeltraneWin32DLL.so"
    files="$files lib/libVeltraneWin32DLL.so lib/libVeltraneProbe.so veltrane-probe bin/veltrane-inf2reg" ;;
esac
# These files and nothing else (- expected, + found).
printf '%s\n' $files | sort >"$work/files"
(cd "$top" && find . ! -type d | sed 's|^\./||' | sort) | diff -u "$work/files" - ||
    fail "$name holds other files than expected"
# The library's export table, name for name; a DLL imports only Windows system DLLs.
case "$library" in
*.dll)
    "$tool" -p "$library" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
        sed -n 's/^\s*\[ *[0-9]*\] //p' | sort >"$work/exports"
    for dll in $("$tool" -p "$library" | sed -n 's/^\s*DLL Name: //p' | tr '[:upper:]' '[:lower:]' | sort -u); do
        case "$dll" in
        kernel32.dll | advapi32.dll | msvcrt.dll | user32.dll | bcrypt.dll | crypt32.dll) ;;
        *) fail "the library imports $dll, which is not a Windows system DLL" ;;
        esac
    done
    ;;
*) "$tool" -D --defined-only "$library" | awk '$2 ~ /^[TWDBRV]$/ {print $3}' | sort >"$work/exports" ;;
esac
sort -u "$expected" | sed '/^$/d' | diff -u - "$work/exports" ||
    fail "the export table differs from $expected (- expected, + found)"

# What ships runs on the Java 8 an application may carry: class-file version 52 throughout
# (the two bytes of the major version, as two numbers, the same for every class).
(cd "$work/classes" && cmake -E tar xf "$top/veltrane-probe.jar" && cmake -E tar xf "$top/veltrane-api.jar")
majors=$(find "$work/classes" -name '*.class' -exec od -An -tu1 -j6 -N2 {} \; | sort -u | xargs)
[ "$majors" = "0 52" ] || fail "class-file major versions '$majors' in the jars, not only 52 (Java 8)"

version=$(echo "$name" | sed -E 's/^VeltraneWin32DLL-([0-9.]+)-.*/\1/')
probe_version=$(java -jar "$top/veltrane-probe.jar" --version)
[[ "$probe_version" == *"$version"* ]] || fail "the probe says '$probe_version', the package is $version"

# The unpacked DLL is run by package_load (load_package.sh), under Wine.
case "$archive" in
*.zip) ;;
*)
    json=$(cd "$work" && "$top/veltrane-probe" --registry "$source/samples/quorindel-voicelink.reg" --json) ||
        fail "the probe with --registry exits $?: $json"
    prefix="{\"library\":{\"path\":\"$library\",\"foundByLoadLibrary\":false"
    [[ "$json" == "$prefix"*'"found":true'* ]] || fail "$json does not start with $prefix or finds no modem"
    # The launcher runs JAVA_HOME's java, with nothing but the jar before the arguments.
    mkdir -p "$work/java-home/bin"
    printf '#!/bin/sh\nprintf "[%%s]" "$@"\n' >"$work/java-home/bin/java"
    chmod +x "$work/java-home/bin/java"
    launched=$(JAVA_HOME="$work/java-home" "$top/veltrane-probe" --json "a b")
    [ "$launched" = "[-jar][$top/veltrane-probe.jar][--json][a b]" ] || fail "with JAVA_HOME the launcher runs $launched"
    deb=$(find "$work/out" -maxdepth 1 -name '*.deb' | head -n 1)
    [ -n "$deb" ] || fail "no Debian package in $work/out"
    "$(dirname "$0")/check_deb.sh" "$deb" "$work" "$source" "$version"
    ;;
esac
echo "package $name is complete"
