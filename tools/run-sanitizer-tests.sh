#!/usr/bin/env bash
# Runs the unit tests under AddressSanitizer and UndefinedBehaviorSanitizer, and the threading
# tests under ThreadSanitizer, each in a build of its own with only the targets those tests need.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)

run_label() {
    local build_dir=$1 sanitize=$2 label=$3
    cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVT_SANITIZE="$sanitize" \
        >/dev/null
    # Each suite's executable target carries the suite's name.
    local targets
    targets=$(cd "$build_dir" && python3 - "$label" <<'PY'
import json, subprocess, sys
tests = json.loads(subprocess.run(["ctest", "-N", "-L", sys.argv[1], "--show-only=json-v1"],
                                  capture_output=True, text=True, check=True).stdout)["tests"]
known = subprocess.run(["cmake", "--build", ".", "--target", "help"],
                       capture_output=True, text=True, check=True).stdout
targets = {line.split(":")[0].strip() for line in known.splitlines()}
print(" ".join(sorted(t["name"] for t in tests if t["name"] in targets)))
PY
)
    if [ -z "$targets" ]; then
        echo "No $label tests to run under $sanitize."
        return 0
    fi
    # shellcheck disable=SC2086
    cmake --build "$build_dir" -j"$jobs" --target $targets
    (cd "$build_dir" && ctest --output-on-failure -j"$jobs" -L "$label")
}

export ASAN_OPTIONS=detect_leaks=0:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(pwd)/tools/tsan.supp"

status=0
run_label build-asan "address,undefined" unit || status=1
run_label build-tsan thread threading || status=1
exit $status
