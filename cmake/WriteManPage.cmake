# cmake -DHELP2MAN=... -DTOOL=... -DINCLUDE=... -DOUTPUT=.../vxcam.1 -P WriteManPage.cmake
#
# Writes vxcam's manual page with help2man from the tool's --help and
# --version, keeps the usage lines of the description one a line (help2man
# would fill them into one paragraph), and compresses it to OUTPUT.gz.
get_filename_component(_folder "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${_folder}")
# (A sanitized vxcam must not report leaks of its own into the page's build.)
set(ENV{ASAN_OPTIONS} "detect_leaks=0")
execute_process(
    COMMAND "${HELP2MAN}" --no-info --section=1 "--name=drive the vxCam_180d camera plug-in as a host does"
            "--include=${INCLUDE}" "--output=${OUTPUT}" "${TOOL}"
    RESULT_VARIABLE _result)
if(NOT _result EQUAL 0)
    message(FATAL_ERROR "help2man failed on ${TOOL}")
endif()
file(READ "${OUTPUT}" _page)
string(REGEX REPLACE "\n\\.IP\n((vxcam [^\n]*\n)+)" "\n.IP\n.nf\n\\1.fi\n" _page "${_page}")
file(WRITE "${OUTPUT}" "${_page}")
execute_process(COMMAND gzip -9nf "${OUTPUT}" RESULT_VARIABLE _result)
if(NOT _result EQUAL 0)
    message(FATAL_ERROR "cannot compress ${OUTPUT}")
endif()
