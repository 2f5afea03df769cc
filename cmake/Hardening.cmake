# Hardened binaries.
#
# Linux: the optimised build types (Release, RelWithDebInfo, MinSizeRel) take
# Debian's hardening flags as dpkg-buildflags gives them with every hardening
# feature on: _FORTIFY_SOURCE, the strong stack protector, format checks, and
# full RELRO with immediate binding (BIND_NOW). The optimisation and debugging
# flags stay the build type's. Sanitizer and fuzzing builds go without: the
# sanitizers bring checks of their own, and _FORTIFY_SOURCE hides calls from
# them.
#
# Windows (MinGW): address space layout randomisation with high-entropy
# addresses, and data execution prevention, asked for explicitly (the
# linker's defaults, which older linkers lack). MSVC's linker sets all three
# by default.
option(VXCAM_HARDENING "Build with the platform's hardening flags (optimised build types)" ON)
# Whether Debian's flags were applied (to the optimised build types): the
# package test checks the binaries for them then.
set(VXCAM_DEBIAN_HARDENING OFF)

if(NOT VXCAM_HARDENING OR VXCAM_SANITIZE OR VXCAM_BUILD_FUZZERS)
    return()
endif()

if(MINGW)
    add_link_options(LINKER:--dynamicbase LINKER:--high-entropy-va LINKER:--nxcompat)
    return()
endif()
if(WIN32 OR APPLE)
    return()
endif()

find_program(VXCAM_DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT VXCAM_DPKG_BUILDFLAGS)
    message(STATUS "Hardening: dpkg-buildflags not found, building without Debian's hardening flags")
    return()
endif()

# vxcam_hardening_flags(VAR KIND): dpkg-buildflags --get KIND, as a list.
function(vxcam_hardening_flags var kind)
    execute_process(
        COMMAND "${CMAKE_COMMAND}" -E env
                "DEB_BUILD_MAINT_OPTIONS=hardening=+all reproducible=-fixfilepath,-fixdebugpath"
                "DEB_CFLAGS_MAINT_STRIP=-g -O2" "DEB_CXXFLAGS_MAINT_STRIP=-g -O2"
                "${VXCAM_DPKG_BUILDFLAGS}" --get ${kind}
        OUTPUT_VARIABLE _flags OUTPUT_STRIP_TRAILING_WHITESPACE
        RESULT_VARIABLE _result)
    if(NOT _result EQUAL 0)
        message(FATAL_ERROR "dpkg-buildflags --get ${kind} failed")
    endif()
    separate_arguments(_flags UNIX_COMMAND "${_flags}")
    set(${var} ${_flags} PARENT_SCOPE)
endfunction()

vxcam_hardening_flags(_vxcam_cppflags CPPFLAGS)
vxcam_hardening_flags(_vxcam_cxxflags CXXFLAGS)
vxcam_hardening_flags(_vxcam_ldflags LDFLAGS)
list(JOIN _vxcam_cppflags " " _vxcam_shown)
foreach(_flags _vxcam_cxxflags _vxcam_ldflags)
    list(JOIN ${_flags} " " _flags)
    string(APPEND _vxcam_shown " ${_flags}")
endforeach()
message(STATUS "Hardening (optimised builds): ${_vxcam_shown}")

# _FORTIFY_SOURCE needs the optimiser; a Debug build would only warn.
set(_vxcam_optimised "$<OR:$<CONFIG:Release>,$<CONFIG:RelWithDebInfo>,$<CONFIG:MinSizeRel>>")
add_compile_options("$<${_vxcam_optimised}:${_vxcam_cppflags};${_vxcam_cxxflags}>")
add_link_options("$<${_vxcam_optimised}:${_vxcam_ldflags}>")
set(VXCAM_DEBIAN_HARDENING ON)
