#!/usr/bin/env bash
# vxcam on the GigE Vision fake camera: the Linux build beside the Windows
# build under Wine, on the same fake, inside a private network namespace.
# Prints a BENCHMARKS.md section: frames per second and CPU seconds per
# 1,000 frames of each (vxcam's own CPU, and under Wine also Wine's server,
# which does the sockets' work; the fake's CPU is not counted).
#
#   bench_wine_gige.sh [FRAMES] [FPS] [WIDTH] [HEIGHT] [ROUNDS]
# Needs build/ (normal) and build-windows/ built, with the Aravis back end.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
frames="${1:-500}" fps="${2:-100}" width="${3:-512}" height="${4:-512}" rounds="${5:-3}"
source "$root/scripts/netns.sh"
if [ "${VXCAM_IN_NETNS:-0}" != 1 ]; then
    flags="$(netns_flags)" || { echo "bench_wine_gige.sh: no private network namespace here" >&2; exit 1; }
    section="$(VXCAM_IN_NETNS=1 unshare "$flags" --kill-child "$0" "$@")"
    printf '%s\n' "$section" >"$root/build-windows/wine_gige.md"
    python3 "$root/scripts/bench_report.py" --section "$root/BENCHMARKS.md" "$root/build-windows/wine_gige.md"
    printf '%s\n' "$section"
    exit 0
fi
netns_loopback_only
. "$root/scripts/windows_env.sh"
export VXCAM_WINEPREFIX="$VXCAM_WINEPREFIX-netns"
wineserver="$(dirname "$(command -v wine64 || echo /usr/lib/wine/wine64)")/wineserver"
WINEPREFIX="$VXCAM_WINEPREFIX" "$wineserver" -k 2>/dev/null || true
gige_fake_start GV01 >/dev/null
arv-tool-0.8 -a 127.0.0.1 control Width="$width" Height="$height" AcquisitionFrameRate="$fps" >/dev/null
export VXCAM_SDK_BACKEND=aravis VXCAM_ARAVIS_DEVICES=127.0.0.1
ticks="$(getconf CLK_TCK)"

# run LABEL COMMAND...: one grab; prints "LABEL fps cpu_per_1000 frames lost".
run() {
    local label="$1" out cpu server_cpu=0 pid
    shift
    WINEPREFIX="$VXCAM_WINEPREFIX" "$wineserver" -k 2>/dev/null || true
    out="$({ /usr/bin/time -f 'CPU %U %S' "$@" grab --camera Aravis-Fake-GV01 --frames "$frames" --quiet; } 2>&1)"
    cpu="$(awk '/^CPU/ { print $2 + $3 }' <<<"$out")"
    # Wine's server outlives the program by a few seconds: read its CPU then.
    pid="$(pgrep -x wineserver64 || pgrep -x wineserver || true)"
    if [ -n "$pid" ]; then
        server_cpu="$(awk -v t="$ticks" '{ print ($14 + $15) / t }' "/proc/$pid/stat")"
        WINEPREFIX="$VXCAM_WINEPREFIX" "$wineserver" -k 2>/dev/null || true
    fi
    local line
    line="$(grep -a '^Aravis-Fake-GV01 frames=' <<<"$out" | tr -d '\r')"
    [ -n "$line" ] || { echo "bench_wine_gige.sh: $label printed no summary: $out" >&2; exit 1; }
    awk -v label="$label" -v cpu="$cpu" -v server="$server_cpu" '{
        for (i = 1; i <= NF; ++i) { split($i, kv, "="); v[kv[1]] = kv[2] }
        printf "%s %s %.3f %s %s\n", label, v["fps"], (cpu + server) * 1000 / v["frames"], v["frames"], v["lost"] }' <<<"$line"
}

results=()
for _ in $(seq "$rounds"); do
    results+=("$(run linux "$root/build/bin/vxcam")")
    results+=("$(run wine "$root/scripts/wine_run.sh" "$root/build-windows/bin/vxcam.exe")")
done
gige_fake_stop_all 127.0.0.1 >/dev/null 2>&1 || true

median() { sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
cat <<TEXT
## vxcam under Wine beside Linux, on the GigE Vision fake

\`scripts/bench_wine_gige.sh $frames $fps $width $height $rounds\`: \`vxcam grab --frames $frames\` from
Aravis's GigE Vision fake camera (${width}x${height} Mono8 at up to $fps fps, over loopback in a
private network namespace), the Linux build and the Windows build under Wine 8 taking turns,
$rounds rounds each; medians. CPU is vxcam's user and system time, under Wine with Wine's
server's (it does the sockets' work); the fake's own is not counted. Frames per second are the
frames delivered whole; frames lost are those the stream statistics counted as incomplete or
missing. Wine is not Windows: a figure, not a goal.

| Build | Frames per second | CPU seconds per 1,000 frames | Frames lost (per run) |
|---|---|---|---|
TEXT
for label in linux wine; do
    picked="$(printf '%s\n' "${results[@]}" | awk -v l="$label" '$1 == l')"
    name="Linux"
    [ "$label" = wine ] && name="Windows, under Wine"
    printf '| %s | %s | %s | %s |\n' "$name" "$(awk '{ print $2 }' <<<"$picked" | median)" \
        "$(awk '{ print $3 }' <<<"$picked" | median)" "$(awk '{ print $5 }' <<<"$picked" | tr '\n' ' ' | sed 's/ $//')"
done
echo
echo "Measured on $(nproc) cores, $(date -u +%Y-%m-%d)."
