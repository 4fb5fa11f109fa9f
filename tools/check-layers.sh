#!/usr/bin/env bash
# Fails when an arrow of the layer map points up: a room below the windows (browser/ and the rooms
# under it) including or linking ui/ or app/, or ui/ including or linking app/. Lists the lines.
set -uo pipefail
cd "$(dirname "$0")/.."

status=0
check() {
    local above=$1
    shift
    local found
    found=$(
        grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*[\"<]($above)/" \
            --include='*.cpp' --include='*.h' "$@"
        grep -rnE "^[^#]*\bvt_($above)\b" --include=CMakeLists.txt "$@"
    )
    if [ -n "$found" ]; then
        echo "$found" | sed "s#\$#   <- reaches up into $above#" >&2
        status=1
    fi
}

check 'ui|app' browser paths stats engine platform text
check 'app' ui
exit $status
