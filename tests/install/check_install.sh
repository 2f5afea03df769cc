#!/usr/bin/env bash
# Checks what an integrator takes away, from outside the build tree.
#
#   check_install.sh tree      install into a temporary prefix; check the layout, run paths and
#                              the links of the installed documentation;
#                              build the installed example host against the installed CMake
#                              package; run it and vxcam from another folder on virtual cameras
#   check_install.sh package   build the Debian package; check its files, dependencies (each
#                              once), stripped and hardened binaries, copyright file, manual
#                              page, and lintian's verdict (no errors, no hardening or manual
#                              page tags)
#
# CTest passes the build tree, the compiler, the flags and the install layout in VXCAM_TEST_*.
set -euo pipefail

build="$VXCAM_TEST_BUILD"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# expect_output NAME EXPECTED_FILE ACTUAL_FILE: the two texts are equal.
expect_output() {
    diff -u "$2" "$3" >&2 || fail "$1 printed something else (diff above)"
}

check_tree() {
    local prefix="$work/prefix"
    "$CMAKE_COMMAND" --install "$build" --prefix "$prefix" >"$work/install.log" || {
        cat "$work/install.log" >&2
        fail "cmake --install failed"
    }

    local plugin="$prefix/$VXCAM_TEST_PLUGINDIR/$VXCAM_TEST_PLUGIN"
    local sdk="$prefix/$VXCAM_TEST_PLUGINDIR/libMVSDKmd.so"
    local tool="$prefix/$VXCAM_TEST_BINDIR/vxcam"
    # The rest of the tree is used below: the package and header by the host build, the binaries by the runs.
    for file in "$prefix/$VXCAM_TEST_DOCDIR/README.md" "$prefix/$VXCAM_TEST_DOCDIR/docs/vxcam.md" \
        "$prefix/$VXCAM_TEST_DOCDIR/examples/virtual-cameras.json"; do
        [ -f "$file" ] || fail "not installed: $file"
    done
    # The installed documentation's links reach what was installed with it.
    bash "$VXCAM_TEST_CHECK_DOCS" links "$prefix/$VXCAM_TEST_DOCDIR" >&2 \
        || fail "the installed documentation has links that do not resolve (above)"
    local elves=("$plugin" "$sdk")
    [ "$VXCAM_TEST_WITH_TOOL" = 1 ] && elves+=("$tool")

    # Nothing installed leans on the build tree: run paths relative to the
    # file itself, and the SDK found in the plug-in folder.
    for elf in "${elves[@]}"; do
        local runpath
        runpath="$(readelf -d "$elf" | sed -n 's/.*R\(UN\)\{0,1\}PATH.*\[\(.*\)\]/\2/p')"
        case "$runpath" in
        *"$build"*) fail "$elf has a run path into the build tree: $runpath" ;;
        '$ORIGIN'*) ;;
        *) fail "$elf has no run path relative to itself: '$runpath'" ;;
        esac
        [ "$elf" = "$sdk" ] && continue
        local resolved
        resolved="$(ldd "$elf" | awk '$1 == "libMVSDKmd.so" { print $3 }')"
        [ -n "$resolved" ] && [ "$(readlink -f "$resolved")" = "$(readlink -f "$sdk")" ] \
            || fail "$elf does not find the installed SDK but '$resolved'"
    done

    # The example host, configured from its installed copy against the installed package only.
    local host="$work/host"
    "$CMAKE_COMMAND" -S "$prefix/$VXCAM_TEST_DOCDIR/examples/minimal-host" -B "$host" \
        -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER="$VXCAM_TEST_CXX" \
        -DCMAKE_CXX_FLAGS="$VXCAM_TEST_CXXFLAGS" -DCMAKE_EXE_LINKER_FLAGS="$VXCAM_TEST_LDFLAGS" \
        >"$work/host-configure.log" 2>&1 || {
        cat "$work/host-configure.log" >&2
        fail "the example host does not configure against the installed package"
    }
    grep -qx "vxcamera_DIR:PATH=$prefix/$VXCAM_TEST_CMAKEDIR" "$host/CMakeCache.txt" \
        || fail "the example host found another vxcamera package: $(grep vxcamera_DIR "$host/CMakeCache.txt")"
    "$CMAKE_COMMAND" --build "$host" >"$work/host-build.log" 2>&1 || {
        cat "$work/host-build.log" >&2
        fail "the example host does not build with warnings as errors"
    }

    # Both run on cameras of this test's own, from a folder that is neither prefix nor build tree.
    mkdir "$work/elsewhere"
    cd "$work/elsewhere"
    cat >cams.json <<'EOF'
{"cameras": [
    {"key": "Install:MONO", "model": "VirtualMono", "width": 64, "height": 48, "fps": 200},
    {"key": "Install:RGB", "width": 32, "height": 16, "pixelFormat": "RGB8Packed", "fps": 200}]}
EOF
    export VXCAM_SIM_CONFIG="$work/elsewhere/cams.json"

    # Defaults: the plug-in named by the package, the first camera, five frames.
    "$host/minimal-host" >host.out 2>host.err || {
        cat host.err >&2
        fail "minimal-host failed: $(cat host.out)"
    }
    cat >host.expected <<EOF
plug-in $plugin
2 cameras
  Install:MONO
  Install:RGB
opened Install:MONO: 64x48, 8 bits per pixel, GRAY8
frame 1: 64x48, 8 bits per pixel, GRAY8, first bytes
frame 2: 64x48, 8 bits per pixel, GRAY8, first bytes
frame 3: 64x48, 8 bits per pixel, GRAY8, first bytes
frame 4: 64x48, 8 bits per pixel, GRAY8, first bytes
frame 5: 64x48, 8 bits per pixel, GRAY8, first bytes
got 5 of 5 frames
EOF
    # The pixels are a ramp: four consecutive byte values (modulo 256) after "first bytes".
    local bytes
    bytes="$(sed -n 's/^frame [0-9]*: .*first bytes //p' host.out)"
    while read -r a b c d; do
        [ $((0x$b)) -eq $(((0x$a + 1) % 256)) ] && [ $((0x$d)) -eq $(((0x$a + 3) % 256)) ] \
            || fail "minimal-host printed bytes that are no ramp: $a $b $c $d"
    done <<<"$bytes"
    sed 's/ first bytes.*$/ first bytes/' host.out >host.masked
    expect_output minimal-host host.expected host.masked

    # A plug-in named on the command line, a camera by key, a frame count.
    "$host/minimal-host" "$plugin" Install:RGB 2 >rgb.out 2>rgb.err || fail "minimal-host Install:RGB failed"
    grep -qx "opened Install:RGB: 32x16, 24 bits per pixel, RGB24" rgb.out || fail "$(cat rgb.out)"
    grep -qx "got 2 of 2 frames" rgb.out || fail "$(cat rgb.out)"

    if [ "$VXCAM_TEST_WITH_TOOL" = 1 ]; then
        "$tool" list >list.out 2>list.err || fail "vxcam list failed: $(cat list.err)"
        printf 'Install:MONO\nInstall:RGB\n' >list.expected
        expect_output "vxcam list" list.expected list.out
        # The earlier driver is linked into vxcam itself and reaches the SDK through vxcam's run path.
        "$tool" grab --camera Install:MONO --driver earlier --mode 3 --limit 3 --quiet >grab.out 2>grab.err \
            || fail "vxcam grab --driver earlier failed: $(cat grab.err)"
        grep -q '^Install:MONO frames=3 size=64x48 bpp=8 format=GRAY8 .* broken=0 lost=0$' grab.out \
            || fail "vxcam grab printed: $(cat grab.out)"
    fi
}

check_package() {
    "$CPACK_COMMAND" --config "$build/CPackConfig.cmake" -G DEB -B "$work/package" >"$work/cpack.log" 2>&1 || {
        cat "$work/cpack.log" >&2
        fail "cpack failed"
    }
    local debs=("$work"/package/*.deb)
    [ "${#debs[@]}" -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single .deb: ${debs[*]}"
    local deb="${debs[0]}"

    dpkg-deb -c "$deb" | awk '{ print $NF }' >"$work/files"
    local expected=("./usr/$VXCAM_TEST_PLUGINDIR/$VXCAM_TEST_PLUGIN" "./usr/$VXCAM_TEST_PLUGINDIR/libMVSDKmd.so"
        "./usr/$VXCAM_TEST_INCLUDEDIR/vxcameraobject.h" "./usr/$VXCAM_TEST_CMAKEDIR/vxcameraConfig.cmake"
        "./usr/$VXCAM_TEST_DOCDIR/README.md" "./usr/$VXCAM_TEST_DOCDIR/docs/host-guide.md"
        "./usr/$VXCAM_TEST_DOCDIR/copyright")
    [ "$VXCAM_TEST_WITH_TOOL" = 1 ] && expected+=("./usr/$VXCAM_TEST_BINDIR/vxcam" "./usr/$VXCAM_TEST_MANDIR/man1/vxcam.1.gz")
    for file in "${expected[@]}"; do
        grep -qxF "$file" "$work/files" || fail "the package lacks $file; it holds: $(cat "$work/files")"
    done

    [ "$(dpkg-deb -f "$deb" Package)" = vxcamera ] || fail "package name: $(dpkg-deb -f "$deb" Package)"
    [ "$(dpkg-deb -f "$deb" Version)" = "$VXCAM_TEST_VERSION" ] || fail "package version: $(dpkg-deb -f "$deb" Version)"
    [ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "the package names no maintainer"
    # Depends: names with optional versions, separated by "," and "|".
    local depends required=(libqt5core5a libstdc++6 libtiff6)
    depends="$(dpkg-deb -f "$deb" Depends)"
    [ "$VXCAM_TEST_WITH_TOOL" = 1 ] && required+=(libqt5gui5)
    [ "$VXCAM_TEST_WITH_ARAVIS" = 1 ] && required+=(libaravis-0.8-0)
    for package in "${required[@]}"; do
        tr ',|' '\n\n' <<<"$depends" | awk '{ print $1 }' | grep -xF "$package" >/dev/null \
            || fail "the package does not depend on $package: '$depends'"
    done
    local twice
    twice="$(tr ',|' '\n\n' <<<"$depends" | awk '{ print $1 }' | sort | uniq -d)"
    [ -z "$twice" ] || fail "Depends names $(echo $twice) more than once: '$depends'"

    # Stripped: no debugging sections and no full symbol table in the binaries.
    mkdir "$work/unpacked"
    dpkg-deb -x "$deb" "$work/unpacked"
    local binaries=("$work/unpacked/usr/$VXCAM_TEST_PLUGINDIR/$VXCAM_TEST_PLUGIN"
        "$work/unpacked/usr/$VXCAM_TEST_PLUGINDIR/libMVSDKmd.so")
    [ "$VXCAM_TEST_WITH_TOOL" = 1 ] && binaries+=("$work/unpacked/usr/$VXCAM_TEST_BINDIR/vxcam")
    for binary in "${binaries[@]}"; do
        if readelf -S "$binary" | grep -E '\.debug_|\.symtab' >/dev/null; then
            fail "${binary#"$work/unpacked"} is not stripped"
        fi
    done

    # Hardened: full RELRO (read-only relocations, bound at load time), and
    # the stack protector or fortified functions in every binary; only where
    # the build applied Debian's hardening flags (not in sanitizer builds).
    # (Each readelf output whole into a file: grep -q would cut the pipe short.)
    local hardened=()
    [ "${VXCAM_TEST_HARDENED:-0}" = 1 ] && hardened=("${binaries[@]}")
    for binary in "${hardened[@]}"; do
        local name="${binary#"$work/unpacked"}"
        readelf -lW "$binary" >"$work/segments"
        readelf -dW "$binary" >"$work/dynamic"
        readelf --dyn-syms -W "$binary" >"$work/symbols"
        grep -q GNU_RELRO "$work/segments" || fail "$name has no RELRO"
        grep -qE 'BIND_NOW|FLAGS_1.* NOW' "$work/dynamic" || fail "$name has no BIND_NOW"
        grep -qE '__stack_chk_fail|__[a-z]+_chk@' "$work/symbols" \
            || fail "$name has neither the stack protector nor fortified functions"
    done

    # The copyright file, in Debian's machine-readable format: the MIT licence.
    local copyright="$work/unpacked/usr/$VXCAM_TEST_DOCDIR/copyright"
    head -1 "$copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
        || fail "the copyright file is not in the machine-readable format"
    grep -qx 'Copyright: [0-9]* the vxcamera authors' "$copyright" && grep -qx 'License: Expat' "$copyright" \
        && grep -qx ' Permission is hereby granted, free of charge, to any person obtaining a copy' "$copyright" \
        || fail "the copyright file does not carry the MIT licence: $(cat "$copyright")"

    # The manual page has every option that vxcam --help lists.
    if [ "$VXCAM_TEST_WITH_TOOL" = 1 ]; then
        local page="$work/unpacked/usr/$VXCAM_TEST_MANDIR/man1/vxcam.1.gz" option
        "$work/unpacked/usr/$VXCAM_TEST_BINDIR/vxcam" --help >"$work/help"
        grep -o -- '--[a-z][a-z-]*' "$work/help" | sort -u >"$work/help-options"
        [ -s "$work/help-options" ] || fail "vxcam --help lists no option"
        zcat "$page" | sed 's/\\-/-/g' >"$work/page"
        while read -r option; do
            grep -q -- "$option\b" "$work/page" || fail "the manual page lacks $option"
        done <"$work/help-options"
    fi

    # lintian, informational tags included: no errors, no missing hardening,
    # no missing manual page (its other warnings are listed in docs/packaging.md).
    if command -v lintian >/dev/null; then
        lintian -I --tag-display-limit 0 "$deb" >"$work/lintian.out" 2>&1 || true
        local faults='^E:|no-manual-page|manpage'
        [ "${VXCAM_TEST_HARDENED:-0}" = 1 ] && faults="$faults|hardening-no-"
        if grep -E "$faults" "$work/lintian.out" >&2; then
            fail "lintian reports errors, missing hardening or manual page faults (above)"
        fi
    else
        echo "lintian not installed (scripts/deps.sh installs it): its check skipped" >&2
    fi
}

case "${1:-}" in
tree) check_tree ;;
package) check_package ;;
*) fail "usage: check_install.sh tree|package" ;;
esac
echo "ok: $1"
