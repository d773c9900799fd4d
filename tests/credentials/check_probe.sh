#!/usr/bin/env bash
# The probe's credentials section: the user name, and of the password only its length
# unless --show-password is given.
#   check_probe.sh <java> <library folder> <veltrane-probe.jar> <user name> <password>
set -uo pipefail
java=$1 libs=$2 jar=$3 user=$4 password=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failed=0
fail() { echo "FAIL: $*"; failed=1; }

hidden=$("$java" -Djava.library.path="$libs" -jar "$jar") || fail "probe exit $?"
section=$(printf '%s\n' "$hidden" | sed -n '/== Database credentials ==/,/^$/p')
echo "$section"
[[ "$section" == *"UserName:"*"\"$user\""* ]] || fail "no user name in the section"
[[ "$section" == *"Password: ${#password} characters"* ]] || fail "no password length"
[[ "$hidden" == *"$password"* ]] && fail "the password is shown without --show-password"

shown=$("$java" -Djava.library.path="$libs" -jar "$jar" --show-password) || fail "probe exit $?"
[[ "$shown" == *"Password:"*"\"$password\""* ]] || fail "--show-password does not show it"

json=$("$java" -Djava.library.path="$libs" -jar "$jar" --json) || fail "probe exit $?"
[[ "$json" == *"\"passwordLength\": ${#password}"* || "$json" == *"\"passwordLength\":${#password}"* ]] ||
    fail "no passwordLength in the JSON"
[[ "$json" == *"$password"* ]] && fail "the password is in the JSON without --show-password"
exit "$failed"
