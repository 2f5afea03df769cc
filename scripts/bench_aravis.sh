#!/usr/bin/env bash
# Runs aravis_bench (built by scripts/bench.sh, or builds it) inside a private
# network namespace with the GigE Vision fake camera at 127.0.0.1, and writes
# its section into BENCHMARKS.md (replacing an earlier one): throughput, then
# software snapshot latency, each against bare Aravis in interleaved rounds.
#
#   bench_aravis.sh [ROUNDS] [SECONDS] [WIDTH] [HEIGHT] [LATENCY_ROUNDS] [SNAPSHOTS_PER_ROUND]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VXCAM_BENCH_BUILD_DIR:-$root/build-bench}"
source "$root/scripts/netns.sh"

if [ "${VXCAM_IN_NETNS:-0}" != 1 ]; then
    # Built here unless scripts/bench.sh, which names the build, built it.
    if [ ! -x "$build/bin/aravis_bench" ] || [ -z "${VXCAM_BENCH_BUILD_DIR:-}" ]; then
        "$root/scripts/bench_build.sh" aravis_bench
    fi
    section="$build/aravis_bench.md"
    if ! flags="$(netns_flags)"; then
        echo "bench_aravis.sh: no private network namespace can be made here; skipped" >&2
        exit 0
    fi
    VXCAM_IN_NETNS=1 unshare "$flags" --kill-child "$0" "$@" > "$section"
    python3 "$root/scripts/bench_report.py" --section "$root/BENCHMARKS.md" "$section"
    cat "$section"
    exit 0
fi

netns_loopback_only
gige_fake_start GV01
"$build/bin/aravis_bench" "$@" 2>/dev/null
