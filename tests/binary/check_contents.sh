#!/usr/bin/env bash
# No test code in a built binary (its full symbol table, nm without -D, known by an internal
# function's name) and none of the given texts, as ASCII or UTF-16LE.
set -euo pipefail
binary=$1 nm=$2 && shift 2
fail() { echo "FAIL: $*"; exit 1; }
symbols=$("$nm" "$binary")
grep -q DecryptCredential <<<"$symbols" ||
    fail "no internal symbol in $binary: stripped, or read without its full table"
tests='StepFails|g_live_crypt_handles|g_last_mutex_name|g_last_wait|8veltrane7testing'
found=$(grep -E "$tests" <<<"$symbols") && fail "$binary holds test code: $found"
for text in "$@"; do
    ascii=$(printf '%s' "$text" | od -An -v -tx1 | tr -d ' \n' | sed 's/../\\x&/g')
    for bytes in "$ascii" "$(sed 's/\\x../&\\x00/g' <<<"$ascii")"; do
        ! LC_ALL=C grep -qaP "$bytes" "$binary" || fail "${binary##*/} holds \"$text\" ($bytes)"
    done
done
echo "no test hooks among $(wc -l <<<"$symbols") symbols, none of the $# texts"
