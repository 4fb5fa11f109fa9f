#!/usr/bin/env bash
# Cross-builds the Windows layer for 32-bit Windows (MinGW-w64) and runs its suite under 32-bit
# Wine. Where this machine runs no 32-bit programs, or VT_WINE_FORCE_64=1 asks for it, the same
# layer is also cross-built for 64-bit Windows and the suite runs under 64-bit Wine instead; the
# 32-bit build is made either way, so that its compile and link errors fail here on every machine.
# Headless, in a Wine prefix and home folder of each build's own, with an X server of its own for
# the tests that need windows. Works as root and without a display.
#
# One line says which Wine runs the suite and why; a failure ends with one line naming its cause.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build32=${VT_WINE_BUILD_DIR:-$root/build-wine}
build64=${VT_WINE64_BUILD_DIR:-$root/build-wine64}
wine32=/usr/lib/wine/wine
wine64=/usr/lib/wine/wine64

fail() {
    echo "run-wine-tests: $*" >&2
    exit 1
}

cross_build() {
    local toolchain=$1 build=$2 what=$3
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" >/dev/null ||
        fail "the $what cross build could not be configured (see above)"
    cmake --build "$build" -j"$(nproc)" || fail "the $what cross build failed (see above)"
}

# The first line of what a program says when started, or of why it could not be (without the
# shell's own "script: line N:"); its status is the program's.
first_words() {
    local output status=0
    output=$("$@" 2>&1) || status=$?
    sed -n '1{s/^.*: line [0-9]*: //;p;}' <<<"$output"
    return $status
}

if ! command -v i686-w64-mingw32-g++-posix >/dev/null; then
    fail "no 32-bit Windows cross compiler: apt-get install g++-mingw-w64-i686 (or tools/install-deps.sh test)"
fi
cross_build toolchain-mingw-i686.cmake "$build32" 32-bit

# The 32-bit loader's own start tells whether this machine runs 32-bit programs: the shell's
# status 126 means the kernel refused to run it.
width=win32
if [ "${VT_WINE_FORCE_64:-}" = 1 ]; then
    width=win64
    why="VT_WINE_FORCE_64=1 asks for it"
elif [ ! -e "$wine32" ]; then
    fail "32-bit Wine is missing: dpkg --add-architecture i386 && apt-get update && apt-get install wine32:i386 (or tools/install-deps.sh test)"
elif answer=$(first_words "$wine32" --version); then
    why="this machine runs 32-bit programs ($wine32 --version: $answer)"
elif [ $? -eq 126 ]; then
    width=win64
    why="this machine runs no 32-bit programs ($answer)"
else
    fail "32-bit Wine does not start: $answer"
fi

if [ "$width" = win64 ]; then
    if [ ! -e "$wine64" ]; then
        fail "64-bit Wine is needed, as $why, but missing: apt-get install wine64 (or tools/install-deps.sh test)"
    fi
    if ! command -v x86_64-w64-mingw32-g++-posix >/dev/null; then
        fail "64-bit Wine is needed, as $why, but there is no 64-bit Windows cross compiler: apt-get install g++-mingw-w64-x86-64 (or tools/install-deps.sh test)"
    fi
    if ! answer=$(first_words "$wine64" --version); then
        fail "neither Wine can run here: $why, and 64-bit Wine does not start: $answer"
    fi
    echo "Wine: the suite runs under 64-bit Wine ($answer): $why."
    cross_build toolchain-mingw-x86_64.cmake "$build64" 64-bit
    build=$build64
else
    echo "Wine: the suite runs under 32-bit Wine: $why."
    build=$build32
fi

export WINEPREFIX=$build/wineprefix
export WINEDEBUG=-all
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

# A prefix is used only once wineboot has finished it; one an interrupted run left behind is made
# again. A server such a run left for it goes first.
complete=$WINEPREFIX/.made-by-wineboot
wineserver -k 2>/dev/null || true
if [ -e "$WINEPREFIX" ] && [ ! -e "$complete" ]; then
    echo "Wine: making the prefix again, an earlier run left it half-made: $WINEPREFIX"
    rm -rf "$WINEPREFIX"
fi
boot_log=$build/wineboot.log
if ! timeout 300 "$root/cmake/wine-quiet.sh" "$width" wineboot >"$boot_log" 2>&1 ||
    ! timeout 120 wineserver -w >>"$boot_log" 2>&1; then
    tail -n 20 "$boot_log" >&2
    fail "wineboot could not make the $width prefix $WINEPREFIX (its messages above, all in $boot_log)"
fi
touch "$complete"

status=0
(cd "$build" && ctest --output-on-failure --timeout 600 -L wine -E win_window_tests) || status=1
stop_wine

# The window tests get an X server on a display number it chooses itself: one already in use is
# never taken.
display_file=$build/xvfb.display
display_log=$build/xvfb.log
rm -f "$display_file"
Xvfb -displayfd 4 -screen 0 1280x1024x24 -nolisten tcp 4>"$display_file" 2>"$display_log" &
xvfb=$!
trap 'wineserver -k 2>/dev/null || true; kill "$xvfb" 2>/dev/null || true' EXIT
for _ in $(seq 300); do
    if grep -q . "$display_file" 2>/dev/null || ! kill -0 "$xvfb" 2>/dev/null; then
        break
    fi
    sleep 0.1
done
number=$(head -n 1 "$display_file" 2>/dev/null || true)
if [ -z "$number" ]; then
    tail -n 20 "$display_log" >&2
    fail "Xvfb did not start for the window tests (its messages above)"
fi
export DISPLAY=:$number
echo "Wine: the window tests run on display $DISPLAY."
(cd "$build" && ctest --output-on-failure --timeout 600 -R win_window_tests) || status=1
wineserver -k 2>/dev/null || true

if [ $status -ne 0 ]; then
    fail "the Windows layer's suite failed under $width Wine (the failing tests' output above)"
fi
