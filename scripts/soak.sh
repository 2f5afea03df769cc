#!/usr/bin/env bash
# Builds vxcam_soak in Release (or uses the one scripts/bench.sh built), runs
# it and puts its section into BENCHMARKS.md (replacing an earlier one). Not a
# test: bounded in count and time, it says whether resident memory, threads and
# open file descriptors stayed flat; its exit status is 1 when they did not.
#
#   soak.sh [FRAMES] [CYCLES] [MAX_SECONDS]   defaults 50000000 50000 600 (per phase)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VXCAM_BENCH_BUILD_DIR:-$root/build-bench}"
# Built here unless scripts/bench.sh, which names the build, built it.
if [ ! -x "$build/bin/vxcam_soak" ] || [ -z "${VXCAM_BENCH_BUILD_DIR:-}" ]; then
    "$root/scripts/bench_build.sh" vxcam_soak
fi
section="$build/soak.md"
status=0
"$build/bin/vxcam_soak" "${1:-50000000}" "${2:-50000}" "${3:-600}" > "$section" || status=$?
python3 "$root/scripts/bench_report.py" --section "$root/BENCHMARKS.md" "$section"
cat "$section"
exit "$status"
