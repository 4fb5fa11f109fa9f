#!/usr/bin/env bash
# Fails when a tracked C++ source differs from what clang-format makes of it with the root's
# .clang-format; lists the files.
set -euo pipefail
cd "$(dirname "$0")/.."

format=$(command -v clang-format-14 || command -v clang-format)
status=0
while IFS= read -r file; do
    if ! "$format" --dry-run --Werror "$file" >/dev/null 2>&1; then
        echo "not formatted: $file" >&2
        status=1
    fi
done < <(git ls-files '*.cpp' '*.h')
exit $status
