# What `cmake --install` puts on a system and how CPack makes a Debian package of it.
include(GNUInstallDirs)

set(SELVANA_APP_ID it.selvana.selvanam)
set(SELVANA_PACKAGE selvanam)
# Debian's folder of a package's licence and changelog, named after the package.
set(SELVANA_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/${SELVANA_PACKAGE})
set(packaging_out ${PROJECT_BINARY_DIR}/packaging)

install(TARGETS selvanam RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET selvanam-cli)
    install(TARGETS selvanam-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
# Stripped as Debian strips programs: without the compilers' identification either.
install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
        foreach(program selvanam selvanam-cli)
            set(file \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${program}\")
            if(EXISTS \"\${file}\")
                execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment
                                        --remove-section=.note \"\${file}\"
                                COMMAND_ERROR_IS_FATAL ANY)
            endif()
        endforeach()
    endif()")
install(FILES ${PROJECT_SOURCE_DIR}/packaging/selvanam.lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ${SELVANA_PACKAGE})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/${SELVANA_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/src/ui/icons/logo.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps
        RENAME ${SELVANA_APP_ID}.png)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/${SELVANA_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The newest entry of packaging/changelog names the package's version, which must be the
# project's, and its maintainer, so the two never disagree.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog changelog_lines)
list(GET changelog_lines 0 changelog_head)
if(NOT changelog_head MATCHES "^${SELVANA_PACKAGE} \\(([^)]+)\\) ")
    message(FATAL_ERROR "packaging/changelog: the first line is not a Debian changelog entry")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "packaging/changelog: the newest entry is ${CMAKE_MATCH_1}, the project "
                        "is ${PROJECT_VERSION}; add an entry for ${PROJECT_VERSION}")
endif()
foreach(line IN LISTS changelog_lines)
    if(line MATCHES "^ -- (.+ <[^>]+>)  ")
        set(SELVANA_PACKAGE_MAINTAINER "${CMAKE_MATCH_1}")
        break()
    endif()
endforeach()
if(NOT SELVANA_PACKAGE_MAINTAINER)
    message(FATAL_ERROR "packaging/changelog: the newest entry has no maintainer line")
endif()

# Debian's machine-readable copyright file, carrying the repository's LICENSE word for word.
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE license_lines)
set(copyright_text "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: ${SELVANA_PACKAGE}
Upstream-Contact: ${SELVANA_PACKAGE_MAINTAINER}

Files: *
Copyright: 2026 Selvana
License: proprietary\n")
foreach(line IN LISTS license_lines)
    if(line STREQUAL "")
        string(APPEND copyright_text " .\n")
    else()
        string(APPEND copyright_text " ${line}\n")
    endif()
endforeach()
file(CONFIGURE OUTPUT ${packaging_out}/copyright CONTENT "${copyright_text}" @ONLY)
install(FILES ${packaging_out}/copyright DESTINATION ${SELVANA_DOC_DIR})

# Compressed as Debian wants it: the best compression, no name or time stamp inside.
find_program(SELVANA_GZIP gzip)
if(SELVANA_GZIP)
    add_custom_command(
        OUTPUT ${packaging_out}/changelog.gz
        COMMAND ${SELVANA_GZIP} -9n -c ${PROJECT_SOURCE_DIR}/packaging/changelog
                > ${packaging_out}/changelog.gz
        DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog)
    add_custom_target(selvana_changelog ALL DEPENDS ${packaging_out}/changelog.gz)
    install(FILES ${packaging_out}/changelog.gz DESTINATION ${SELVANA_DOC_DIR})
endif()

# Manual pages made from each program's own --help and --version at build time, so they say
# what the programs say.
option(SELVANA_MAN_PAGES "Make the manual pages from the programs' help (needs help2man, gzip)" OFF)
if(SELVANA_MAN_PAGES)
    find_program(SELVANA_HELP2MAN help2man REQUIRED)
    if(NOT SELVANA_GZIP)
        message(FATAL_ERROR "SELVANA_MAN_PAGES needs gzip")
    endif()
    function(selvana_man_page target summary)
        set(page ${packaging_out}/man/${target}.1)
        # The help names per-user folders: with HOME set to "~" it shows them as every user
        # reads them, not as the build machine's.
        add_custom_command(
            OUTPUT ${page}.gz
            COMMAND ${CMAKE_COMMAND} -E make_directory ${packaging_out}/man
            COMMAND ${CMAKE_COMMAND} -E env --unset=XDG_DATA_HOME --unset=XDG_CONFIG_HOME HOME=~
                    ${SELVANA_HELP2MAN} --locale=C.UTF-8 --no-info --section=1 --name=${summary}
                    --output=${page} $<TARGET_FILE:${target}>
            COMMAND ${SELVANA_GZIP} -9nf ${page}
            DEPENDS ${target}
            VERBATIM)
        add_custom_target(${target}_man_page ALL DEPENDS ${page}.gz)
        install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    endfunction()
    selvana_man_page(selvanam "programmatore delle periferiche radio Selvana M")
    if(TARGET selvanam-cli)
        selvana_man_page(selvanam-cli
                         "programmatore a riga di comando delle periferiche radio Selvana M")
    endif()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${SELVANA_PACKAGE})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "programmer for Selvana M radio alarm transmitters")
# Lines of at most 79 characters, no double quotes; CPack indents them as the control file wants.
set(CPACK_PACKAGE_DESCRIPTION
    "Reads, edits and writes the 64-byte configuration memory of Selvana M one-way
radio alarm transmitters (peripherals) over a serial port.
selvanam is the editor window: it reads a peripheral's configuration, shows it
under the rules of its radio protocol and writes it back with a correct
checksum. selvanam-cli does the same from the command line, for one peripheral
or a batch, and shows configuration files. The user interface is in Italian.")
set(CPACK_PACKAGE_CONTACT "${SELVANA_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps derives Depends from the libraries the programs link (Qt, libstdc++, libc); the
# xcb and offscreen window plugins come with libqt6gui6.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The register's SQL drivers are plugins Qt loads at run time, unseen by dpkg-shlibdeps; the
# site sheet's face (DejaVu Sans, which its columns are measured for) is a file found by name.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6sql6-psql")
include(CPack)
