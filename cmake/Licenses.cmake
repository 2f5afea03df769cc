# The copyright file (Debian's machine-readable format) of the install tree
# and both packages: the project's MIT licence, its text taken from LICENSE,
# and on Windows the paragraphs that WindowsRuntime.cmake set in
# VXCAM_COPYRIGHT_EXTRA for the DLLs the ZIP carries. The ZIP also carries
# LICENSE itself at its top.
file(READ "${PROJECT_SOURCE_DIR}/LICENSE" _vxcam_license)
# The text after the title and the copyright line, one space in, "." for an
# empty line.
string(REGEX REPLACE "^[^\n]*\n\n[^\n]*\n\n" "" _vxcam_license "${_vxcam_license}")
string(REGEX REPLACE "\n+$" "" _vxcam_license "${_vxcam_license}")
string(REPLACE "\n\n" "\n.\n" _vxcam_license "${_vxcam_license}")
string(REPLACE "\n" "\n " VXCAM_LICENSE_BODY " ${_vxcam_license}")
if(NOT DEFINED VXCAM_COPYRIGHT_EXTRA)
    set(VXCAM_COPYRIGHT_EXTRA "")
endif()
configure_file("${CMAKE_CURRENT_LIST_DIR}/copyright.in" "${PROJECT_BINARY_DIR}/copyright" @ONLY)
if(WIN32)
    install(FILES "${PROJECT_SOURCE_DIR}/LICENSE" DESTINATION .)
endif()
