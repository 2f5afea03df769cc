#!/usr/bin/env bash
# Makes docs/live-view.png, the README's picture of `vxcam view`: a virtual
# Bayer camera showing the bars pattern, demosaiced, on Qt's offscreen
# platform (no display needed).
#
#   ./scripts/screenshot.sh [OUTPUT.png]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VXCAM_BUILD_DIR:-$root/build}"
out="${1:-$root/docs/live-view.png}"
if [ -f "$build/CMakeCache.txt" ]; then
    cmake --build "$build" --target vxcam vxCam_180d -j"$(nproc)" >/dev/null
else
    "$root/scripts/build.sh"
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cat >"$work/bars.json" <<'JSON'
{"cameras": [{"key": "Virtual:BARS0001", "model": "VirtualBayer", "width": 640, "height": 480,
              "pixelFormat": "BayerRG8", "fps": 30, "pattern": "bars"}]}
JSON
mkdir -p "$(dirname "$out")"
VXCAM_SIM_CONFIG="$work/bars.json" QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES="*.debug=false" \
    "$build/bin/vxcam" view --camera Virtual:BARS0001 --seconds 2 --screenshot "$out"
echo "wrote $out ($(stat -c %s "$out") bytes)"
