# What Windows shows of the programs: the names the installer and the programs' version
# information give, and selvana_windows_resources(), which compiles a program's icon, version
# information and manifest into its .exe. Included by the programs' CMakeLists and by
# cmake/WindowsPackaging.cmake, so both read the same names.

set(SELVANA_WINDOWS_PRODUCT "Programmatore Selvana M")
set(SELVANA_WINDOWS_PUBLISHER "Selvana")
# The copyright line of LICENSE, as the licence says it.
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE SELVANA_WINDOWS_COPYRIGHT REGEX "^Copyright " LIMIT_COUNT 1)
if(NOT SELVANA_WINDOWS_COPYRIGHT)
    message(FATAL_ERROR "LICENSE: no line starting with \"Copyright \"")
endif()

function(selvana_windows_resources target description)
    set(logo ${PROJECT_SOURCE_DIR}/src/ui/icons/logo.png)
    set(template_dir ${PROJECT_SOURCE_DIR}/packaging/windows)
    # Windows takes a PNG as an icon's image as it is, so the logo becomes the icon with no
    # .ico made or kept: the group entry that points at it needs its size and its bytes.
    file(READ ${logo} png_size OFFSET 16 LIMIT 8 HEX)
    string(SUBSTRING "${png_size}" 0 8 width_hex)
    string(SUBSTRING "${png_size}" 8 8 height_hex)
    math(EXPR width "0x${width_hex}")
    math(EXPR height "0x${height_hex}")
    if(width GREATER 256 OR height GREATER 256)
        message(FATAL_ERROR "${logo}: an icon is at most 256 x 256 pixels, the logo is "
                            "${width} x ${height}")
    endif()
    # 256 is written as 0 in an icon's one-byte sizes.
    math(EXPR SELVANA_RC_ICON_SIZE "(${width} % 256) + ((${height} % 256) << 8)"
         OUTPUT_FORMAT HEXADECIMAL)
    file(SIZE ${logo} SELVANA_RC_ICON_BYTES)
    set(SELVANA_RC_ICON ${logo})

    set(SELVANA_RC_PROGRAM ${target})
    set(SELVANA_RC_DESCRIPTION "${description}")
    set(SELVANA_RC_VERSION_WORDS
        "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")
    set(SELVANA_RC_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest)
    configure_file(${template_dir}/program.manifest.in ${SELVANA_RC_MANIFEST} @ONLY)
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
    configure_file(${template_dir}/program.rc.in ${rc} @ONLY)
    # A new logo changes the sizes written above.
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${logo})
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${logo};${SELVANA_RC_MANIFEST}")
    target_sources(${target} PRIVATE ${rc})
endfunction()
