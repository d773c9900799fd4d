#!/bin/sh
# run_fuzzer.sh FUZZER WORKDIR SECONDS DICT PATTERN SOURCE...: a bounded run seeded from
# each SOURCE: a folder gives its files named PATTERN (below 1 MiB), a .tsv fixture the
# second field of each row (escapes \\ \t \r \n \xHH). A crash, leak, hang or memory over
# the limit fails.
set -eu
fuzzer=$1 work=$2 seconds=$3 dict=$4 pattern=$5
shift 5
rm -rf "$work" && mkdir -p "$work/corpus" "$work/seeds" && cd "$work"
for source in "$@"; do
    case $source in
    *.tsv)
        prefix="$work/seeds/$(basename "$source" .tsv)-" perl -ne '
            next if /^#/;
            my @field = split /\t/, $_, -1;
            next if @field < 2;
            (my $text = $field[1]) =~ s/\\(?:x([0-9a-fA-F]{2})|(.))/
                defined $1 ? chr(hex $1) : $2 eq "t" ? "\t" : $2 eq "r" ? "\r" : $2 eq "n" ? "\n" : $2/ge;
            open(my $seed, ">:raw", "$ENV{prefix}$.") or die "$!";
            print $seed $text;' "$source" ;;
    *) find "$source" -name "$pattern" -size -1024k -exec cp {} seeds/ \; ;;
    esac
done
exec "$fuzzer" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -max_len=65536 \
    -dict="$dict" -artifact_prefix="$work/" corpus seeds
