# Warnings, message-log context and sanitizers for every target of the project.

# File, line and function go into every log record, whatever the build type.
add_compile_definitions(QT_MESSAGELOGCONTEXT QT_NO_FOREACH)

if(MSVC)
    # Sources are UTF-8; the C runtime's fopen stays (the dump files' contract).
    add_compile_options(/W4 /permissive- /Zc:__cplusplus /utf-8)
    add_compile_definitions(_CRT_SECURE_NO_WARNINGS)
    if(VXCAM_WERROR)
        add_compile_options(/WX)
    endif()
else()
    add_compile_options(-Wall -Wextra -Wpedantic -Wnon-virtual-dtor)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        add_compile_options(-Wshadow=local)
    endif()
    if(VXCAM_WERROR)
        add_compile_options(-Werror)
    endif()
endif()

if(VXCAM_SANITIZE)
    set(_vxcam_san_flags "")
    foreach(_san IN LISTS VXCAM_SANITIZE)
        list(APPEND _vxcam_san_flags "-fsanitize=${_san}")
    endforeach()
    list(APPEND _vxcam_san_flags -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_compile_options(${_vxcam_san_flags})
    add_link_options(${_vxcam_san_flags})
endif()
