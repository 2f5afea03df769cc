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

source "$(dirname "$0")/netns.sh"
if [ "${VXCAM_IN_NETNS:-0}" != 1 ]; then
    if flags="$(netns_flags)"; then
        VXCAM_IN_NETNS=1 exec unshare "$flags" --kill-child "$0" "$@"
    fi
    echo "Skipped: no private network namespace can be made here (unshare -n needs root, unshare -rn" \
        "needs user namespaces), and GigE Vision must not leave this machine."
    exit 0
fi

netns_loopback_only
gige_fake_start GV01

# step TITLE COMMAND...: the title, the command (paths within the project
# shown relative to it), then the command's own output.
root="$(cd "$(dirname "$0")/.." && pwd)"
step() {
    local command="${*:2}"
    printf '\n== %s\n$ %s\n' "$1" "${command//"$root/"/}"
    "${@:2}"
}
export VXCAM_SDK_BACKEND=aravis
step "Discovery over GigE Vision inside the namespace (VXCAM_SDK_BACKEND=aravis)" "$vxcam" list
export VXCAM_ARAVIS_DEVICES=127.0.0.1
step "The fake opened by address (VXCAM_ARAVIS_DEVICES=127.0.0.1)" "$vxcam" list
step "50 free-running frames from the GigE Vision fake camera through the plug-in" \
    "$vxcam" grab --camera Aravis-Fake-GV01 --mode 2 --frames 50 --png "$out/gige.png"
step "Five frames dumped as bitmaps, with an exposure time" \
    "$vxcam" grab --camera Aravis-Fake-GV01 --mode 2 --frames 5 --exposure 5000 --save "$out/gige_" --quiet
