#!/usr/bin/env bash
# veltrane-seal: reproduces the committed defaults byte for byte, seals other values to a
# file that checks out against an independent computation, reads values it is not given
# from standard input, and refuses bad values with a message and a non-zero exit.
#   check_seal_tool.sh <veltrane-seal> <committed defaults> <check_sealed_file.py>
set -uo pipefail
seal=$1 defaults=$2 check=$3
phrase='Veltrane line credentials: sealed 2026!'
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

"$seal" --user qrdlapp --password 'M4x!pq9' --pass-phrase "$phrase" --output "$work/defaults.inc" ||
    fail "sealing the defaults"
cmp -s "$work/defaults.inc" "$defaults" || fail "the committed defaults are not what the tool writes"

# Quotes and backslashes in the phrase, values on standard input, the file on stdout.
odd='a "quoted" \back\slash phrase, 39 chars'
printf '%s\n%s\n%s\n' 'us er"' 'p\w  d' "$odd" | "$seal" > "$work/odd.inc" 2>/dev/null ||
    fail "sealing values read from standard input"
python3 "$check" "$work/odd.inc" 'us er"' 'p\w  d' > /dev/null ||
    fail "the file sealed from standard input does not check out"

refuse() {  # expects a refusal with exit 2 and a message naming the problem
    local why=$1
    shift
    local message
    message=$("$@" 2>&1 < /dev/null)
    local rc=$?
    [ "$rc" = 2 ] || fail "$why: exit $rc, expected 2"
    [ -n "$message" ] || fail "$why: no message"
}
refuse "a 3-character user name" "$seal" --user abc --password abcd --pass-phrase "$phrase"
refuse "an 8-character password" "$seal" --user abcd --password abcdefgh --pass-phrase "$phrase"
refuse "a 38-character phrase" "$seal" --user abcd --password abcd --pass-phrase "${phrase:1}"
refuse "a 40-character phrase" "$seal" --user abcd --password abcd --pass-phrase "${phrase}x"
refuse "a non-ASCII password" "$seal" --user abcd --password "pä55" --pass-phrase "$phrase"
refuse "a tab in the user name" "$seal" --user $'ab\tcd' --password abcd --pass-phrase "$phrase"
refuse "an unknown option" "$seal" --name abcd
refuse "an option without its value" "$seal" --user
refuse "nothing on standard input" "$seal" --user abcd --password abcd
[ -e "$work/none.inc" ] && fail "a refused run wrote a file"
"$seal" --user abc --password abcd --pass-phrase "$phrase" --output "$work/none.inc" 2>/dev/null
[ -e "$work/none.inc" ] && fail "a refused run wrote a file"

[ "$failed" = 0 ] && echo "veltrane-seal: all checks passed"
exit "$failed"
