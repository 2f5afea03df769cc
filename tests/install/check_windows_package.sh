#!/usr/bin/env bash
# Checks the Windows ZIP package from outside the build tree: made by CPack,
# unpacked into a fresh folder, its vxcam.exe run under Wine from another
# folder with nothing but the ZIP's own DLLs (no Qt or MinGW runtime on the
# Wine path), on virtual cameras of this test's own, dumping to a C:\ folder,
# writing a PNG and a screenshot of the live view (offscreen platform). Also:
# the licence texts and the copyright file that names them, ASLR and DEP in
# every binary, and the links of the documentation.
#
# The example host is built from the unpacked ZIP with the same toolchain and
# run too. CTest passes the build tree, cmake, cpack, the version, the
# toolchain file and the Wine wrapper in VXCAM_TEST_BUILD, CMAKE_COMMAND,
# CPACK_COMMAND, VXCAM_TEST_VERSION, VXCAM_TEST_TOOLCHAIN and VXCAM_TEST_WINE,
# the documentation's check in VXCAM_TEST_CHECK_DOCS;
# VXCAM_TEST_WITH_PICTURES and VXCAM_TEST_WITH_VIEW say whether vxcam has
# --png (Qt Gui) and the live view (Qt Widgets), VXCAM_TEST_WITH_ARAVIS whether
# the SDK has its Aravis back end (then check_windows_package_gige.sh runs
# through the namespace launcher VXCAM_TEST_NETNS).
set -euo pipefail

build="$VXCAM_TEST_BUILD"
# shellcheck source=scripts/windows_env.sh
. "$(dirname "$VXCAM_TEST_WINE")/windows_env.sh"
work="$(mktemp -d)"
dumps="vxcam-zip-test-$$"
trap 'rm -rf "$work" "${VXCAM_WINEPREFIX:?}/drive_c/$dumps"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# The unpacked ZIP and nothing else: Wine finds DLLs beside the program.
wine_bare() {
    VXCAM_WINE_BARE=1 "$VXCAM_TEST_WINE" "$@"
}

"$CPACK_COMMAND" --config "$build/CPackConfig.cmake" -G ZIP -B "$work/package" >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log" >&2
    fail "cpack failed"
}
zips=("$work"/package/*.zip)
[ "${#zips[@]}" -eq 1 ] && [ -f "${zips[0]}" ] || fail "cpack made no single .zip: ${zips[*]}"
[ "$(basename "${zips[0]}")" = "vxcamera-$VXCAM_TEST_VERSION-win64.zip" ] || fail "ZIP name: ${zips[0]}"

mkdir "$work/fresh"
(cd "$work/fresh" && "$CMAKE_COMMAND" -E tar xf "${zips[0]}")
top="$work/fresh/vxcamera-$VXCAM_TEST_VERSION-win64"
(cd "$top" && find . -type f | sed 's|^\./||' | sort) >"$work/files"
aravis_files=(bin/libaravis-0.8-0.dll bin/libglib-2.0-0.dll bin/libgobject-2.0-0.dll bin/libgio-2.0-0.dll
    bin/libgmodule-2.0-0.dll bin/libffi-8.dll bin/libpcre2-8-0.dll bin/libxml2-2.dll bin/libusb-1.0.dll
    bin/arv-tool-0.8.exe licenses/aravis/COPYING licenses/glib2.0/COPYING licenses/glib2.0/copyright
    licenses/libffi/LICENSE licenses/pcre2/LICENCE licenses/libxml2/Copyright licenses/libusb-1.0/COPYING)
expected=(bin/vxcam.exe bin/vxCam_180d.dll bin/MVSDKmd.dll bin/Qt5Core.dll bin/libstdc++-6.dll
    bin/libgcc_s_seh-1.dll bin/libwinpthread-1.dll include/vxcamera/vxcameraobject.h
    lib/cmake/vxcamera/vxcameraConfig.cmake share/doc/vxcamera/README.md share/doc/vxcamera/docs/vxcam.md
    share/doc/vxcamera/copyright
    LICENSE licenses/Qt/LICENSE.LGPL3 licenses/Qt/LICENSE.GPL3 licenses/Qt/copyright
    licenses/gcc/copyright licenses/gcc/GPL-3 licenses/mingw-w64/copyright
    bin/libtiff.dll bin/zlib1.dll licenses/tiff/LICENSE.md licenses/tiff/copyright licenses/zlib/copyright)
# Qt Gui (pictures) with the platform plug-ins; Qt Widgets (the live view) with the native style.
[ "$VXCAM_TEST_WITH_PICTURES" = 1 ] && expected+=(bin/Qt5Gui.dll bin/platforms/qwindows.dll bin/platforms/qoffscreen.dll)
[ "$VXCAM_TEST_WITH_VIEW" = 1 ] && expected+=(bin/Qt5Widgets.dll bin/styles/qwindowsvistastyle.dll)
[ "$VXCAM_TEST_WITH_ARAVIS" = 1 ] && expected+=("${aravis_files[@]}")
for file in "${expected[@]}"; do
    grep -qxF "$file" "$work/files" || fail "the ZIP lacks $file; it holds: $(tr '\n' ' ' <"$work/files")"
done

# The documentation's links reach what the ZIP holds beside it.
bash "$VXCAM_TEST_CHECK_DOCS" links "$top/share/doc/vxcamera" >&2 \
    || fail "the ZIP's documentation has links that do not resolve (above)"

# Licences: ours at the top; the copyright file names the licence of every
# DLL that is not the project's own, and every licence text it points to is
# there, taken whole from where the DLLs came from.
grep -q '^Copyright (c) [0-9]* the vxcamera authors$' "$top/LICENSE" && grep -qx 'MIT License' "$top/LICENSE" \
    || fail "LICENSE is not the project's MIT licence"
copyright="$top/share/doc/vxcamera/copyright"
# The Files: patterns other than "*", one a line.
awk '/^Files:/ { on = 1; sub(/^Files:/, "") } /^[^ \t]/ && !/^Files:/ { on = 0 } on { print }' "$copyright" |
    tr ' \t' '\n\n' | grep -v -e '^$' -e '^\*$' >"$work/patterns"
while read -r dll; do
    case "$dll" in bin/vxcam.exe | bin/vxCam_180d.dll | bin/MVSDKmd.dll) continue ;; esac
    named=0
    while read -r pattern; do
        # shellcheck disable=SC2053 # the pattern is a glob on purpose
        [[ "$dll" == $pattern ]] && named=1
    done <"$work/patterns"
    [ "$named" = 1 ] || fail "the copyright file names no licence for $dll"
done < <(grep -E '\.(dll|exe)$' "$work/files")
for text in $(grep -o 'licenses/[A-Za-z0-9./_-]*[A-Za-z0-9]' "$copyright" | sort -u); do
    grep -qxF "$text" "$work/files" || fail "the copyright file points to $text, which the ZIP lacks"
done
grep -q 'GNU LESSER GENERAL PUBLIC LICENSE' "$top/licenses/Qt/LICENSE.LGPL3" || fail "licenses/Qt/LICENSE.LGPL3 is no LGPL"
grep -q 'GNU GENERAL PUBLIC LICENSE' "$top/licenses/Qt/LICENSE.GPL3" || fail "licenses/Qt/LICENSE.GPL3 is no GPL"
grep -q 'GNU GENERAL PUBLIC LICENSE' "$top/licenses/gcc/GPL-3" || fail "licenses/gcc/GPL-3 is no GPL"
grep -q 'GCC RUNTIME LIBRARY EXCEPTION' "$top/licenses/gcc/copyright" || fail "no GCC Runtime Library Exception"
grep -q '^Files: mingw-w64-libraries/winpthreads/' "$top/licenses/mingw-w64/copyright" \
    || fail "licenses/mingw-w64/copyright does not cover winpthreads"
grep -q '^Files: src/3rdparty/freetype/' "$top/licenses/Qt/copyright" || fail "licenses/Qt/copyright lacks Qt's parts"
if [ "$VXCAM_TEST_WITH_ARAVIS" = 1 ]; then
    grep -q 'GNU LESSER GENERAL PUBLIC LICENSE' "$top/licenses/aravis/COPYING" || fail "licenses/aravis/COPYING is no LGPL"
    grep -q 'GNU LESSER GENERAL PUBLIC' "$top/licenses/glib2.0/COPYING" || fail "licenses/glib2.0/COPYING is no LGPL"
    grep -q 'Redistribution and use in source and binary forms' "$top/licenses/pcre2/LICENCE" \
        || fail "licenses/pcre2/LICENCE is no BSD licence"
    grep -q 'Permission is hereby granted' "$top/licenses/libffi/LICENSE" || fail "licenses/libffi/LICENSE is no MIT licence"
fi

# Every program and DLL keeps address space layout randomisation (with
# high-entropy addresses) and data execution prevention.
while read -r binary; do
    characteristics="$(x86_64-w64-mingw32-objdump -p "$top/$binary" | sed -n '/^DllCharacteristics/,/^[A-Z]/p')"
    for flag in HIGH_ENTROPY_VA DYNAMIC_BASE NX_COMPAT; do
        grep -qw "$flag" <<<"$characteristics" || fail "$binary lacks $flag: $characteristics"
    done
done < <(grep -E '\.(dll|exe)$' "$work/files")
# Nothing for linking against the plug-in (the host loads it by name), and
# no library under MinGW's lib prefix.
if grep -E '\.dll\.a$|(^|/)lib(vxCam_180d|MVSDKmd)\.dll$' "$work/files" >&2; then
    fail "the ZIP holds import libraries or lib-prefixed DLLs (above)"
fi
# Stripped: no debugging sections left in the binaries.
for binary in bin/vxcam.exe bin/vxCam_180d.dll bin/MVSDKmd.dll; do
    if x86_64-w64-mingw32-objdump -h "$top/$binary" | grep '\.debug_' >/dev/null; then
        fail "$binary is not stripped"
    fi
done

# The example host from the ZIP, built with the same cross toolchain against
# the ZIP's CMake package (named directly: the toolchain confines package
# searches to the MinGW and Qt folders), with warnings as errors.
host="$work/host"
"$CMAKE_COMMAND" -S "$top/share/doc/vxcamera/examples/minimal-host" -B "$host" \
    -DCMAKE_TOOLCHAIN_FILE="$VXCAM_TEST_TOOLCHAIN" -DVXCAM_QT_MINGW_DIR="$VXCAM_QT_MINGW_DIR" \
    -Dvxcamera_DIR="$top/lib/cmake/vxcamera" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_FLAGS="-Wall -Wextra -Wpedantic -Werror" >"$work/host-configure.log" 2>&1 || {
    cat "$work/host-configure.log" >&2
    fail "the example host does not configure against the ZIP's package"
}
"$CMAKE_COMMAND" --build "$host" >"$work/host-build.log" 2>&1 || {
    cat "$work/host-build.log" >&2
    fail "the example host does not build with warnings as errors"
}

mkdir "$work/elsewhere"
cd "$work/elsewhere"
cat >cams.json <<'JSON'
{"cameras": [
    {"key": "Virtual:MONO0001", "model": "VirtualMono", "width": 64, "height": 48, "fps": 200},
    {"key": "Virtual:RGB0001", "width": 32, "height": 16, "pixelFormat": "RGB8Packed", "fps": 200}]}
JSON
# The configuration as a Windows program names it (Wine's Z: is the Unix root).
VXCAM_SIM_CONFIG="Z:$(tr / '\\' <<<"$work/elsewhere/cams.json")"
export VXCAM_SIM_CONFIG

wine_bare "$top/bin/vxcam.exe" list >list.out 2>list.err || fail "vxcam.exe list failed: $(cat list.err)"
[ "$(tr -d '\r' <list.out)" = "$(printf 'Virtual:MONO0001\nVirtual:RGB0001')" ] \
    || fail "vxcam.exe list printed: $(cat list.out)"
# The plug-in's log reaches standard error, not only Windows' debugger channel.
grep -q 'create dahua camera\.\.\.' list.err || fail "no plug-in log line on standard error: $(cat list.err)"

# The example host finds the plug-in where the package says, and the runtime
# DLLs in the ZIP's bin/ folder.
WINEPATH="$top/bin" wine_bare "$host/minimal-host.exe" >host.out 2>host.err \
    || fail "minimal-host.exe failed: $(cat host.err)"
grep -q "^got 5 of 5 frames"$'\r''$' host.out || fail "minimal-host.exe printed: $(cat host.out)"
rm host.out host.err

mkdir "$VXCAM_WINEPREFIX/drive_c/$dumps"
wine_bare "$top/bin/vxcam.exe" grab --camera Virtual:MONO0001 --frames 5 --save "C:\\$dumps\\dump_" --quiet \
    >grab.out 2>grab.err || fail "vxcam.exe grab failed: $(cat grab.err)"
grep -q '^Virtual:MONO0001 frames=[0-9]* size=64x48 bpp=8 format=GRAY8 .* broken=0 lost=0'$'\r''$' grab.out \
    || fail "vxcam.exe grab printed: $(cat grab.out)"
grep -q 'Successfully open camera:  "Virtual:MONO0001"' grab.err \
    || fail "no plug-in log line of the open on standard error: $(cat grab.err)"
shopt -s nullglob
written=("$VXCAM_WINEPREFIX/drive_c/$dumps"/dump_VirtualMONO0001_*.bmp)
[ "${#written[@]}" -ge 5 ] || fail "${#written[@]} dumps in C:\\$dumps, expected at least 5"
for dump in "${written[@]}"; do
    [ "$(stat -c %s "$dump")" -eq $((1078 + 64 * 48)) ] || fail "$dump has $(stat -c %s "$dump") bytes"
done

# png_size FILE: "WIDTHxHEIGHT" of a PNG file; fails when it is none.
png_size() {
    [ "$(od -An -tx1 -N8 "$1" | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$1 is no PNG file"
    local ihdr
    read -ra ihdr <<<"$(od -An -tu1 -j16 -N8 "$1")"
    echo "$(((ihdr[0] << 24) + (ihdr[1] << 16) + (ihdr[2] << 8) + ihdr[3]))x$(((ihdr[4] << 24) + (ihdr[5] << 16) + (ihdr[6] << 8) + ihdr[7]))"
}
made=(cams.json grab.err grab.out list.err list.out)
# The picture of the last frame (Qt Gui, no display needed), and the live view
# on the offscreen platform (its plug-in from the ZIP's bin/platforms).
if [ "$VXCAM_TEST_WITH_PICTURES" = 1 ]; then
    wine_bare "$top/bin/vxcam.exe" grab --camera Virtual:RGB0001 --frames 3 --png last.png --quiet \
        >png.out 2>png.err || fail "vxcam.exe grab --png failed: $(cat png.err)"
    [ "$(png_size last.png)" = 32x16 ] || fail "last.png is $(png_size last.png), expected 32x16"
    made+=(last.png png.err png.out)
fi
if [ "$VXCAM_TEST_WITH_VIEW" = 1 ]; then
    QT_QPA_PLATFORM=offscreen wine_bare "$top/bin/vxcam.exe" view --camera Virtual:MONO0001 --seconds 2 \
        --screenshot view.png >view.out 2>view.err || fail "vxcam.exe view failed: $(cat view.err)"
    size="$(png_size view.png)"
    [ "${size%x*}" -ge 64 ] && [ "${size#*x}" -ge 48 ] || fail "view.png is $size, smaller than the frame"
    made+=(view.err view.out view.png)
fi

# Real cameras: the Aravis back end and its DLLs, against the GigE Vision
# fake in a private network namespace.
if [ "$VXCAM_TEST_WITH_ARAVIS" = 1 ]; then
    VXCAM_NETNS_WINE=1 "$VXCAM_TEST_NETNS" bash "$(dirname "$0")/check_windows_package_gige.sh" "$top" \
        "$VXCAM_TEST_WINE" >&2 || fail "the ZIP's vxcam.exe does not work with the GigE Vision fake (above)"
fi

# Nothing written beside the program or in the working folder.
[ "$(find "$top" -newer "$work/files" -type f | wc -l)" -eq 0 ] || fail "files written into the unpacked ZIP"
[ "$(ls)" = "$(printf '%s\n' "${made[@]}" | sort)" ] || fail "working folder: $(ls)"
echo "ok: windows package"
