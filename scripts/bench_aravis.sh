#!/usr/bin/env bash
# Runs aravis_bench (built by scripts/bench.sh, or builds it) inside a private
# network namespace with the GigE Vision fake camera at 127.0.0.1, and writes
# its section into BENCHMARKS.md (replacing an earlier one).
#
#   bench_aravis.sh [ROUNDS] [SECONDS] [WIDTH] [HEIGHT]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VXCAM_BENCH_BUILD_DIR:-$root/build-bench}"

if [ "${VXCAM_IN_NETNS:-0}" != 1 ]; then
    if [ ! -x "$build/bin/aravis_bench" ]; then
        "$root/scripts/deps.sh"
        cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVXCAM_BUILD_BENCHMARKS=ON -DVXCAM_BUILD_TESTS=OFF \
            -DVXCAM_BUILD_TOOLS=OFF -DVXCAM_WERROR=ON >/dev/null
        cmake --build "$build" -j"$(nproc)" --target aravis_bench
    fi
    export VXCAM_IN_NETNS=1
    section="$build/aravis_bench.md"
    if [ "$(id -u)" -eq 0 ] && unshare -n true 2>/dev/null; then
        unshare -n "$0" "$@" > "$section"
    elif unshare -rn true 2>/dev/null; then
        unshare -rn "$0" "$@" > "$section"
    else
        echo "bench_aravis.sh: no private network namespace can be made here; skipped" >&2
        exit 0
    fi
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

ip link set lo up
up="$(ip -o link show up | awk -F': ' '$2 != "lo" { print $2 }')"
if [ -n "$up" ]; then
    echo "bench_aravis.sh: refusing: interface(s) up inside the namespace: $up" >&2
    exit 1
fi
arv-fake-gv-camera-0.8 -i 127.0.0.1 -s GV01 >/dev/null 2>&1 &
fake=$!
trap 'kill $fake 2>/dev/null; wait $fake 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    arv-tool-0.8 -a 127.0.0.1 control DeviceModelName >/dev/null 2>&1 && break
    sleep 0.1
done
"$build/bin/aravis_bench" "$@" 2>/dev/null
