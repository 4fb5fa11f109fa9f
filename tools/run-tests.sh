#!/usr/bin/env bash
# Builds the client and runs every test suite: unit, threading, engine and end-to-end tests of
# the real executable (each starts its own X server), the Windows layer under Wine, and the unit
# and threading tests again under the sanitizers; checks that the C++ sources are formatted, and
# builds the Debian package and puts it through lintian and the menu and AppStream validators.
# On Debian 12 the "debian13" step then does the build, the test suites and the package again in a
# Debian 13 root (Qt 6.8; tools/debian13-root makes it or reuses it), as `tools/run-tests.sh
# --inside-debian13` there; the Windows layer, the sanitizers and the formatting are checked once.
#
# Times on a 2-core machine: about 21 min for the Debian 12 steps when idle; the debian13 step
# took 24.5 min under other people's load (build 10 min, suites 12.5 min, package 2 min), plus
# 1.5 to 7 min, by the mirror, to make its root anew once a week: under 60 min in all.
#
# Each step's output goes to the screen and to build-logs/STEP.log. The run ends with a table of
# the steps, passed or failed, and their times, then the end of each failed step's log; the exit
# status is 0 only when every step passed. End-to-end scenarios that fail are run once more (see
# run_ctest); those that pass only then are listed after the table.
set -uo pipefail
cd "$(dirname "$0")/.."

inside_debian13=""
if [ "${1:-}" = "--inside-debian13" ]; then
    inside_debian13=1
fi
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
jobs=$(nproc)
build=build
logs=$PWD/build-logs
if [ -n "$inside_debian13" ]; then
    build=build-debian13
    logs=$PWD/build-logs/debian13
fi
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
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null &&
        cmake --build "$build" -j"$jobs"
}

# End-to-end scenarios drive a real window manager, X server and engine, where a race of theirs
# can fail a scenario once. Failed scenarios are run once more, to tell such a race from a fault
# that stays; any other failed suite fails the step at once. Scenarios that passed only on the
# second run are named after the table.
run_ctest() {
    cd "$build" || return 1
    ctest --output-on-failure -j"$jobs" && return 0
    local failed
    failed=$(sed 's/^[0-9]*://' Testing/Temporary/LastTestsFailed.log)
    if grep -qv '^e2e_' <<<"$failed"; then
        return 1
    fi
    echo "=== run again: $(tr '\n' ' ' <<<"$failed")"
    ctest --output-on-failure --rerun-failed || return 1
    echo "$failed" >"$logs/ctest-passed-on-second-run"
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

run_tests() {
    local build_status
    run_step build build_client
    build_status=$?
    # The layout is clang-format 14's (Debian 12); 19 (Debian 13) differs in a few places.
    if [ "$codename" = bookworm ]; then
        run_step format tools/check-format.sh
    elif [ -z "$inside_debian13" ]; then
        not_run format "the layout is clang-format 14's, which Debian 13 does not have"
    fi
    if [ $build_status -eq 0 ]; then
        run_step ctest run_ctest
    else
        not_run ctest "the build failed"
    fi
}

if [ -n "$inside_debian13" ]; then
    run_tests
    run_step package tools/check-package.sh build-debian13-package
else
    run_step deps tools/install-deps.sh test
    run_tests
    run_step wine tools/run-wine-tests.sh
    run_step sanitizers tools/run-sanitizer-tests.sh
    run_step package tools/check-package.sh
    if [ "$codename" = bookworm ]; then
        run_step debian13 tools/debian13-root run tools/run-tests.sh --inside-debian13
    else
        not_run debian13 "this machine runs Debian 13 itself"
    fi
fi

status=0
echo
printf '%-12s %-9s %s\n' step result time
for i in "${!steps[@]}"; do
    printf '%-12s %-9s %s\n' "${steps[$i]}" "${results[$i]}" "$(duration "${times[$i]}")"
done
if [ -z "$inside_debian13" ]; then
    printf '%-12s %-9s %s (under 60 min on an idle 2-core machine)\n' all "" "$(duration "$SECONDS")"
fi
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
if [ -f "$logs/ctest-passed-on-second-run" ]; then
    echo
    echo "Failed once and passed when run again:" $(cat "$logs/ctest-passed-on-second-run")
fi
echo
if [ $status -eq 0 ]; then
    echo "Every step passed."
else
    echo "Not passed: ${failed[*]} (logs in $logs)."
fi
exit $status
