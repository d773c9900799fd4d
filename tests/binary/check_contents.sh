#!/usr/bin/env bash
# Nothing made for tests is in a built binary: no failure hook, no fake step, nothing of
# the tests' own namespace. Reads the full symbol table of the unstripped binary (nm
# without -D: the export table alone would prove nothing), and first makes sure it is the
# full one by finding an internal function in it.
#   check_no_test_hooks.sh <binary> <nm for its target>
set -euo pipefail
binary=$1 nm=$2
symbols=$("$nm" "$binary")
if ! grep -q 'DecryptCredential' <<<"$symbols"; then
    echo "FAIL: no internal symbol in $binary: stripped, or read without its full table"
    exit 1
fi
# The test hooks by name, and anything of namespace veltrane::testing (mangled).
found=$(grep -E 'ForTest|[Ff]ailingCredential|FailingStep|8veltrane7testing' <<<"$symbols" || true)
if [ -n "$found" ]; then
    echo "FAIL: $binary holds test code:"
    echo "$found"
    exit 1
fi
echo "no test hooks among $(wc -l <<<"$symbols") symbols"
