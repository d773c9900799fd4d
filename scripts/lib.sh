# Shell code shared by the project's scripts (demo.sh, test.sh); sourced, not run.
# Everything here works on a fresh Debian 12 machine, as root or through sudo.

VELTRANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# What building and testing the three binaries needs, as Debian 12 packages.
VELTRANE_PACKAGES=(
    cmake ninja-build g++ clang clang-format libclang-rt-14-dev valgrind
    openjdk-17-jdk-headless junit5 libhsqldb-java libh2-java
    libssl-dev libgtest-dev libgmock-dev googletest libbenchmark-dev
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
    wine wine32:i386 wine64
    python3 openssl   # the credential tests check the sealed file independently
    dpkg-dev lintian   # the Debian package: its Depends (dpkg-shlibdeps) and its check
)

# The presets whose binaries ship: Linux, 32-bit and 64-bit Windows.
VELTRANE_BINARY_PRESETS=(linux win32 win64)

say() {
    printf '\n==> %s\n' "$*"
}

as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    else
        sudo "$@"
    fi
}

package_installed() {
    [ "$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null)" = "install ok installed" ]
}

# Installs whichever of VELTRANE_PACKAGES is missing; quiet when nothing is.
install_missing_packages() {
    local missing=() pkg
    for pkg in "${VELTRANE_PACKAGES[@]}"; do
        package_installed "$pkg" || missing+=("$pkg")
    done
    [ "${#missing[@]}" -eq 0 ] && return 0

    say "installing ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        as_root dpkg --add-architecture i386   # for wine32
    fi
    as_root apt-get update -q
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
}

# Configures a preset and builds it (all targets, or the ones named). Quiet unless it
# fails; the full output stays in build/<preset>.log.
build_preset() {
    local preset=$1
    shift
    local log="$VELTRANE_ROOT/build/$preset.log" targets=()
    [ "$#" -gt 0 ] && targets=(--target "$@")
    mkdir -p "$VELTRANE_ROOT/build"
    if ! (cd "$VELTRANE_ROOT" && cmake --preset "$preset" && cmake --build --preset "$preset" "${targets[@]}") >"$log" 2>&1; then
        tail -n 40 "$log"
        echo "building preset $preset failed; the whole output is in $log" >&2
        return 1
    fi
}
