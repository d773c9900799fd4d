#!/bin/sh
# run_fuzzer.sh FUZZER WORKDIR SOURCE_DIR [SECONDS]: a bounded run seeded with the .reg
# files among the fixtures and samples; a crash, leak, hang or memory over the limit fails.
set -eu
rm -rf "$2" && mkdir -p "$2/corpus" "$2/seeds" && cd "$2"
find "$3/tests/fixtures/registry" "$3/samples" -name "*.reg" -size -1024k -exec cp {} seeds/ \;
exec "$1" -max_total_time="${4:-30}" -rss_limit_mb=2048 -timeout=10 -max_len=65536 \
    -dict="$3/tests/fixtures/registry-fuzz.dict" -artifact_prefix="$2/" corpus seeds
