#!/usr/bin/env bash
# The demo's real-camera step: the plug-in on the Aravis back end, driving
# Aravis's GigE Vision fake camera (arv-fake-gv-camera-0.8) over loopback.
#
#   demo_aravis.sh VXCAM OUT
#
# Re-runs itself inside a private network namespace holding nothing but lo
# (unshare -n as root, unshare -rn otherwise), since GigE Vision discovery
# broadcasts; where no namespace can be made it says why and skips.
set -euo pipefail
vxcam="$1"
out="$2"

if [ "${VXCAM_IN_NETNS:-0}" != 1 ]; then
    export VXCAM_IN_NETNS=1
    if [ "$(id -u)" -eq 0 ] && unshare -n true 2>/dev/null; then
        exec unshare -n "$0" "$@"
    elif unshare -rn true 2>/dev/null; then
        exec unshare -rn "$0" "$@"
    fi
    echo "Skipped: no private network namespace can be made here (unshare -n needs root, unshare -rn" \
        "needs user namespaces), and GigE Vision must not leave this machine."
    exit 0
fi

ip link set lo up
up="$(ip -o link show up | awk -F': ' '$2 != "lo" { print $2 }')"
if [ -n "$up" ]; then
    echo "Refusing: interface(s) up inside the namespace: $up" >&2
    exit 1
fi

arv-fake-gv-camera-0.8 -i 127.0.0.1 -s GV01 >/dev/null 2>&1 &
fake=$!
trap 'kill $fake 2>/dev/null; wait $fake 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    arv-tool-0.8 -a 127.0.0.1 control DeviceModelName >/dev/null 2>&1 && break
    sleep 0.1
done

step() { printf '\n== %s\n$ %s\n' "$1" "${*:2}"; "${@:2}"; }
export VXCAM_SDK_BACKEND=aravis
step "Discovery over GigE Vision inside the namespace (VXCAM_SDK_BACKEND=aravis)" "$vxcam" list
export VXCAM_ARAVIS_DEVICES=127.0.0.1
step "The fake opened by address (VXCAM_ARAVIS_DEVICES=127.0.0.1)" "$vxcam" list
step "50 free-running frames from the GigE Vision fake camera through the plug-in" \
    "$vxcam" grab --camera Aravis-Fake-GV01 --mode 2 --frames 50 --png "$out/gige.png"
step "Five frames dumped as bitmaps, with an exposure time" \
    "$vxcam" grab --camera Aravis-Fake-GV01 --mode 2 --frames 5 --exposure 5000 --save "$out/gige_" --quiet
