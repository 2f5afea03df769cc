# vxcam's manual page, written by help2man from the tool's own --help and
# --version at build time, so it names exactly the options this vxcam has.
# vxcam.h2m adds what --help does not say (environment, see also).
# Installed gzipped, as Debian packages carry manual pages.
find_program(VXCAM_HELP2MAN help2man)
if(NOT VXCAM_HELP2MAN)
    message(STATUS "help2man not found: no manual page for vxcam (scripts/deps.sh installs it)")
    return()
endif()

set(_vxcam_man "${PROJECT_BINARY_DIR}/man/vxcam.1")
add_custom_command(
    OUTPUT "${_vxcam_man}.gz"
    # (A sanitized vxcam may not report leaks of its own into the page's build.)
    COMMAND "${CMAKE_COMMAND}" -E env ASAN_OPTIONS=detect_leaks=0
            "${VXCAM_HELP2MAN}" --no-info --section=1
            "--name=drive the vxCam_180d camera plug-in as a host does"
            "--include=${CMAKE_CURRENT_LIST_DIR}/vxcam.h2m" "--output=${_vxcam_man}" $<TARGET_FILE:vxcam>
    COMMAND gzip -9nf "${_vxcam_man}"
    DEPENDS vxcam "${CMAKE_CURRENT_LIST_DIR}/vxcam.h2m"
    COMMENT "Writing vxcam's manual page from its --help"
    VERBATIM)
add_custom_target(vxcam_manpage ALL DEPENDS "${_vxcam_man}.gz")
install(FILES "${_vxcam_man}.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
