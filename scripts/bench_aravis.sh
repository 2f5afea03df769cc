#!/usr/bin/env bash
# Runs aravis_bench and aravis_network (built by scripts/bench.sh, or builds
# them) inside private network namespaces with GigE Vision fake cameras, and
# writes their sections into BENCHMARKS.md (replacing earlier ones):
#  - aravis_bench, one fake at 127.0.0.1: throughput, then software snapshot
#    latency, each against bare Aravis in interleaved rounds;
#  - aravis_network: complete frames under 1 % stream packet loss (nftables,
#    see netns.sh), then four fakes at 127.0.0.1 to .4 at once, each against
#    bare Aravis in interleaved rounds; then the time from a power-cycled
#    camera's return to its first frame with `vxcam grab --reconnect`
#    (scripts/bench_reconnect.py).
# Each step starts its own fakes and ends them before the next one (checked:
# nothing answers at their addresses afterwards); a step whose measurement
# did not happen as meant fails the script.
#
#   bench_aravis.sh [ROUNDS] [SECONDS] [WIDTH] [HEIGHT] [LATENCY_ROUNDS] [SNAPSHOTS_PER_ROUND]
#                   (aravis_bench's settings; aravis_network's are below)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VXCAM_BENCH_BUILD_DIR:-$root/build-bench}"
source "$root/scripts/netns.sh"

# aravis_network's rounds: 320 x 240 frames (about 55 packets each, so about
# half of them come whole at 1 % loss) at up to 400 fps under loss; 640 x 480
# at up to 2000 fps with four fakes.
network_rounds=7
network_seconds=3

if [ "${VXCAM_IN_NETNS:-0}" != 1 ]; then
    # Built here unless scripts/bench.sh, which names the build, built them.
    if [ ! -x "$build/bin/aravis_bench" ] || [ ! -x "$build/bin/aravis_network" ] ||
        [ ! -x "$build/bin/vxcam" ] ||
        [ -z "${VXCAM_BENCH_BUILD_DIR:-}" ]; then
        "$root/scripts/bench_build.sh" aravis_bench aravis_network vxcam vxCam_180d
    fi
    if ! flags="$(netns_flags)"; then
        echo "bench_aravis.sh: no private network namespace can be made here; skipped" >&2
        exit 0
    fi
    section="$build/aravis_bench.md"
    VXCAM_IN_NETNS=1 unshare "$flags" --kill-child "$0" "$@" > "$section"
    python3 "$root/scripts/bench_report.py" --section "$root/BENCHMARKS.md" "$section"
    cat "$section"
    section="$build/aravis_network.md"
    VXCAM_IN_NETNS=1 unshare "$flags" --kill-child "$0" --network > "$section"
    python3 "$root/scripts/bench_report.py" --section "$root/BENCHMARKS.md" "$section"
    cat "$section"
    exit 0
fi

netns_loopback_only
if [ "${1:-}" != "--network" ]; then
    gige_fake_start GV01
    "$build/bin/aravis_bench" "$@" 2>/dev/null
    gige_fake_stop_all 127.0.0.1
    exit 0
fi

cat <<'TEXT'
## Aravis back end: packet loss and four cameras

Written by `scripts/bench_aravis.sh` (`aravis_network`), inside a private network namespace: the plug-in's
current driver against bare Aravis stream callbacks that drain the output queue, on the same
`arv-fake-gv-camera-0.8` fakes, 8 buffers each, in interleaved rounds (the side that goes first alternates).

TEXT
netns_add_loopback 127.0.0.2 127.0.0.3 127.0.0.4
gige_fake_start GV01
netns_impair_stream_loss 0.01
"$build/bin/aravis_network" loss "$network_rounds" "$network_seconds" 320 240 400 2>/dev/null
netns_impair_clear
gige_fake_stop_all 127.0.0.1
for n in 1 2 3 4; do
    gige_fake_start "GV0$n" "127.0.0.$n"
done
"$build/bin/aravis_network" four "$network_rounds" "$network_seconds" 640 480 2000 2>/dev/null
gige_fake_stop_all 127.0.0.1 127.0.0.2 127.0.0.3 127.0.0.4
# Starts and ends its own fake; fails unless every cycle reconnected.
"$root/scripts/bench_reconnect.py" "$build" 10 2 10
