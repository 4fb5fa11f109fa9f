#!/usr/bin/env bash
# Cross-builds the Windows layer for 32-bit Windows (MinGW-w64) and runs its suite under Wine:
# headless, in a Wine prefix and home folder of the build's own, with an X server of their own
# for the tests that need windows. Works as root and without a display.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${VT_WINE_BUILD_DIR:-$root/build-wine}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake" >/dev/null
cmake --build "$build" -j"$(nproc)"

export WINEPREFIX=$build/wineprefix
export WINEDEBUG=-all WINEARCH=win32
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
# Wine links the prefix's user folders to folders in HOME: keep it away from the real one.
export HOME=$build/wine-home
mkdir -p "$HOME"
unset DISPLAY

# Wine's server keeps the display it was started with; the window tests need one started under
# their X server, so every server is waited for or stopped before the next stage.
stop_wine() {
    timeout 60 wineserver -w || wineserver -k || true
}
trap 'wineserver -k 2>/dev/null || true' EXIT

wineboot >/dev/null 2>&1
stop_wine

status=0
(cd "$build" && ctest --output-on-failure -L wine -E win_window_tests) || status=1
stop_wine

xvfb-run -a -s "-screen 0 1280x1024x24" bash -c \
    'cd "$1" && ctest --output-on-failure -R win_window_tests; result=$?; wineserver -k; exit $result' \
    run-wine-tests "$build" || status=1

exit $status
