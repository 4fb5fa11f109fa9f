#!/usr/bin/env bash
# Installs the Debian packages the client needs, on Debian 12 (bookworm) or Debian 13 (trixie),
# whichever /etc/os-release names. "run" (default): build and run the client. "test": also
# everything the test suites use, including the Windows cross compiler and Wine. "bench": what
# the benchmarks in tools/bench compare and measure with (run set included). "root": what a
# Debian 13 root made by tools/debian13-root needs to build, test and benchmark the client there
# (no Windows side: that layer is tested once, on the machine itself).
#
# --print prints the list instead of installing it; VT_DEBIAN_CODENAME=trixie (or bookworm)
# chooses the release the list is for instead of the machine's own.
set -euo pipefail

what=run
print=""
for argument in "$@"; do
    case $argument in
    --print) print=1 ;;
    run | test | bench | root) what=$argument ;;
    *)
        echo "install-deps.sh: unknown argument '$argument' (run, test, bench, root, --print)" >&2
        exit 2
        ;;
    esac
done
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi

codename=${VT_DEBIAN_CODENAME:-$(. /etc/os-release && echo "${VERSION_CODENAME:-}")}
# Debian 13 moved to LLVM 19 and renamed the libraries of its 64-bit time move (Qt's core library
# among them); CPack's package step calls file(1), which Debian 12's base system brings and
# Debian 13's does not.
case $codename in
bookworm)
    llvm=14
    release_packages=()
    # The test command also builds and tests the client in a Debian 13 root it makes.
    release_test_packages=(mmdebstrap)
    ;;
trixie)
    llvm=19
    release_packages=(file)
    release_test_packages=()
    ;;
*)
    echo "install-deps.sh: Debian 12 (bookworm) or 13 (trixie) is needed, not '$codename'" >&2
    exit 1
    ;;
esac

run_packages=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev qt6-base-private-dev qt6-declarative-dev qt6-webengine-dev qt6-webengine-private-dev libxcb1-dev
    qml6-module-qtwebengine-controlsdelegates libgl-dev
    fonts-wqy-microhei
    xvfb xauth openbox x11-utils x11-xserver-utils xcompmgr xdotool imagemagick
    python3 openssl ffmpeg dpkg-dev
    "${release_packages[@]}"
)
test_packages=(
    libgtest-dev libgmock-dev googletest
    lldb-$llvm llvm-$llvm clang-format-$llvm gdb python3-websocket tzdata python3-dbus python3-gi python3-xlib
    lintian desktop-file-utils appstream
    dbus-daemon at-spi2-core iproute2
    libproxy1-plugin-webkit
    weston xwayland qt6-wayland mutter
    "${release_test_packages[@]}"
)
windows_packages=(
    g++-mingw-w64-i686 wine wine32 g++-mingw-w64-x86-64 wine64
)

bench_packages=(
    chromium ffmpeg linux-perf
)
# What every Debian system has but a minimal root lacks: the scenarios make their ordinary user.
root_packages=(
    passwd
)

packages=("${run_packages[@]}")
case $what in
bench) packages+=("${bench_packages[@]}") ;;
test) packages+=("${test_packages[@]}" "${windows_packages[@]}") ;;
root) packages+=("${test_packages[@]}" "${bench_packages[@]}" "${root_packages[@]}") ;;
esac
if [ -n "$print" ]; then
    printf '%s\n' "${packages[@]}" | sort -u
    exit 0
fi
if [ "$what" = "test" ]; then
    # 32-bit Wine runs the Windows layer's tests; 64-bit Wine where the machine runs no 32-bit
    # programs.
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386
    fi
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
