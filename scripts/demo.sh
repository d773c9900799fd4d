#!/usr/bin/env bash
# Shows the project at work: installs what is missing (Debian 12), builds the three
# binaries (Linux, 32-bit and 64-bit Windows) and loads the Linux library into a JVM.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
cd "$VELTRANE_ROOT"

install_missing_packages

say "building the three binaries"
build_preset linux VeltraneWin32DLL veltrane_api_jar
build_preset win32 VeltraneWin32DLL
build_preset win64 VeltraneWin32DLL
for binary in build/linux/bin/libVeltraneWin32DLL.so build/win32/bin/VeltraneWin32DLL.dll \
              build/win64/bin/VeltraneWin32DLL.dll; do
    format=$(objdump -f "$binary" | sed -n 's/.*file format //p')
    printf '  %-40s %8d bytes  %s\n' "$binary" "$(stat -c %s "$binary")" "$format"
done

say "loading the Linux library into a JVM (System.loadLibrary, -Xcheck:jni)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/log"
printf 'Error 22\r\n(left by an earlier run)\r\n' > "$work/log/VeltraneDll.log"
echo "  before: log/VeltraneDll.log holds $(stat -c %s "$work/log/VeltraneDll.log") bytes"
bin="$VELTRANE_ROOT/build/linux/bin"
build_preset linux veltrane_probe_jar
(cd "$work" && java -Xcheck:jni -Djava.library.path="$bin" -jar "$VELTRANE_ROOT/build/linux/veltrane-probe.jar") |
    sed -n '1,3s/^/  java: /p'
echo "  after:  log/VeltraneDll.log holds $(stat -c %s "$work/log/VeltraneDll.log") bytes (emptied at load)"

say "the probe on samples/: what the application sees of the modem in each registry"
for sample in samples/*.reg; do
    echo "  build/linux/veltrane-probe --registry $sample"
    build/linux/veltrane-probe --registry "$sample" | sed 's/^/  /'
done
echo "  without a registry file:"
(env -u VELTRANE_REGISTRY build/linux/veltrane-probe --json) | sed 's/^/  /'

say "done: binaries in build/linux/bin, build/win32/bin, build/win64/bin"
