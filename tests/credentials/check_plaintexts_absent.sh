#!/usr/bin/env bash
# Fails when a built binary holds any of the given texts, as ASCII or as UTF-16LE: the
# credentials are only ever in the binary enciphered.
#   check_plaintexts_absent.sh <binary> <text>...
set -euo pipefail
binary=$1
shift
test -s "$binary"
for text in "$@"; do
    ascii=$(printf '%s' "$text" | od -An -v -tx1 | tr -d ' \n' | sed 's/../\\x&/g')
    for bytes in "$ascii" "$(sed 's/\\x../&\\x00/g' <<< "$ascii")"; do
        if LC_ALL=C grep -qaP "$bytes" "$binary"; then
            echo "FAIL: $(basename "$binary") holds \"$text\" ($bytes)"
            exit 1
        fi
    done
done
echo "$(basename "$binary"): none of the $# texts, in either form"
