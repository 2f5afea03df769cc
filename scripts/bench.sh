#!/usr/bin/env bash
# Builds vxcam_bench in Release, runs it and writes the results with their
# baselines and ratios into BENCHMARKS.md, then adds the soak's section, the
# replay cameras' section and, with Aravis, the GigE Vision section. Benchmarks never fail on a number.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-bench"
VXCAM_BENCH_BUILD_DIR="$build" "$root/scripts/bench_build.sh" vxcam_bench vxcam_soak vxcam_replay_read vxcam vxCam_180d
aravis=0
grep -q '^VXCAM_HAVE_ARAVIS:INTERNAL=ON' "$build/CMakeCache.txt" && aravis=1
[ "$aravis" = 1 ] && VXCAM_BENCH_BUILD_DIR="$build" "$root/scripts/bench_build.sh" aravis_bench
json="$build/bench.json"
# The earlier driver's per-frame warning goes to standard error; keep it out of the report.
"$build/bin/vxcam_bench" --benchmark_format=json --benchmark_out="$json" --benchmark_out_format=json \
    2>/dev/null >/dev/null
python3 "$root/scripts/bench_report.py" "$json" > "$root/BENCHMARKS.md"
cat "$root/BENCHMARKS.md"
# The soak's section (appended to BENCHMARKS.md); a growth it reports is in
# the file, and does not stop the benchmarks.
VXCAM_BENCH_BUILD_DIR="$build" "$root/scripts/soak.sh" || true
# The replay cameras' section (appended to BENCHMARKS.md).
python3 "$root/scripts/bench_replay.py" "$build" "$root/BENCHMARKS.md"
# The Aravis back end's section, where the build has Aravis (it appends to BENCHMARKS.md).
if [ "$aravis" = 1 ]; then
    VXCAM_BENCH_BUILD_DIR="$build" "$root/scripts/bench_aravis.sh"
fi
