#!/usr/bin/env bash
# Builds the three shipping binaries and packs them: one archive per platform, one archive
# holding all three and the Debian package of the Linux build, in build/packages/.
#   scripts/package.sh
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
cd "$VELTRANE_ROOT"
install_missing_packages

out="$VELTRANE_ROOT/build/packages"
rm -rf "$out"
mkdir -p "$out"
for preset in "${VELTRANE_BINARY_PRESETS[@]}"; do
    say "[$preset] build and pack"
    build_preset "$preset"
    cpack --config "build/$preset/CPackConfig.cmake" -B "$out/$preset" >/dev/null
    find "$out/$preset" -maxdepth 1 -type f \( -name 'VeltraneWin32DLL-*' -o -name '*.deb' \) \
        -exec mv -t "$out" {} +
    rm -rf "$out/$preset"
done

version=$(sed -nE 's/^project\(Veltrane VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
all="VeltraneWin32DLL-$version-all.tar.gz"
(cd "$out" && cmake -E tar czf "$all" VeltraneWin32DLL-"$version"-linux-x86_64.tar.gz \
    VeltraneWin32DLL-"$version"-windows-x86.zip VeltraneWin32DLL-"$version"-windows-x86_64.zip)
say "packages"
ls -l "$out"
