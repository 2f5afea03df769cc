#!/usr/bin/env bash
# Configures the benchmarks' Release build (build-bench/, or
# $VXCAM_BENCH_BUILD_DIR) and builds the named targets in it.
#
#   bench_build.sh TARGET...
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VXCAM_BENCH_BUILD_DIR:-$root/build-bench}"
"$root/scripts/deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVXCAM_BUILD_BENCHMARKS=ON -DVXCAM_BUILD_TESTS=OFF \
    -DVXCAM_BUILD_TOOLS=ON -DVXCAM_WERROR=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target "$@"
