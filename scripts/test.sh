#!/usr/bin/env bash
# Builds and runs the whole test suite.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/build.sh" "$@"
build="${VXCAM_BUILD_DIR:-$root/build}"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 300
