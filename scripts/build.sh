#!/usr/bin/env bash
# Installs what is missing, then configures and builds into build/ (or $VXCAM_BUILD_DIR).
# Extra arguments go to CMake's configure step.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh"
build="${VXCAM_BUILD_DIR:-$root/build}"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE="${VXCAM_BUILD_TYPE:-RelWithDebInfo}" -DVXCAM_WERROR=ON "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
