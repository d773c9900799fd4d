#!/usr/bin/env bash
# Fails when a built binary holds any of the given texts, as ASCII or as UTF-16LE: the
# credentials are only ever in the binary enciphered.
#   check_plaintexts_absent.sh <binary> <text>...
set -euo pipefail
binary=$1
shift
test -s "$binary"
# One byte per field, so a match can only start on a byte boundary.
bytes=$(od -An -v -tx1 "$binary" | tr -s ' \n' '  ')
found=0
for text in "$@"; do
    ascii=$(printf '%s' "$text" | od -An -v -tx1 | tr -s ' \n' '  ' | sed 's/ *$//')
    utf16=$(printf '%s' "$text" | od -An -v -tx1 | tr -s ' \n' '  ' | sed 's/ *$//; s/\([0-9a-f][0-9a-f]\)/\1 00/g')
    for form in "$ascii" "$utf16"; do
        if [[ "$bytes " == *"$form "* ]]; then
            echo "FAIL: $(basename "$binary") holds \"$text\" (bytes$form)"
            found=1
        fi
    done
done
[ "$found" = 0 ] && echo "$(basename "$binary"): none of the $# texts, in either form"
exit "$found"
