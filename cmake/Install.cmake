# What `cmake --install` lays out and CPack packages for a host integrator:
#
#   bin/vxcam                                   the reference host tool
#   lib/vxcamera/libvxCam_180d.so               the plug-in
#   lib/vxcamera/libMVSDKmd.so                  the camera SDK it needs, beside it
#   include/vxcamera/vxcameraobject.h           the host contract
#   lib/cmake/vxcamera/                         find_package(vxcamera CONFIG)
#   share/doc/vxcamera/                         README, docs/, BENCHMARKS.md, copyright, example
#                                               configuration, example host
#   share/man/man1/vxcam.1                      vxcam's manual page, written from its --help (not on Windows)
#
# On Windows the plug-in folder is bin/ (vxCam_180d.dll, MVSDKmd.dll beside
# vxcam.exe), with the runtime DLLs that a MinGW build needs, LICENSE at the
# top and the licence texts of those DLLs in licenses/.
#
# (lib/ is CMAKE_INSTALL_LIBDIR.) Every installed program finds its libraries
# relative to itself, so the tree works from any prefix and any working folder.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# Windows finds DLLs beside the program, so there the plug-in folder is bin/.
if(WIN32)
    set(_vxcam_plugindir "${CMAKE_INSTALL_BINDIR}")
else()
    set(_vxcam_plugindir "${CMAKE_INSTALL_LIBDIR}/vxcamera")
endif()
set(VXCAM_INSTALL_PLUGINDIR "${_vxcam_plugindir}"
    CACHE STRING "Folder of the install prefix for the plug-in and the camera SDK, relative to the prefix")
set(VXCAM_INSTALL_CMAKEDIR "${CMAKE_INSTALL_LIBDIR}/cmake/vxcamera")
set(VXCAM_INSTALL_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}/vxcamera")

# The plug-in folder as seen from bin/, for vxcam's run path and plug-in search.
file(RELATIVE_PATH _vxcam_bin_to_plugins
    "${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}" "${CMAKE_INSTALL_PREFIX}/${VXCAM_INSTALL_PLUGINDIR}")
if(_vxcam_bin_to_plugins STREQUAL "")
    set(_vxcam_bin_to_plugins ".")
endif()

# The plug-in loads the SDK from its own folder; a Qt outside the system
# folders stays found through the link path.
# (On Windows, no import libraries: the host loads the plug-in by name.)
install(TARGETS vxCam_180d MVSDKmd
    LIBRARY DESTINATION "${VXCAM_INSTALL_PLUGINDIR}"
    RUNTIME DESTINATION "${VXCAM_INSTALL_PLUGINDIR}"
    ARCHIVE DESTINATION "${CMAKE_INSTALL_LIBDIR}" EXCLUDE_FROM_ALL)
set_target_properties(vxCam_180d MVSDKmd PROPERTIES
    INSTALL_RPATH "$ORIGIN"
    INSTALL_RPATH_USE_LINK_PATH ON)

if(TARGET vxcam)
    install(TARGETS vxcam RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
    set_target_properties(vxcam PROPERTIES
        INSTALL_RPATH "$ORIGIN/${_vxcam_bin_to_plugins}"
        INSTALL_RPATH_USE_LINK_PATH ON)
    # Beside the tool first (the build tree), then the installed plug-in folder.
    target_compile_definitions(vxcam_host PRIVATE VXCAM_PLUGIN_DIR_FROM_BIN="${_vxcam_bin_to_plugins}")
endif()

# The contract header and the CMake package around it.
get_target_property(_vxcam_plugin_prefix vxCam_180d PREFIX)
set(VXCAM_PLUGIN_FILE_NAME "${_vxcam_plugin_prefix}vxCam_180d${CMAKE_SHARED_LIBRARY_SUFFIX}")
install(FILES "${PROJECT_SOURCE_DIR}/src/vxcamera/contract/vxcameraobject.h"
    DESTINATION "${VXCAM_INSTALL_INCLUDEDIR}")
set_target_properties(vxcamera_contract PROPERTIES EXPORT_NAME contract)
install(TARGETS vxcamera_contract EXPORT vxcameraTargets INCLUDES DESTINATION "${VXCAM_INSTALL_INCLUDEDIR}")
install(EXPORT vxcameraTargets NAMESPACE vxcamera:: DESTINATION "${VXCAM_INSTALL_CMAKEDIR}")
configure_package_config_file(
    "${CMAKE_CURRENT_LIST_DIR}/vxcameraConfig.cmake.in"
    "${PROJECT_BINARY_DIR}/vxcameraConfig.cmake"
    INSTALL_DESTINATION "${VXCAM_INSTALL_CMAKEDIR}"
    PATH_VARS VXCAM_INSTALL_PLUGINDIR)
write_basic_package_version_file("${PROJECT_BINARY_DIR}/vxcameraConfigVersion.cmake"
    COMPATIBILITY SameMajorVersion)
install(FILES "${PROJECT_BINARY_DIR}/vxcameraConfig.cmake" "${PROJECT_BINARY_DIR}/vxcameraConfigVersion.cmake"
    DESTINATION "${VXCAM_INSTALL_CMAKEDIR}")

if(WIN32 AND MINGW)
    include("${CMAKE_CURRENT_LIST_DIR}/WindowsRuntime.cmake")
endif()
include("${CMAKE_CURRENT_LIST_DIR}/Licenses.cmake")
# The documentation keeps the source tree's layout (README.md beside docs/ and
# examples/), so that its relative links work where it is installed.
install(FILES "${PROJECT_SOURCE_DIR}/README.md" "${PROJECT_SOURCE_DIR}/BENCHMARKS.md"
              "${PROJECT_BINARY_DIR}/copyright"
    DESTINATION "${CMAKE_INSTALL_DOCDIR}")
install(DIRECTORY "${PROJECT_SOURCE_DIR}/docs/" DESTINATION "${CMAKE_INSTALL_DOCDIR}/docs")
install(FILES "${PROJECT_SOURCE_DIR}/examples/virtual-cameras.json" DESTINATION "${CMAKE_INSTALL_DOCDIR}/examples")
install(FILES "${PROJECT_SOURCE_DIR}/examples/minimal-host/CMakeLists.txt"
              "${PROJECT_SOURCE_DIR}/examples/minimal-host/main.cpp"
    DESTINATION "${CMAKE_INSTALL_DOCDIR}/examples/minimal-host")

if(TARGET vxcam AND NOT CMAKE_CROSSCOMPILING)
    include("${CMAKE_CURRENT_LIST_DIR}/ManPage.cmake")
endif()

set(CPACK_PACKAGE_NAME "vxcamera")
set(CPACK_PACKAGE_VENDOR "vxcamera developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Dahua camera plug-in vxCam_180d for the vx machine-vision host")
# (Lines of at most 80 characters, as Debian's description field wants them.)
set(CPACK_PACKAGE_DESCRIPTION "The camera plug-in, the camera SDK library MVSDKmd with its virtual camera
system, the reference host tool vxcam, and the host contract header with its
CMake package.")
set(CPACK_STRIP_FILES ON)

if(WIN32)
    # A ZIP of the same tree: unpack anywhere, run bin/vxcam.exe.
    set(CPACK_GENERATOR "ZIP")
    set(CPACK_PACKAGE_FILE_NAME "vxcamera-${PROJECT_VERSION}-win64")
    include(CPack)
    return()
endif()

# The Debian package of the same tree.
set(CPACK_GENERATOR "DEB")
set(VXCAM_PACKAGE_MAINTAINER "vxcamera developers <vxcamera@example.org>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT "${VXCAM_PACKAGE_MAINTAINER}")
# A Debian package carries its changelog, compressed as Debian policy asks.
configure_file("${CMAKE_CURRENT_LIST_DIR}/changelog.in" "${PROJECT_BINARY_DIR}/debian/changelog" @ONLY)
execute_process(COMMAND gzip -9nf "${PROJECT_BINARY_DIR}/debian/changelog" RESULT_VARIABLE _vxcam_gzip)
if(NOT _vxcam_gzip EQUAL 0)
    message(FATAL_ERROR "cannot compress ${PROJECT_BINARY_DIR}/debian/changelog")
endif()
install(FILES "${PROJECT_BINARY_DIR}/debian/changelog.gz" DESTINATION "${CMAKE_INSTALL_DOCDIR}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "libs")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
# dpkg-shlibdeps writes Depends from what the binaries link (Qt 5 Core, Aravis
# when built with it, the C and C++ runtimes, with versions): a name listed here
# as well would stand twice. The plug-in folder holds the package's own libraries.
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "usr/${VXCAM_INSTALL_PLUGINDIR}")
include(CPack)
