#!/usr/bin/env bash
# Formats every C++ source with the checked-in .clang-format.
#
#   ./scripts/format.sh           rewrite the files in place
#   ./scripts/format.sh --check   list the files that differ; exit 1 if any
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang-format >/dev/null; then
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends clang-format
fi
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = --check ]; then
    status=0
    for f in "${files[@]}"; do
        if ! clang-format --dry-run --Werror "$f" >/dev/null 2>&1; then
            echo "$f"
            status=1
        fi
    done
    exit "$status"
fi
clang-format -i "${files[@]}"
