#!/usr/bin/env bash
# Imports each registry fixture wine-*.reg with Wine's regedit into a fresh prefix, one at a
# time (wine-cleanup.reg removes the previous one), and keeps the prefix's system.reg after
# each import: <hives>/<fixture>.system.reg.
#   import-into-wine.sh <prefix> <hives> <fixture folder>
set -eu
prefix=$1 hives=$2 folder=$3
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all
rm -rf "$hives"
mkdir -p "$hives"
if ! command -v wine >/dev/null; then
    echo "Wine is not installed: no hives"
    exit 0
fi
wineserver -k 2>/dev/null || true
rm -rf "$prefix"
mkdir -p "$prefix"
wineboot -i >/dev/null 2>&1
wineserver -w
windows_path() { echo "Z:$1" | tr / '\\'; }
count=0
for path in "$folder"/wine-*.reg; do
    fixture=$(basename "$path")
    [ "$fixture" = wine-cleanup.reg ] && continue
    wine regedit /S "$(windows_path "$folder/wine-cleanup.reg")"
    wine regedit /S "$(windows_path "$folder/$fixture")"
    wineserver -w  # the registry reaches system.reg when the server ends
    cp "$prefix/system.reg" "$hives/$fixture.system.reg"
    count=$((count + 1))
done
touch "$hives/done"
echo "imported $count fixtures into $prefix"
