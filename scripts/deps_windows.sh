#!/usr/bin/env bash
# Installs what the Windows cross build needs, when missing:
#   - Debian's MinGW-w64 compiler for x86_64 with posix threads, and Wine;
#   - Qt 5 built for MinGW from Debian's own qtbase source package (Core, Gui,
#     Widgets, Test, the windows and offscreen platform plug-ins, the Windows
#     Vista widget style), into a cache folder outside the clone, reused when
#     it was built by this recipe:
#       $VXCAM_QT_MINGW_DIR (default ${XDG_CACHE_HOME:-$HOME/.cache}/vxcamera/qt5-mingw)
#
# Prints the Qt prefix as its last line. Building Qt takes about half an hour
# on two cores (see docs/building.md); the build folder is removed afterwards, the
# licence texts that go with the DLLs are kept in the prefix's licenses/.
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
# What the cached Qt holds: a cache made by another recipe (such as an earlier
# Core-only one) is built anew rather than taken for this one. Change the
# recipe's name whenever the configure options, the parts built or the
# licence files kept change.
qt_recipe="qt5-mingw 2: core gui widgets testlib, platforms windows offscreen, style windowsvista, licences"
qt_stamp="$qt_prefix/.vxcamera-qt-complete"
if [ -f "$qt_stamp" ] && [ "$(cat "$qt_stamp")" = "$qt_recipe" ]; then
    echo "Qt 5 for MinGW: $qt_prefix (cached)" >&2
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
started=$SECONDS
echo "Building Qt 5 for MinGW in $work, installing into $qt_prefix (log: $work/build/build.log)" >&2
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

fail() {
    tail -40 "$1" >&2
    echo "deps_windows.sh: building Qt failed; the whole log: $work/build/$1" >&2
    exit 1
}

jobs="${VXCAM_JOBS:-$(nproc)}"
mkdir build
cd build
# Core, Gui (bundled libpng and FreeType, no OpenGL) and Widgets. Debian's
# source leaves out the Wintab headers, so no tablet events.
# (configure builds the host qmake with make; MAKEFLAGS lets it use every core)
MAKEFLAGS="-j$jobs" ../src/configure -opensource -confirm-license -xplatform win32-g++ \
    -device-option CROSS_COMPILE="$work/links/x86_64-w64-mingw32-" \
    -prefix "$qt_prefix" -release -shared -nomake examples -nomake tests \
    -no-dbus -no-opengl -no-icu -no-openssl -qt-pcre -qt-zlib \
    -qt-libpng -qt-freetype -no-harfbuzz -no-libjpeg -no-feature-tabletevent \
    -no-sql-sqlite -no-sql-odbc >configure.log 2>&1 || fail configure.log
# Only the modules, host tools and plug-ins that are needed (Qt Test for the
# live view's tests), and the mkspec that Qt's CMake files put on the include
# path.
modules=(zlib moc rcc uic corelib winmain gui widgets platformheaders platformsupport testlib)
(
    cd src
    ../bin/qmake -o Makefile ../../src/src/src.pro
    make -j"$jobs" -s "${modules[@]/#/sub-}"
    for m in "${modules[@]}"; do
        make -s "sub-$m-install_subtargets"
    done
) >build.log 2>&1 || fail build.log
# The platform plug-ins: windows for a desktop, offscreen for tests and
# screenshots without one; and the native widget style.
for plugin in platforms/windows platforms/offscreen styles/windowsvista; do
    (
        mkdir -p "src/plugins/$plugin"
        cd "src/plugins/$plugin"
        ../../../../bin/qmake -o Makefile "../../../../../src/src/plugins/$plugin/$(basename "$plugin").pro"
        make -j"$jobs" -s
        make -s install
    ) >>build.log 2>&1 || fail build.log
done
make -s sub-qmake-qmake-aux-pro-install_subtargets install_mkspecs install_syncqt >>build.log 2>&1 || fail build.log

# The licence texts that whoever passes these DLLs on must hand on with them:
# Qt's own (LGPL-3, and the GPL-3 it builds on) and Debian's copyright file of
# the source, which names the licence of every bundled third-party part; and
# which source it was, for those who must offer it.
mkdir -p "$qt_prefix/licenses"
cp ../src/LICENSE.LGPL3 ../src/LICENSE.GPL3 "$qt_prefix/licenses/"
cp ../src/debian/copyright "$qt_prefix/licenses/copyright"
(cd .. && ls qtbase-opensource-src_*.dsc) | sed 's/^\(.*\)_\(.*\)\.dsc$/\1 \2/' >"$qt_prefix/licenses/source"
cd /
rm -rf "$work"
echo "$qt_recipe" >"$qt_stamp"
echo "Qt 5 for MinGW: $qt_prefix ($(du -sh "$qt_prefix" | cut -f1), built in $((SECONDS - started)) s)" >&2
echo "$qt_prefix"
