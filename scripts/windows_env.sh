# Folders of the Windows cross build, sourced by the scripts that need them.
#   VXCAM_QT_MINGW_DIR      Qt 5 built for MinGW (reused when its recipe matches)
#   VXCAM_MINGW_LIBS_DIR  the C libraries the SDK uses (Aravis, libtiff), built for MinGW (likewise)
#   VXCAM_WINEPREFIX        the Wine prefix the tests run in
vxcam_cache="${XDG_CACHE_HOME:-$HOME/.cache}/vxcamera"
export VXCAM_QT_MINGW_DIR="${VXCAM_QT_MINGW_DIR:-$vxcam_cache/qt5-mingw}"
export VXCAM_MINGW_LIBS_DIR="${VXCAM_MINGW_LIBS_DIR:-$vxcam_cache/mingw-libs}"
export VXCAM_WINEPREFIX="${VXCAM_WINEPREFIX:-$vxcam_cache/wine}"
unset vxcam_cache
