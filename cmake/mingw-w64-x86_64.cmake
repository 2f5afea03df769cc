# Cross build for 64-bit Windows with Debian's MinGW-w64 (posix threads, for
# std::thread and std::mutex). Qt 5 for MinGW is looked for in
# VXCAM_QT_MINGW_DIR (cache variable or environment; scripts/deps_windows.sh
# builds it there). Programs built here run through Wine: CTest and
# gtest_discover_tests start them with scripts/wine_run.sh.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_vxcam_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_vxcam_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_vxcam_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${_vxcam_mingw}-windres)

if(NOT VXCAM_QT_MINGW_DIR AND DEFINED ENV{VXCAM_QT_MINGW_DIR})
    set(VXCAM_QT_MINGW_DIR "$ENV{VXCAM_QT_MINGW_DIR}")
endif()
set(VXCAM_QT_MINGW_DIR "${VXCAM_QT_MINGW_DIR}" CACHE PATH "Qt 5 built for MinGW-w64 (its install prefix)")
# The C libraries the SDK uses, built for MinGW (scripts/deps_windows_libs.sh):
# libtiff for replay cameras, and Aravis for the back end that is built when
# pkg-config finds it there.
if(NOT VXCAM_MINGW_LIBS_DIR AND DEFINED ENV{VXCAM_MINGW_LIBS_DIR})
    set(VXCAM_MINGW_LIBS_DIR "$ENV{VXCAM_MINGW_LIBS_DIR}")
endif()
set(VXCAM_MINGW_LIBS_DIR "${VXCAM_MINGW_LIBS_DIR}" CACHE PATH "Aravis and libtiff built for MinGW-w64 (their install prefix)")
# try_compile projects read the toolchain anew; hand the folders on to them.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VXCAM_QT_MINGW_DIR VXCAM_MINGW_LIBS_DIR)

set(CMAKE_FIND_ROOT_PATH /usr/${_vxcam_mingw} ${VXCAM_QT_MINGW_DIR} ${VXCAM_MINGW_LIBS_DIR})
# pkg-config looks only at the MinGW libraries, never at the build machine's.
set(ENV{PKG_CONFIG_PATH} "")
if(VXCAM_MINGW_LIBS_DIR)
    set(ENV{PKG_CONFIG_LIBDIR} "${VXCAM_MINGW_LIBS_DIR}/lib/pkgconfig")
else()
    set(ENV{PKG_CONFIG_LIBDIR} "/nonexistent")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
if(VXCAM_QT_MINGW_DIR)
    set(Qt5_DIR "${VXCAM_QT_MINGW_DIR}/lib/cmake/Qt5" CACHE PATH "")
endif()

# The MinGW runtime DLLs that every program here needs beside it.
set(VXCAM_MINGW_RUNTIME_DIRS /usr/lib/gcc/${_vxcam_mingw}/12-posix /usr/${_vxcam_mingw}/lib
    CACHE STRING "Folders of the MinGW runtime DLLs")

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine_run.sh)
