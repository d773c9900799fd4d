#!/usr/bin/env bash
# Three processes of one Windows user decrypting at the same moment, under Wine: the
# 32-bit, the 64-bit and again the 32-bit library, in one fresh prefix, each process in a
# working folder of its own, each calling g201 and g202 CALLS times. With --leftover a
# key container "Veltrane" is created first by another process, as one that died would
# leave it. Prints per process how many calls gave the right credential and what it
# logged; exits 1 unless every call was right and nothing was logged.
#   three_processes_wine.sh <win32 build folder> <win64 build folder> [--leftover] [CALLS]
# Each build folder needs credential_child and the library in its bin/.
set -euo pipefail
win32=$(realpath "$1") win64=$(realpath "$2")
shift 2
leftover=0
if [ "${1:-}" = --leftover ]; then leftover=1; shift; fi
calls=${1:-300}
user=qrdlapp password='M4x!pq9'  # the committed defaults

work=$(mktemp -d)
trap 'WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all
wineboot -i >/dev/null 2>&1
wineserver -w

child() {  # child <build folder>: the child and the library it loads, side by side
    local bin=$work/bin-$(basename "$1")
    mkdir -p "$bin"
    cp "$1/bin/credential_child.exe" "$1/bin/VeltraneWin32DLL.dll" "$bin/"
    echo "$bin/credential_child.exe"
}
programs=("$(child "$win32")" "$(child "$win64")" "$(child "$win32")")
arguments=()
for ((i = 0; i < calls; ++i)); do arguments+=(g201 g202); done

if [ "$leftover" = 1 ]; then
    wine "${programs[1]}" make-container
fi

for n in 0 1 2; do
    mkdir -p "$work/p$n/log"
    (cd "$work/p$n" && date +%s.%N >started && wine "${programs[$n]}" "${arguments[@]}" &&
        date +%s.%N >ended) &
done
wait

status=0
for n in 0 1 2; do
    right=$(awk -v u="$user" -v p="$password" '$0 == (NR % 2 ? u : p) {++n} END {print n + 0}' \
        "$work/p$n/results.txt")
    logged=$(wc -l <"$work/p$n/log/VeltraneDll.log")
    span=$(cat "$work/p$n/started" "$work/p$n/ended" 2>/dev/null | tr '\n' ' ' || true)
    echo "process $n ($(basename "$(dirname "${programs[$n]}")")): $right of $((2 * calls))" \
        "right, $logged log lines; ran from $span(seconds since the epoch)"
    [ "$right" = $((2 * calls)) ] && [ "$logged" = 0 ] || status=1
done
exit $status
