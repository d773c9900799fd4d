#!/usr/bin/env bash
# What must not be in a built binary: anything made for tests (no failure hook, no fake step,
# nothing of the tests' own namespace), and any of the given texts as ASCII or UTF-16LE (the
# credentials are only ever in it enciphered). Reads the full symbol table of the unstripped
# binary (nm without -D: the export table alone would prove nothing), and first makes sure it
# is the full one by finding an internal function in it.
#   check_contents.sh <binary> <nm for its target> [text...]
set -euo pipefail
binary=$1 nm=$2
shift 2
symbols=$("$nm" "$binary")
if ! grep -q 'DecryptCredential' <<<"$symbols"; then
    echo "FAIL: no internal symbol in $binary: stripped, or read without its full table"
    exit 1
fi
# The credential test's own cipher calls by the names only they use (its step-failure switch
# and what it counts), and anything of namespace veltrane::testing (mangled).
found=$(grep -E 'StepFails|g_live_crypt_handles|g_last_mutex_name|g_last_wait|8veltrane7testing' <<<"$symbols" || true)
if [ -n "$found" ]; then
    echo "FAIL: $binary holds test code:"
    echo "$found"
    exit 1
fi
for text in "$@"; do
    ascii=$(printf '%s' "$text" | od -An -v -tx1 | tr -d ' \n' | sed 's/../\\x&/g')
    for bytes in "$ascii" "$(sed 's/\\x../&\\x00/g' <<<"$ascii")"; do
        if LC_ALL=C grep -qaP "$bytes" "$binary"; then
            echo "FAIL: $(basename "$binary") holds \"$text\" ($bytes)"
            exit 1
        fi
    done
done
echo "no test hooks among $(wc -l <<<"$symbols") symbols, none of the $# texts"
