#!/usr/bin/env bash
# Builds the client and runs every test suite: unit, threading, engine and end-to-end tests of
# the real executable (each starts its own X server), the Windows layer under Wine, and the unit
# and threading tests again under the sanitizers; checks that the C++ sources are formatted, and
# builds the Debian package and puts it through lintian and the menu and AppStream validators.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh test

jobs=$(nproc)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"

status=0
tools/check-format.sh || status=1
(cd build && ctest --output-on-failure -j"$jobs") || status=1
tools/run-wine-tests.sh || status=1
tools/run-sanitizer-tests.sh || status=1
tools/check-package.sh || status=1

if [ $status -ne 0 ]; then
    echo "Some tests failed." >&2
fi
exit $status
