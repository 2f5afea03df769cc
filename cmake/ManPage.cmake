# vxcam's manual page, written by help2man from the tool's own --help and
# --version at build time (WriteManPage.cmake), so it names exactly the
# options and environment variables this vxcam has. vxcam.h2m adds what
# --help does not say (see also). Installed gzipped, as Debian packages carry
# manual pages.
find_program(VXCAM_HELP2MAN help2man)
if(NOT VXCAM_HELP2MAN)
    message(STATUS "help2man not found: no manual page for vxcam (scripts/deps.sh installs it)")
    return()
endif()

set(_vxcam_man "${PROJECT_BINARY_DIR}/man/vxcam.1")
add_custom_command(
    OUTPUT "${_vxcam_man}.gz"
    COMMAND "${CMAKE_COMMAND}" "-DHELP2MAN=${VXCAM_HELP2MAN}" "-DTOOL=$<TARGET_FILE:vxcam>"
            "-DINCLUDE=${CMAKE_CURRENT_LIST_DIR}/vxcam.h2m" "-DOUTPUT=${_vxcam_man}"
            -P "${CMAKE_CURRENT_LIST_DIR}/WriteManPage.cmake"
    DEPENDS vxcam "${CMAKE_CURRENT_LIST_DIR}/vxcam.h2m" "${CMAKE_CURRENT_LIST_DIR}/WriteManPage.cmake"
    COMMENT "Writing vxcam's manual page from its --help"
    VERBATIM)
add_custom_target(vxcam_manpage ALL DEPENDS "${_vxcam_man}.gz")
install(FILES "${_vxcam_man}.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
