#!/bin/sh
# run_fuzzer.sh FUZZER WORKDIR SOURCE_DIR [SECONDS]
# Runs the registry file fuzzer for a bounded time from a fresh corpus seeded with the .reg
# files among the fixtures (and samples/, where present). libFuzzer exits non-zero on a
# crash, a leak, a hang (-timeout) or memory over -rss_limit_mb; the reproducer lands in
# WORKDIR.
set -eu
fuzzer=$1
work=$2
source=$3
seconds=${4:-60}

rm -rf "$work"
mkdir -p "$work/corpus" "$work/seeds"
for dir in "$source/tests/fixtures/registry" "$source/samples"; do
    [ -d "$dir" ] || continue
    find "$dir" -type f -name "*.reg" -size -1024k -exec cp {} "$work/seeds/" \; 2>/dev/null || true
done
ls "$work/seeds" | head -n 50

cd "$work"
exec "$fuzzer" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -max_len=65536 \
    -dict="$source/tests/fuzz/registry_file.dict" -artifact_prefix="$work/" \
    -print_final_stats=1 corpus seeds
