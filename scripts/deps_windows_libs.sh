#!/usr/bin/env bash
# Builds the C libraries the camera SDK uses for MinGW-w64 (Aravis 0.8 with
# what it needs, and libtiff) from Debian's source packages, into a cache
# folder outside the clone, reused when it was built by this recipe:
#   $VXCAM_MINGW_LIBS_DIR (default ${XDG_CACHE_HOME:-$HOME/.cache}/vxcamera/mingw-libs)
#
#   zlib      Debian's libz-mingw-w64-dev (already built for MinGW)
#   libffi, PCRE2 (8-bit), libxml2 (no network, no iconv), libusb-1.0: autotools
#   libtiff (zlib's compression only; its Debian source has no configure): CMake
#   GLib, Aravis (GigE Vision and USB3 Vision): meson
#   libintl   a stand-in of our own (scripts/mingw/libintl.c): GLib wants
#             gettext's functions, and Aravis needs no translations
# Aravis comes from trixie's source package (bookworm's tarballs are gone from
# the archive); the others from the machine's own suite. The licence texts of
# each source go into the prefix's licenses/, beside a file naming the
# source package and version.
#
# Prints the prefix as its last line. Takes about 8 minutes on two cores.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=scripts/windows_env.sh
. "$root/scripts/windows_env.sh"
# shellcheck source=scripts/packages.sh
. "$root/scripts/packages.sh"

install_missing_packages g++-mingw-w64-x86-64-posix libz-mingw-w64-dev meson ninja-build cmake pkg-config \
    dpkg-dev curl python3

prefix="$VXCAM_MINGW_LIBS_DIR"
# Change the recipe's name whenever a source, an option or the files kept change.
recipe="mingw-libs 1: zlib libffi pcre2 libxml2 libusb glib aravis-0.8.34 tiff, libintl stand-in, licences"
stamp="$prefix/.vxcamera-libs-complete"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$recipe" ]; then
    echo "Aravis and libtiff for MinGW: $prefix (cached)" >&2
    echo "$prefix"
    exit 0
fi

host=x86_64-w64-mingw32
work="$prefix.build"
rm -rf "$work" "$prefix"
mkdir -p "$work" "$prefix/lib/pkgconfig" "$prefix/include" "$prefix/bin" "$prefix/licenses"
cd "$work"
started=$SECONDS
log="$work/build.log"
echo "Building Aravis and libtiff for MinGW in $work, installing into $prefix (log: $log)" >&2
fail() {
    tail -40 "$log" >&2
    echo "deps_windows_libs.sh: $1 failed; the whole log: $log" >&2
    exit 1
}
jobs="${VXCAM_JOBS:-$(nproc)}"

# Sources. A private apt state for trixie's source index, so the machine's own
# apt configuration stays as it is; the tarball is checked against the signed
# index's checksum.
apt-get source --download-only -qq glib2.0 libxml2 libffi pcre2=10.42-1 libusb-1.0 tiff >>"$log" 2>&1 ||
    fail "downloading Debian's sources"
mkdir -p apt/lists/partial apt/parts
cat >apt/parts/trixie.sources <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: trixie
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
apt_private=(-o Dir::Etc::sourcelist=/dev/null -o "Dir::Etc::sourceparts=$work/apt/parts"
    -o "Dir::State::Lists=$work/apt/lists")
apt-get "${apt_private[@]}" update -qq >>"$log" 2>&1 || fail "reading trixie's source index"
read -r aravis_uri aravis_file _ aravis_sum < <(apt-get "${apt_private[@]}" source --print-uris aravis=0.8.34-1 |
    tr -d "'" | grep '\.orig\.tar')
curl -fsSL -o "$aravis_file" "$aravis_uri" || fail "downloading $aravis_uri"
echo "${aravis_sum#SHA256:}  $aravis_file" | sha256sum -c --quiet || fail "checking $aravis_file"

for dsc in glib2.0_*.dsc libxml2_*.dsc libffi_*.dsc pcre2_*.dsc libusb-1.0_*.dsc tiff_*.dsc; do
    name="${dsc%%_*}"
    dpkg-source -x --no-check "$dsc" "src-$name" >>"$log" 2>&1 || fail "unpacking $dsc"
    # Debian's patches touch Makefile.am files (tests, documentation); the
    # generated build files shipped in the source are taken as they are, so
    # no autotools are needed.
    for generated in aclocal.m4 configure config.h.in Makefile.in; do
        find "src-$name" -name "$generated" -exec touch {} +
    done
    # The licence of the source, as Debian states it, and which source it was.
    mkdir -p "$prefix/licenses/$name"
    cp "src-$name/debian/copyright" "$prefix/licenses/$name/copyright"
    echo "${dsc%.dsc}" | tr _ ' ' >"$prefix/licenses/$name/source"
done
mkdir src-aravis
tar -xzf "$aravis_file" -C src-aravis --strip-components=1
mkdir -p "$prefix/licenses/aravis"
cp src-aravis/COPYING "$prefix/licenses/aravis/COPYING"
echo "aravis 0.8.34-1 (upstream tarball of Debian's source package)" >"$prefix/licenses/aravis/source"
cp src-libffi/LICENSE "$prefix/licenses/libffi/LICENSE"
cp src-pcre2/LICENCE "$prefix/licenses/pcre2/LICENCE"
cp src-libxml2/Copyright "$prefix/licenses/libxml2/Copyright"
cp src-glib2.0/COPYING "$prefix/licenses/glib2.0/COPYING"
cp src-libusb-1.0/COPYING "$prefix/licenses/libusb-1.0/COPYING"
cp src-tiff/LICENSE.md "$prefix/licenses/tiff/LICENSE.md"
mkdir -p "$prefix/licenses/zlib"
cp /usr/share/doc/libz-mingw-w64-dev/copyright "$prefix/licenses/zlib/copyright"
dpkg-query -W -f='libz-mingw-w64 ${Version}\n' libz-mingw-w64-dev >"$prefix/licenses/zlib/source"

export PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig"
export PKG_CONFIG_PATH=""
cc="$host-gcc-posix"
cxx="$host-g++-posix"

# zlib: Debian's build; pkg-config needs a file for it.
cp "/usr/$host/lib/zlib1.dll" "$prefix/bin/"
cat >"$prefix/lib/pkgconfig/zlib.pc" <<EOF
prefix=/usr/$host
libdir=\${prefix}/lib
includedir=\${prefix}/include
Name: zlib
Description: zlib compression library
Version: $(dpkg-query -W -f='${Version}' libz-mingw-w64-dev | sed 's/[-+].*//')
Libs: -L\${libdir} -lz
Cflags: -I\${includedir}
EOF

autotools() {
    local name="$1"
    shift
    echo "  $name" >&2
    # (&& throughout: errexit does not hold inside a command list tested with ||)
    (cd "src-$name" &&
        ./configure --host="$host" --prefix="$prefix" CC="$cc" CXX="$cxx" --enable-shared --disable-static "$@" &&
        make -j"$jobs" && make install) >>"$log" 2>&1 || fail "building $name"
}
autotools libffi --disable-docs --disable-multi-os-directory
autotools pcre2 --disable-pcre2grep-libz --disable-pcre2grep-libbz2 --disable-pcre2test-libreadline
autotools libxml2 --without-python --without-lzma --without-iconv --without-icu --without-http --without-ftp \
    --without-debug --with-zlib="/usr/$host"
autotools libusb-1.0
echo "  tiff" >&2
cmake -S src-tiff -B build-tiff -G Ninja -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_C_COMPILER="$cc" \
    -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_RC_COMPILER="$host-windres" -DCMAKE_FIND_ROOT_PATH="/usr/$host;$prefix" \
    -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY \
    -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=ON -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF \
    -Dtiff-docs=OFF -Dcxx=OFF -Djpeg=OFF -Dold-jpeg=OFF -Djbig=OFF -Dlerc=OFF -Dlzma=OFF -Dzstd=OFF -Dwebp=OFF \
    -Dlibdeflate=OFF -Dzlib=ON >>"$log" 2>&1 &&
    ninja -C build-tiff -j"$jobs" >>"$log" 2>&1 && ninja -C build-tiff install >>"$log" 2>&1 || fail "building tiff"

# libintl: the functions GLib calls, each giving back the message it was
# handed, as gettext does when no translation is installed.
echo "  libintl (stand-in)" >&2
cp "$root/scripts/mingw/libintl.h" "$prefix/include/libintl.h"
"$cc" -O2 -c "$root/scripts/mingw/libintl.c" -I"$prefix/include" -o libintl.o
"$host-ar" rcs "$prefix/lib/libintl.a" libintl.o

cat >cross.ini <<EOF
[binaries]
c = '$cc'
cpp = '$cxx'
ar = '$host-ar'
strip = '$host-strip'
windres = '$host-windres'
pkgconfig = 'pkg-config'

[properties]
pkg_config_libdir = '$prefix/lib/pkgconfig'

[built-in options]
c_args = ['-I$prefix/include']
c_link_args = ['-L$prefix/lib']
cpp_args = ['-I$prefix/include']
cpp_link_args = ['-L$prefix/lib']

[host_machine]
system = 'windows'
cpu_family = 'x86_64'
cpu = 'x86_64'
endian = 'little'
EOF
with_meson() {
    local name="$1"
    shift
    echo "  $name" >&2
    # Subprojects are never downloaded: every dependency is one built here.
    meson setup "build-$name" "src-$name" --cross-file cross.ini --prefix="$prefix" --buildtype=release \
        --wrap-mode=nodownload "$@" >>"$log" 2>&1 &&
        ninja -C "build-$name" -j"$jobs" >>"$log" 2>&1 &&
        ninja -C "build-$name" install >>"$log" 2>&1 || fail "building $name"
}
with_meson glib2.0 -Dtests=false -Dnls=disabled -Dman=false -Dgtk_doc=false -Dlibelf=disabled \
    -Dsysprof=disabled -Dinstalled_tests=false
with_meson aravis -Dviewer=disabled -Dgst-plugin=disabled -Dusb=enabled -Dpacket-socket=disabled -Dtests=false \
    -Dintrospection=disabled -Ddocumentation=disabled -Dfast-heartbeat=false

cd /
rm -rf "$work"
echo "$recipe" >"$stamp"
echo "Aravis and libtiff for MinGW: $prefix ($(du -sh "$prefix" | cut -f1), built in $((SECONDS - started)) s)" >&2
echo "$prefix"
