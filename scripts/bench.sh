#!/usr/bin/env bash
# Builds and runs the benchmarks (never part of the tests: nothing here fails on a time).
#
#   scripts/bench.sh [BUILD_DIR]      default: build/bench (the linux preset, Release)
#
# Each benchmark prints its own figures side by side with its baseline in the same run.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

BUILD=${1:-$VELTRANE_ROOT/build/bench}

say "configuring $BUILD"
cmake --preset linux -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DVELTRANE_BENCH=ON >/dev/null
say "building"
cmake --build "$BUILD" -j2 --target level_kernel_bench registry_load_bench veltrane_java_bench

say "level kernel against memcpy (bytes per second)"
"$BUILD/bin/level_kernel_bench" --benchmark_min_time=0.5

say "JNI: g501 against Java, g103 and g301 against a bare NewString"
"$BUILD/bench/java/run.sh" 15

say "registry file load and modem discovery"
"$BUILD/bin/registry_load_bench"
