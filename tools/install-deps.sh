#!/usr/bin/env bash
# Installs the Debian 12 packages the client needs. "run" (default): build and run the client.
# "test": also everything the test suites use, including the Windows cross compiler and Wine.
# "bench": what the benchmarks in tools/bench compare and measure with (run set included).
set -euo pipefail

what=${1:-run}
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi

run_packages=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev qt6-base-private-dev qt6-declarative-dev qt6-webengine-dev qt6-webengine-private-dev libxcb1-dev
    qml6-module-qtwebengine-controlsdelegates libgl-dev
    fonts-wqy-microhei
    xvfb xauth openbox x11-utils x11-xserver-utils xcompmgr xdotool imagemagick
    python3 openssl ffmpeg dpkg-dev
)
test_packages=(
    libgtest-dev libgmock-dev googletest
    lldb-14 llvm-14 clang-format-14 python3-websocket tzdata python3-dbus python3-gi python3-xlib
    g++-mingw-w64-i686 wine wine32 g++-mingw-w64-x86-64 wine64
    lintian desktop-file-utils appstream
    dbus-daemon at-spi2-core iproute2
    libproxy1-plugin-webkit
    weston xwayland qt6-wayland
)

bench_packages=(
    chromium ffmpeg linux-perf
)

packages=("${run_packages[@]}")
if [ "$what" = "bench" ]; then
    packages+=("${bench_packages[@]}")
fi
if [ "$what" = "test" ]; then
    packages+=("${test_packages[@]}")
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
