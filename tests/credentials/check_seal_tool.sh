#!/usr/bin/env bash
# veltrane-seal: the committed defaults, values read from standard input as given, the phrase
# escaped for C++, bad values refused.   check_seal_tool.sh <veltrane-seal> <committed defaults>
set -uo pipefail
seal=$1 defaults=$2
phrase='Veltrane line credentials: sealed 2026!'
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

"$seal" --user qrdlapp --password 'M4x!pq9' --pass-phrase "$phrase" --output "$work/defaults.inc"
cmp -s "$work/defaults.inc" "$defaults" || fail "the committed defaults are not what the tool writes"

# Spaces, quotes and backslashes: on standard input (the file on stdout) as in options.
odd='a "quoted" \back\slash phrase, 39 chars'
printf '%s\n%s\n%s\n' 'us er"' 'p\w  d' "$odd" | "$seal" > "$work/stdin.inc" 2>/dev/null
"$seal" --user 'us er"' --password 'p\w  d' --pass-phrase "$odd" --output "$work/options.inc"
cmp -s "$work/stdin.inc" "$work/options.inc" || fail "standard input is not read as given"
grep -qF 'u"a \"quoted\" \\back\\slash phrase, 39 chars"' "$work/options.inc" ||
    fail "the phrase is not escaped for a C++ literal"

refuse() {  # a refusal: exit 2, a message naming the problem, no file
    local why=$1 message rc
    shift
    message=$("$seal" "$@" --output "$work/none.inc" 2>&1 < /dev/null)
    rc=$?
    [ "$rc" = 2 ] && [ -n "$message" ] && [ ! -e "$work/none.inc" ] ||
        fail "$why: exit $rc, \"$message\""
}
refuse "a 3-character user name" --user abc --password abcd --pass-phrase "$phrase"
refuse "an 8-character password" --user abcd --password abcdefgh --pass-phrase "$phrase"
refuse "a 38-character phrase" --user abcd --password abcd --pass-phrase "${phrase:1}"
refuse "a 40-character phrase" --user abcd --password abcd --pass-phrase "${phrase}x"
refuse "a non-ASCII password" --user abcd --password "pä55" --pass-phrase "$phrase"
refuse "a tab in the user name" --user $'ab\tcd' --password abcd --pass-phrase "$phrase"
refuse "an unknown option" --name abcd
refuse "nothing on standard input" --user abcd --password abcd

[ "$failed" = 0 ] && echo "veltrane-seal: all checks passed"
exit "$failed"
