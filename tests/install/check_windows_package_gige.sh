#!/usr/bin/env bash
# The unpacked Windows ZIP against Aravis's GigE Vision fake camera (the
# Linux one), inside a private network namespace: vxcam.exe finds it by
# discovery and grabs from it by address, with the ZIP's DLLs only. Run by
# check_windows_package.sh through tests/aravis/in_netns.sh with
# VXCAM_NETNS_WINE=1.
#   check_windows_package_gige.sh UNPACKED_ZIP_FOLDER WINE_WRAPPER
set -euo pipefail
top="$1"
wine="$2"
work="$(mktemp -d)"
fake=""
trap '[ -n "$fake" ] && kill "$fake" 2>/dev/null; rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

arv-fake-gv-camera-0.8 -i 127.0.0.1 -s GV01 >/dev/null 2>&1 &
fake=$!
for _ in $(seq 50); do
    arv-tool-0.8 -a 127.0.0.1 control DeviceModelName >/dev/null 2>&1 && break
    sleep 0.1
done

# Small frames: under Wine the first 512 x 512 frame of a stream arrives
# before Aravis has enlarged the socket's buffer, and misses packets.
arv-tool-0.8 -a 127.0.0.1 control Width=128 Height=128 >/dev/null || fail "cannot set the fake's frame size"

cd "$work"
export VXCAM_SDK_BACKEND=aravis
VXCAM_WINE_BARE=1 "$wine" "$top/bin/vxcam.exe" list >list.out 2>list.err || fail "vxcam.exe list failed: $(cat list.err)"
grep -qx $'Aravis-Fake-GV01\r' list.out || fail "vxcam.exe list did not find the fake: $(cat list.out) $(cat list.err)"
VXCAM_ARAVIS_DEVICES=127.0.0.1 VXCAM_WINE_BARE=1 "$wine" "$top/bin/vxcam.exe" grab --camera Aravis-Fake-GV01 \
    --frames 10 --quiet >grab.out 2>grab.err || fail "vxcam.exe grab from the fake failed: $(cat grab.err)"
grep -q '^Aravis-Fake-GV01 frames=10 size=128x128 bpp=8 format=GRAY8 .* broken=0 lost=0' grab.out \
    || fail "vxcam.exe grab from the fake printed: $(cat grab.out)"
VXCAM_WINE_BARE=1 "$wine" "$top/bin/arv-tool-0.8.exe" >tool.out 2>tool.err || fail "arv-tool-0.8.exe failed: $(cat tool.err)"
grep -q 'Aravis-Fake-GV01 (127.0.0.1)' tool.out || fail "arv-tool-0.8.exe printed: $(cat tool.out)"
echo "ok: the ZIP's vxcam.exe lists and grabs the GigE Vision fake"
