#!/usr/bin/env bash
# The main job: builds everything, then shows the plug-in at work on the
# virtual cameras through the reference host tool vxcam.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
# The Debian packages that are missing and the build go to a log of their
# own, so that the demo starts with the cameras.
mkdir -p "$root/out"
setup_log="$root/out/demo-setup.log"
echo "Installing what is missing and building; the output goes to $setup_log"
if ! "$root/scripts/build.sh" >"$setup_log" 2>&1; then
    echo "The setup failed; the end of $setup_log:" >&2
    tail -n 40 "$setup_log" >&2
    exit 1
fi
vxcam="${VXCAM_BUILD_DIR:-$root/build}/bin/vxcam"
out="$root/out/demo"
rm -rf "$out"
mkdir -p "$out"
# The plug-in's own log lines, one per line with their level.
export QT_MESSAGE_PATTERN="  [%{type}] %{message}"

# shown STEP COMMAND...: the step's title and its command, paths within the
# project shown relative to it.
shown() {
    local command="${*:2}"
    printf '\n== %s\n$ %s\n' "$1" "${command//"$root/"/}"
}
step() {
    shown "$@"
    "${@:2}"
}

step "The cameras the plug-in sees (built-in virtual cameras)" "$vxcam" list
step "100 free-running frames from the monochrome camera" \
    "$vxcam" grab --camera Virtual:MONO0001 --mode 2 --frames 100 --png "$out/mono.png"
step "Three software-triggered snapshots from the colour camera, dumped as bitmaps" \
    "$vxcam" grab --camera Virtual:RGB0002 --mode 1 --snap 3 --save "$out/snap_" --png "$out/colour.png"
step "Frame-limited acquisition (mode 3, limit 5) through the earlier driver" \
    "$vxcam" grab --camera Virtual:MONO0001 --driver earlier --mode 3 --limit 5 --quiet
step "Two cameras at once, each through a plug-in object of its own: exactly 10 frames and 10 dumps each" \
    "$vxcam" grab --camera Virtual:MONO0001 --camera Virtual:RGB0002 --frames 10 --save "$out/multi_" --quiet

export VXCAM_SIM_CONFIG="$root/examples/virtual-cameras.json"
step "Your own cameras: VXCAM_SIM_CONFIG=examples/virtual-cameras.json" "$vxcam" list
step "A 10-bit Bayer camera with an exposure time" \
    "$vxcam" grab --camera Virtual:BAYER0002 --frames 25 --exposure 20000 --png "$out/bayer.png"
step "The live view on the colour-bars camera (offscreen here: 2 seconds, then a screenshot)" \
    env QT_QPA_PLATFORM=offscreen "$vxcam" view --camera Virtual:BARS0004 --seconds 2 --screenshot "$out/live-view.png"
shown "A camera that refuses to connect (exit status 1 expected)" "$vxcam" grab --camera Virtual:BROKEN0003 --quiet
"$vxcam" grab --camera Virtual:BROKEN0003 --quiet || echo "vxcam exited with status $?"

# A camera switched off for two seconds after its first 30 frames, as a
# power cut does: --reconnect opens it again and the run still gets its 90.
cat >"$out/outage.json" <<'JSON'
{"cameras": [{"key": "Virtual:FLAKY0005", "width": 640, "height": 480, "fps": 30,
              "outage": {"afterFrames": 30, "seconds": 2}}]}
JSON
step "A camera that loses its power for 2 s, carried through by --reconnect" \
    env VXCAM_SIM_CONFIG="$out/outage.json" "$vxcam" grab --camera Virtual:FLAKY0005 --frames 90 --reconnect --quiet

# Recorded images as a camera: the three snapshot dumps from above replayed
# through the plug-in, twice round (frame numbers 1 to 6), and dumped again.
cat >"$out/replay.json" <<JSON
{"cameras": [{"key": "Replay:SNAP0006", "images": "$out/snap_VirtualRGB0002_*.bmp",
              "pixelFormat": "RGB8Packed", "fps": 10}]}
JSON
step "The snapshot dumps replayed as a camera (docs/replay-cameras.md)" \
    env VXCAM_SIM_CONFIG="$out/replay.json" "$vxcam" grab --camera Replay:SNAP0006 --frames 6 --save "$out/replay_" --quiet

# A real camera's road: the Aravis back end against Aravis's GigE Vision fake
# camera, over loopback in a private network namespace (skipped, with the
# reason, where the build has no Aravis or no namespace can be made).
unset VXCAM_SIM_CONFIG
printf '\n== Real cameras through Aravis: the GigE Vision fake camera over loopback\n'
if grep -q '^VXCAM_HAVE_ARAVIS:INTERNAL=ON' "${VXCAM_BUILD_DIR:-$root/build}/CMakeCache.txt" 2>/dev/null; then
    "$root/scripts/demo_aravis.sh" "$vxcam" "$out"
else
    echo "Skipped: this build has no Aravis back end (install libaravis-dev and aravis-tools, see docs/real-cameras.md)."
fi

printf '\n== Files written to %s\n' "$out"
ls -l "$out"
