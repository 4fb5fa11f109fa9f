#!/usr/bin/env bash
# Builds the client and runs every test suite: unit, threading, engine and end-to-end tests of
# the real executable (each starts its own X server), the Windows layer under Wine, and the unit
# and threading tests again under the sanitizers; checks that the C++ sources are formatted, and
# builds the Debian package and puts it through lintian and the menu and AppStream validators.
#
# Each step's output goes to the screen and to build-logs/STEP.log. The run ends with a table of
# the steps, passed or failed, and their times, then the end of each failed step's log; the exit
# status is 0 only when every step passed.
set -uo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
logs=$PWD/build-logs
rm -rf "$logs"
mkdir -p "$logs"

steps=()
results=()
times=()

# Runs one step, its output shown and kept in its log, and notes how it went and how long it took.
run_step() {
    local name=$1
    shift
    local start=$SECONDS status
    echo "=== $name"
    "$@" 2>&1 | tee "$logs/$name.log"
    status=${PIPESTATUS[0]}
    steps+=("$name")
    times+=($((SECONDS - start)))
    if [ "$status" -eq 0 ]; then
        results+=(passed)
    else
        results+=(failed)
        echo "=== $name failed (exit status $status)"
    fi
    return "$status"
}

not_run() {
    local name=$1 why=$2
    echo "=== $name not run: $why" | tee "$logs/$name.log"
    steps+=("$name")
    times+=("")
    results+=("not run")
}

build_client() {
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null &&
        cmake --build build -j"$jobs"
}

run_ctest() {
    cd build && ctest --output-on-failure -j"$jobs"
}

duration() {
    local seconds=$1
    if [ -z "$seconds" ]; then
        printf -- -
    elif [ "$seconds" -ge 60 ]; then
        printf '%d min %02d s' $((seconds / 60)) $((seconds % 60))
    else
        printf '%d s' "$seconds"
    fi
}

run_step deps tools/install-deps.sh test
run_step build build_client
build_status=$?
run_step format tools/check-format.sh
if [ $build_status -eq 0 ]; then
    run_step ctest run_ctest
else
    not_run ctest "the build failed"
fi
run_step wine tools/run-wine-tests.sh
run_step sanitizers tools/run-sanitizer-tests.sh
run_step package tools/check-package.sh

status=0
echo
printf '%-12s %-9s %s\n' step result time
for i in "${!steps[@]}"; do
    printf '%-12s %-9s %s\n' "${steps[$i]}" "${results[$i]}" "$(duration "${times[$i]}")"
done
failed=()
for i in "${!steps[@]}"; do
    if [ "${results[$i]}" != passed ]; then
        failed+=("${steps[$i]}")
        status=1
    fi
done
for i in "${!steps[@]}"; do
    if [ "${results[$i]}" = failed ]; then
        echo
        echo "--- ${steps[$i]} failed; the end of its log, $logs/${steps[$i]}.log:"
        tail -n 25 "$logs/${steps[$i]}.log"
    fi
done
echo
if [ $status -eq 0 ]; then
    echo "Every step passed."
else
    echo "Not passed: ${failed[*]} (logs in $logs)."
fi
exit $status
