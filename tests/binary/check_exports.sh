#!/usr/bin/env bash
# Compares a built binary's export table with the expected list, name for name, and on
# Windows checks that the import table names only Windows system DLLs.
#   check_exports.sh <binary> <expected-exports-file> <objdump-or-nm>
set -euo pipefail
binary=$1 expected=$2 tool=$3
actual=$(mktemp) want=$(mktemp)
trap 'rm -f "$actual" "$want"' EXIT

sort -u "$expected" | sed '/^$/d' > "$want"
case "$binary" in
*.dll)
    "$tool" -p "$binary" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' \
        | sed -n 's/^\s*\[ *[0-9]*\] //p' | sort > "$actual"
    imports=$("$tool" -p "$binary" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
    echo "imports: $(echo $imports)"
    for dll in $imports; do
        case "$dll" in
        kernel32.dll | advapi32.dll | msvcrt.dll | user32.dll | bcrypt.dll | crypt32.dll) ;;
        *) echo "FAIL: imports $dll, which is not a Windows system DLL"; exit 1 ;;
        esac
    done
    ;;
*)
    "$tool" -D --defined-only "$binary" | awk '$2 ~ /^[TWDBRV]$/ {print $3}' | sort > "$actual"
    ;;
esac
if ! diff -u "$want" "$actual"; then
    echo "FAIL: the export table differs from $expected (- expected, + found)"
    exit 1
fi
echo "exports: $(wc -l < "$actual") names, as expected"
