# Windows (MinGW): what the programs need beside them that a Windows machine
# lacks, and the licence texts that must go with it.
#
#   bin/Qt5Core.dll, and for vxcam's pictures and live view Qt5Gui.dll and Qt5Widgets.dll
#   bin/platforms/qwindows.dll, qoffscreen.dll   Qt Gui's platform plug-ins: a desktop; no display
#   bin/styles/qwindowsvistastyle.dll            the native look of the live view's widgets
#   bin/libstdc++-6.dll, libgcc_s_seh-1.dll, libwinpthread-1.dll   the MinGW runtime
#   licenses/Qt/        LICENSE.LGPL3, LICENSE.GPL3, copyright: kept with the Qt build
#                       (scripts/deps_windows.sh) from its source
#   licenses/gcc/       copyright of the Debian package that holds the GCC runtime DLLs, GPL-3
#   licenses/mingw-w64/ copyright of the Debian package that holds libwinpthread-1.dll
#   bin/libtiff.dll, bin/zlib1.dll, and with the Aravis back end
#   bin/libaravis-0.8-0.dll and the GLib, libffi, PCRE2, libxml2 and libusb
#   DLLs and bin/arv-tool-0.8.exe; licenses/<source>/ for each (Debian's
#   copyright file, the texts and the source's name)
#
# Sets VXCAM_COPYRIGHT_EXTRA, the copyright file's paragraphs for these files.
# An MSVC build leaves all this to windeployqt and the Visual C++
# redistributable.

# _vxcam_qt_file(VAR TARGET): the file of an imported Qt target.
function(_vxcam_qt_file var target)
    if(NOT TARGET ${target})
        message(FATAL_ERROR "This Qt for MinGW lacks ${target}; build it with scripts/deps_windows.sh")
    endif()
    get_target_property(_file ${target} IMPORTED_LOCATION_RELEASE)
    if(NOT _file)
        get_target_property(_file ${target} LOCATION)
    endif()
    set(${var} "${_file}" PARENT_SCOPE)
endfunction()

# _vxcam_debian_copyright(PACKAGE_VAR COPYRIGHT_VAR FILE): the Debian package
# that installed FILE ("name version") and its copyright file.
function(_vxcam_debian_copyright package_var copyright_var file)
    execute_process(COMMAND dpkg-query -S "${file}" OUTPUT_VARIABLE _owner RESULT_VARIABLE _result
        ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
    # "name[:arch][, other]: path"
    string(REGEX MATCH "^[^:, ]+" _name "${_owner}")
    if(NOT _result EQUAL 0 OR NOT _name)
        message(FATAL_ERROR "No Debian package holds ${file}, so its licence is unknown")
    endif()
    execute_process(COMMAND dpkg-query -W -f=\${Version} "${_name}" OUTPUT_VARIABLE _version
        OUTPUT_STRIP_TRAILING_WHITESPACE)
    set(_copyright "/usr/share/doc/${_name}/copyright")
    if(NOT EXISTS "${_copyright}")
        message(FATAL_ERROR "${_name} (for ${file}) has no ${_copyright}")
    endif()
    set(${package_var} "${_name} ${_version}" PARENT_SCOPE)
    set(${copyright_var} "${_copyright}" PARENT_SCOPE)
endfunction()

# Qt: Core always; Gui and Widgets when vxcam was built with them.
set(_vxcam_qt_modules Core)
if(TARGET vxcam AND VXCAM_TOOL_PICTURES)
    list(APPEND _vxcam_qt_modules Gui)
endif()
if(TARGET vxcam AND VXCAM_TOOL_VIEW)
    list(APPEND _vxcam_qt_modules Widgets)
endif()
find_package(Qt5 5.15 REQUIRED COMPONENTS ${_vxcam_qt_modules})
foreach(_module IN LISTS _vxcam_qt_modules)
    _vxcam_qt_file(_dll Qt5::${_module})
    install(FILES "${_dll}" DESTINATION "${CMAKE_INSTALL_BINDIR}")
endforeach()
# Qt looks for its plug-ins in folders beside the program.
set(_vxcam_qt_plugins)
if(Gui IN_LIST _vxcam_qt_modules)
    list(APPEND _vxcam_qt_plugins platforms/QWindowsIntegrationPlugin platforms/QOffscreenIntegrationPlugin)
endif()
if(Widgets IN_LIST _vxcam_qt_modules)
    list(APPEND _vxcam_qt_plugins styles/QWindowsVistaStylePlugin)
endif()
foreach(_plugin IN LISTS _vxcam_qt_plugins)
    get_filename_component(_folder "${_plugin}" DIRECTORY)
    get_filename_component(_name "${_plugin}" NAME)
    _vxcam_qt_file(_dll Qt5::${_name})
    install(FILES "${_dll}" DESTINATION "${CMAKE_INSTALL_BINDIR}/${_folder}")
endforeach()

# Qt's licence texts, kept in the Qt prefix beside bin/.
_vxcam_qt_file(_vxcam_qtcore Qt5::Core)
get_filename_component(_vxcam_qt_licenses "${_vxcam_qtcore}/../../licenses" ABSOLUTE)
foreach(_file LICENSE.LGPL3 LICENSE.GPL3 copyright source)
    if(NOT EXISTS "${_vxcam_qt_licenses}/${_file}")
        message(FATAL_ERROR "${_vxcam_qt_licenses}/${_file} is missing; build Qt with scripts/deps_windows.sh")
    endif()
endforeach()
install(FILES "${_vxcam_qt_licenses}/LICENSE.LGPL3" "${_vxcam_qt_licenses}/LICENSE.GPL3"
              "${_vxcam_qt_licenses}/copyright"
    DESTINATION licenses/Qt)
file(STRINGS "${_vxcam_qt_licenses}/source" VXCAM_QT_SOURCE LIMIT_COUNT 1)

# The MinGW runtime, with the copyright files of the packages it came from.
foreach(_dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    find_file(VXCAM_RUNTIME_${_dll} ${_dll} PATHS ${VXCAM_MINGW_RUNTIME_DIRS} NO_DEFAULT_PATH
        NO_CMAKE_FIND_ROOT_PATH)
    if(NOT VXCAM_RUNTIME_${_dll})
        message(FATAL_ERROR "MinGW runtime ${_dll} not found in ${VXCAM_MINGW_RUNTIME_DIRS}")
    endif()
    install(FILES "${VXCAM_RUNTIME_${_dll}}" DESTINATION "${CMAKE_INSTALL_BINDIR}")
endforeach()
_vxcam_debian_copyright(VXCAM_GCC_RUNTIME_PACKAGE _vxcam_gcc_copyright "${VXCAM_RUNTIME_libstdc++-6.dll}")
_vxcam_debian_copyright(VXCAM_MINGW_RUNTIME_PACKAGE _vxcam_mingw_copyright
    "${VXCAM_RUNTIME_libwinpthread-1.dll}")
# GCC's copyright file leaves the GPL's text to Debian's common licences.
install(FILES "${_vxcam_gcc_copyright}" /usr/share/common-licenses/GPL-3 DESTINATION licenses/gcc)
install(FILES "${_vxcam_mingw_copyright}" DESTINATION licenses/mingw-w64)

file(READ "${CMAKE_CURRENT_LIST_DIR}/copyright-windows.in" VXCAM_COPYRIGHT_EXTRA)

# The C libraries of the camera SDK, from the MinGW build of
# scripts/deps_windows_libs.sh, each with the licence texts kept from its
# source: libtiff (replay cameras) and zlib always; with the Aravis back end
# also Aravis, GLib and what they use, and arv-tool-0.8.exe, which lists
# cameras and sets a camera's address from a Windows prompt.
if(NOT VXCAM_MINGW_LIBS_DIR)
    message(FATAL_ERROR "VXCAM_MINGW_LIBS_DIR is not set; run scripts/deps_windows_libs.sh")
endif()
set(_vxcam_sdk_dlls libtiff.dll zlib1.dll)
set(_vxcam_sdk_sources tiff zlib)
if(VXCAM_HAVE_ARAVIS)
    list(APPEND _vxcam_sdk_dlls libaravis-0.8-0.dll libgio-2.0-0.dll libglib-2.0-0.dll libgobject-2.0-0.dll
        libgmodule-2.0-0.dll libffi-8.dll libpcre2-8-0.dll libxml2-2.dll libusb-1.0.dll)
    list(APPEND _vxcam_sdk_sources aravis glib2.0 libffi pcre2 libxml2 libusb-1.0)
    install(PROGRAMS "${VXCAM_MINGW_LIBS_DIR}/bin/arv-tool-0.8.exe" DESTINATION "${CMAKE_INSTALL_BINDIR}")
endif()
foreach(_dll IN LISTS _vxcam_sdk_dlls)
    if(NOT EXISTS "${VXCAM_MINGW_LIBS_DIR}/bin/${_dll}")
        message(FATAL_ERROR "${VXCAM_MINGW_LIBS_DIR}/bin/${_dll} is missing; run scripts/deps_windows_libs.sh")
    endif()
    install(FILES "${VXCAM_MINGW_LIBS_DIR}/bin/${_dll}" DESTINATION "${CMAKE_INSTALL_BINDIR}")
endforeach()
foreach(_source IN LISTS _vxcam_sdk_sources)
    install(DIRECTORY "${VXCAM_MINGW_LIBS_DIR}/licenses/${_source}/" DESTINATION "licenses/${_source}")
    file(STRINGS "${VXCAM_MINGW_LIBS_DIR}/licenses/${_source}/source" _text LIMIT_COUNT 1)
    string(MAKE_C_IDENTIFIER "${_source}" _id)
    set(VXCAM_SOURCE_${_id} "${_text}")
endforeach()
if(VXCAM_HAVE_ARAVIS)
    file(READ "${CMAKE_CURRENT_LIST_DIR}/copyright-windows-aravis.in" _vxcam_aravis_copyright)
    string(APPEND VXCAM_COPYRIGHT_EXTRA "\n${_vxcam_aravis_copyright}")
endif()
string(CONFIGURE "${VXCAM_COPYRIGHT_EXTRA}" VXCAM_COPYRIGHT_EXTRA @ONLY)
