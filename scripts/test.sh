#!/usr/bin/env bash
# Builds and tests everything: installs what is missing (Debian 12), then configures,
# builds and runs the tests of each preset (Linux, Wine 32 and 64, ASan+UBSan with the
# fuzzer, ThreadSanitizer). Exits non-zero if anything failed and ends with one line
# "N passed, M failed" (", K skipped" after it when tests could not run on this machine, each
# group of them listed above it with its reason).
#
#   scripts/test.sh                   every stage
#   scripts/test.sh --preset linux    only the named preset(s), repeatable
#
# Each stage is a function that counts what it checked with passed/failed; a new stage
# is one more function and one more line in main.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

PRESETS=("${VELTRANE_BINARY_PRESETS[@]}" linux-sanitize linux-tsan)
PASSED=0
FAILED=0
SKIPPED=0
FAILURES=()
SKIPS=()

passed() { PASSED=$((PASSED + ${2:-1})); }
failed() {
    FAILED=$((FAILED + ${2:-1}))
    FAILURES+=("$1")
}
skipped() {
    SKIPPED=$((SKIPPED + $2))
    SKIPS+=("$1")
}

# cmake --preset, cmake --build --preset, ctest --preset; counts ctest's tests. A preset
# that does not configure counts as one failure; a build failure counts as one and the
# tests still run, those whose programs did not build failing with it. A test that cannot run
# on this machine is skipped (CTest's SKIP_RETURN_CODE) and says why in a "SKIPPED: " line;
# GoogleTest cases skipped inside a program that passed are counted as skipped too.
stage_preset() {
    local preset=$1 jobs=2 log summary total failures skips reasons
    say "[$preset] configure"
    if ! cmake --preset "$preset"; then
        failed "$preset: configure"
        return
    fi
    say "[$preset] build"
    if ! cmake --build --preset "$preset" -- -k 0; then
        failed "$preset: build"
    fi
    # The Wine builds share one prefix per build folder: one test at a time there.
    case "$preset" in win*) jobs=1 ;; esac
    say "[$preset] test"
    log="build/$preset/ctest.log"
    ctest --preset "$preset" --parallel "$jobs" 2>&1 | tee "$log"
    local rc=${PIPESTATUS[0]}
    summary=$(grep -Eo '[0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
    if [ -z "$summary" ]; then
        failed "$preset: ctest ran no tests (exit code $rc)"
        return
    fi
    failures=$(echo "$summary" | awk '{print $1}')
    total=$(echo "$summary" | awk '{print $NF}')
    skips=$(grep -c '^[[:space:]]*[0-9]* - .* (Skipped)$' "$log")
    passed "$preset" $((total - failures - skips))
    local output="build/$preset/Testing/Temporary/LastTest.log"
    if [ "$skips" -gt 0 ]; then
        reasons=$(sed -n 's/^SKIPPED: //p' "$output" | sort -u | paste -sd ';')
        skipped "$preset: $skips tests: ${reasons:-no reason given}" "$skips"
    fi
    # Inside a test that passed, GoogleTest's own skips (GTEST_SKIP: the line after "Skipped").
    skips=$(grep -cE '^\[  SKIPPED \] .* \([0-9]+ ms\)$' "$output")
    if [ "$skips" -gt 0 ]; then
        reasons=$(grep -A1 -E ': Skipped$' "$output" | grep -vE ': Skipped$|^--$' | sort -u | paste -sd ';')
        skipped "$preset: $skips GoogleTest cases: ${reasons:-no reason given}" "$skips"
    fi
    if [ "$failures" -gt 0 ]; then
        failed "$preset: $failures of $total tests" "$failures"
    elif [ "$rc" -ne 0 ]; then
        failed "$preset: ctest exited $rc"
    fi
}

main() {
    local only=()
    while [ "$#" -gt 0 ]; do
        case "$1" in
        --preset) [ "$#" -ge 2 ] || { echo "--preset needs a name" >&2; exit 2; }
                  only+=("$2"); shift ;;
        -h | --help) sed -n '2,12p' "$0"; exit 0 ;;
        *) echo "unknown argument $1 (try --help)" >&2; exit 2 ;;
        esac
        shift
    done
    cd "$VELTRANE_ROOT"

    if ! install_missing_packages; then
        echo "installing the build tools failed"
        echo "0 passed, 1 failed"
        exit 1
    fi

    local presets=("${PRESETS[@]}")
    [ "${#only[@]}" -gt 0 ] && presets=("${only[@]}")
    local preset
    for preset in "${presets[@]}"; do
        stage_preset "$preset"
    done
    # Further stages go here, each counting with passed/failed (benchmarks are not a
    # stage of this script: they never fail a run).

    say "summary"
    local f
    for f in "${SKIPS[@]}"; do
        echo "SKIPPED: $f"
    done
    for f in "${FAILURES[@]}"; do
        echo "FAILED: $f"
    done
    echo
    echo "$PASSED passed, $FAILED failed$([ "$SKIPPED" -gt 0 ] && echo ", $SKIPPED skipped")"
    [ "$FAILED" -eq 0 ]
}

main "$@"
