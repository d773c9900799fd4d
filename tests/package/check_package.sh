#!/usr/bin/env bash
# CPack's archive as a user gets it: these files only, the library's export table (a DLL imports
# only Windows system DLLs), jars for Java 8, the probe's version; on Linux the launcher runs the
# library beside the jar, and check_deb.sh tries the Debian package. No Windows program runs here.
set -euo pipefail
build=$(cd "$1" && pwd) source=$2 expected=$3 tool=$4
work="$build/package-check"
fail() { echo "FAIL: $*"; exit 1; }
# Runs a command with its output in work/NAME.log, which is shown when the command fails.
logged() { local log="$work/$1.log" what=$2; shift 2; "$@" >"$log" 2>&1 || { cat "$log"; fail "$what"; }; }
rm -rf "$work" && mkdir -p "$work/out" "$work/unpacked" "$work/classes"

logged cpack cpack cpack --config "$build/CPackConfig.cmake" -B "$work/out"
archive=$(find "$work/out" -maxdepth 1 -name 'VeltraneWin32DLL-*.tar.gz' -o -name 'VeltraneWin32DLL-*.zip')
[ -n "$archive" ] || fail "no archive in $work/out"
(cd "$work/unpacked" && cmake -E tar xf "$archive")
top="$work/unpacked/$(basename "$archive" | sed -E 's/\.(tar\.gz|zip)$//')" name=${top##*/}
files="README.txt veltrane-probe.jar veltrane-api.jar licenses/NOTICE.txt"
case "$archive" in
*.zip) library="$top/lib/VeltraneWin32DLL.dll"
    files+=" lib/VeltraneWin32DLL.dll veltrane-probe.cmd licenses/GCC-runtime.txt licenses/mingw-w64-runtime.txt"
    "$tool" -p "$library" >"$work/tables"
    sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/s/^\s*\[ *[0-9]*\] //p' "$work/tables" | sort >"$work/exports"
    other=$(sed -n 's/^\s*DLL Name: //p' "$work/tables" | tr '[:upper:]' '[:lower:]' | sort -u |
        grep -Evx '(kernel32|advapi32|msvcrt|user32|bcrypt|crypt32)\.dll') && fail "the library imports $other" ;;
*) library="$top/lib/libVeltraneWin32DLL.so"
    files+=" lib/libVeltraneWin32DLL.so lib/libVeltraneProbe.so veltrane-probe bin/veltrane-inf2reg"
    "$tool" -D --defined-only "$library" | awk '$2 ~ /^[TWDBRV]$/ {print $3}' | sort >"$work/exports" ;;
esac
printf '%s\n' $files | sort | diff -u - <(cd "$top" && find . ! -type d | sed 's|^\./||' | sort) ||
    fail "$name holds other files than expected (- expected, + found)"
sort -u "$expected" | sed '/^$/d' | diff -u - "$work/exports" ||
    fail "the export table differs from $expected (- expected, + found)"

# Java 8 runs what ships: class-file major version 52 throughout (its two bytes, as numbers).
(cd "$work/classes" && cmake -E tar xf "$top/veltrane-probe.jar" && cmake -E tar xf "$top/veltrane-api.jar")
majors=$(find "$work/classes" -name '*.class' -exec od -An -tu1 -j6 -N2 {} \; | sort -u | xargs)
[ "$majors" = "0 52" ] || fail "class-file major versions '$majors' in the jars, not only 52 (Java 8)"
version=$(sed -E 's/^VeltraneWin32DLL-([0-9.]+)-.*/\1/' <<<"$name")
probe_version=$(java -jar "$top/veltrane-probe.jar" --version)
[[ "$probe_version" == *"$version"* ]] || fail "the probe says '$probe_version', the package is $version"

if [[ "$archive" != *.zip ]]; then
    json=$(cd "$work" && "$top/veltrane-probe" --registry "$source/samples/quorindel-voicelink.reg" --json) ||
        fail "the probe with --registry exits $?: $json"
    prefix="{\"library\":{\"path\":\"$library\",\"foundByLoadLibrary\":false"
    [[ "$json" == "$prefix"*'"found":true'* ]] || fail "$json does not start with $prefix or finds no modem"
    # The launcher runs JAVA_HOME's java, with nothing but the jar before the arguments.
    mkdir -p "$work/java-home/bin"
    printf '#!/bin/sh\nprintf "[%%s]" "$@"\n' >"$work/java-home/bin/java" && chmod +x "$work/java-home/bin/java"
    launched=$(JAVA_HOME="$work/java-home" "$top/veltrane-probe" --json "a b")
    [ "$launched" = "[-jar][$top/veltrane-probe.jar][--json][a b]" ] || fail "with JAVA_HOME the launcher runs $launched"
    deb=$(find "$work/out" -maxdepth 1 -name '*.deb')
    [ -n "$deb" ] || fail "no Debian package in $work/out"
    . "$(dirname "$0")/check_deb.sh"
fi
echo "package $name is complete"
