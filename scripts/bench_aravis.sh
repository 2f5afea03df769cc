#!/usr/bin/env bash
# Runs aravis_bench (built by scripts/bench.sh, or builds it) inside a private
# network namespace with the GigE Vision fake camera at 127.0.0.1, and writes
# its section into BENCHMARKS.md (replacing an earlier one).
#
#   bench_aravis.sh [ROUNDS] [SECONDS] [WIDTH] [HEIGHT]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VXCAM_BENCH_BUILD_DIR:-$root/build-bench}"
source "$root/scripts/netns.sh"

if [ "${VXCAM_IN_NETNS:-0}" != 1 ]; then
    if [ ! -x "$build/bin/aravis_bench" ]; then
        "$root/scripts/deps.sh"
        cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVXCAM_BUILD_BENCHMARKS=ON -DVXCAM_BUILD_TESTS=OFF \
            -DVXCAM_BUILD_TOOLS=OFF -DVXCAM_WERROR=ON >/dev/null
        cmake --build "$build" -j"$(nproc)" --target aravis_bench
    fi
    section="$build/aravis_bench.md"
    if ! flags="$(netns_flags)"; then
        echo "bench_aravis.sh: no private network namespace can be made here; skipped" >&2
        exit 0
    fi
    VXCAM_IN_NETNS=1 unshare "$flags" --kill-child "$0" "$@" > "$section"
    # Replace the section from its heading to the end of the file (it is written last).
    report="$root/BENCHMARKS.md"
    heading="## Aravis back end: GigE Vision fake camera over loopback"
    if [ -f "$report" ] && grep -qF "$heading" "$report"; then
        sed -i "/^$heading\$/,\$d" "$report"
    fi
    { [ -f "$report" ] && [ -n "$(tail -c1 "$report")" ] && echo; echo; cat "$section"; } >> "$report"
    cat "$section"
    exit 0
fi

netns_loopback_only
gige_fake_start GV01
"$build/bin/aravis_bench" "$@" 2>/dev/null
