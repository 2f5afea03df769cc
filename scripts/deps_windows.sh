#!/usr/bin/env bash
# Installs what the Windows cross build needs, when missing:
#   - Debian's MinGW-w64 compiler for x86_64 with posix threads, and Wine;
#   - Qt 5 Core built for MinGW from Debian's own qtbase source package, into a
#     cache folder outside the clone, reused when present:
#       $VXCAM_QT_MINGW_DIR (default ${XDG_CACHE_HOME:-$HOME/.cache}/vxcamera/qt5-mingw)
#
# Prints the Qt prefix as its last line. Building Qt takes about ten minutes on
# two cores; the build folder is removed afterwards.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=scripts/windows_env.sh
. "$root/scripts/windows_env.sh"
# shellcheck source=scripts/packages.sh
. "$root/scripts/packages.sh"

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive

# The posix-thread compiler (std::thread, std::mutex) and 64-bit Wine; the
# metapackage mingw-w64 would add the i686 and win32-thread compilers too.
packages=(g++-mingw-w64-x86-64-posix wine64 dpkg-dev)
install_missing_packages "${packages[@]}"

qt_prefix="$VXCAM_QT_MINGW_DIR"
qt_stamp="$qt_prefix/.vxcamera-qt-complete"
if [ -f "$qt_stamp" ]; then
    echo "Qt 5 Core for MinGW: $qt_prefix (cached)" >&2
    echo "$qt_prefix"
    exit 0
fi

# Makes `apt-get source` work: a deb-src entry copied from the machine's own
# entry that serves Qt, so the source comes from where the binaries came from.
ensure_deb_src() {
    if apt-get source --print-uris -qq qtbase-opensource-src >/dev/null 2>&1; then
        return
    fi
    local qt_uri
    qt_uri="$(apt-cache policy libqt5core5a |
        awk '$1 ~ /^[0-9]+$/ && $2 ~ /^[a-z+]+:/ { print $2; exit }')"
    if [ -z "$qt_uri" ]; then
        echo "deps_windows.sh: no apt entry serves libqt5core5a; add a deb-src entry for qtbase-opensource-src" >&2
        exit 1
    fi
    local listdir=/etc/apt/sources.list.d sources
    sources="$(
        # deb822 stanzas that name the URI, with Types set to deb-src.
        for f in "$listdir"/*.sources; do
            [ -f "$f" ] || continue
            awk -v uri="$qt_uri" '
                function flush() { if (keep && stanza != "") printf "%s\n", stanza; stanza = ""; keep = 0 }
                /^[ \t]*$/ { flush(); next }
                /^#/ { next }
                /^Types:/ { stanza = stanza "Types: deb-src\n"; next }
                /^URIs:/ { for (i = 2; i <= NF; ++i) { u = $i; sub(/\/$/, "", u); w = uri; sub(/\/$/, "", w); if (u == w) keep = 1 } }
                { stanza = stanza $0 "\n" }
                END { flush() }' "$f"
        done
    )"
    local target="$listdir/vxcamera-deb-src.sources"
    if [ -z "$sources" ]; then
        # Classic one-line entries.
        sources="$(cat /etc/apt/sources.list "$listdir"/*.list 2>/dev/null |
            awk -v uri="$qt_uri" '$1 == "deb" { for (i = 2; i <= NF; ++i) if ($i == uri || $i == uri "/") { $1 = "deb-src"; print; next } }')"
        target="$listdir/vxcamera-deb-src.list"
    fi
    if [ -z "$sources" ]; then
        echo "deps_windows.sh: found no apt entry for $qt_uri to copy as deb-src" >&2
        exit 1
    fi
    echo "Adding source entries for $qt_uri to $target" >&2
    printf '%s\n' "$sources" | "${sudo_cmd[@]}" tee "$target" >/dev/null
    "${sudo_cmd[@]}" apt-get update -qq
}

ensure_deb_src
work="$qt_prefix.build"
rm -rf "$work" "$qt_prefix"
mkdir -p "$work"
cd "$work"
echo "Building Qt 5 Core for MinGW in $work, installing into $qt_prefix" >&2
apt-get source --download-only -qq qtbase-opensource-src >&2
dpkg-source -x --no-check ./qtbase-opensource-src_*.dsc src >/dev/null

# Qt's win32-g++ mkspec calls ${CROSS_COMPILE}g++; the plain names are the
# win32-thread compiler, so a folder of links points them at the posix one.
mkdir links
for t in gcc g++ c++ cpp; do
    ln -s "/usr/bin/x86_64-w64-mingw32-$t-posix" "links/x86_64-w64-mingw32-$t"
done
for t in /usr/bin/x86_64-w64-mingw32-*; do
    [ -e "links/$(basename "$t")" ] || ln -s "$t" "links/"
done

jobs="${VXCAM_JOBS:-$(nproc)}"
mkdir build
cd build
# (configure builds the host qmake with make; MAKEFLAGS lets it use every core)
MAKEFLAGS="-j$jobs" ../src/configure -opensource -confirm-license -xplatform win32-g++ \
    -device-option CROSS_COMPILE="$work/links/x86_64-w64-mingw32-" \
    -prefix "$qt_prefix" -release -shared -nomake examples -nomake tests \
    -no-gui -no-widgets -no-dbus -no-opengl -no-icu -no-openssl -qt-pcre -qt-zlib \
    -no-sql-sqlite -no-sql-odbc >configure.log 2>&1 || {
    tail -40 configure.log >&2
    exit 1
}
# Only Qt Core, its host tools (moc, rcc, qmake) and the mkspec that
# Qt5Core's CMake files put on the include path.
(
    cd src
    ../bin/qmake -o Makefile ../../src/src/src.pro
    make -j"$jobs" -s sub-zlib sub-moc sub-rcc sub-corelib sub-winmain
    make -s sub-zlib-install_subtargets sub-moc-install_subtargets sub-rcc-install_subtargets \
        sub-corelib-install_subtargets sub-winmain-install_subtargets
) >build.log 2>&1 || {
    tail -40 build.log >&2
    exit 1
}
make -s sub-qmake-qmake-aux-pro-install_subtargets install_mkspecs install_syncqt >>build.log 2>&1 || {
    tail -40 build.log >&2
    exit 1
}
cd /
rm -rf "$work"
touch "$qt_stamp"
echo "Qt 5 Core for MinGW: $qt_prefix ($(du -sh "$qt_prefix" | cut -f1))" >&2
echo "$qt_prefix"
