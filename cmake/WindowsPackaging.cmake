# The Windows programs' folder, as the installer and the portable zip ship it
# (scripts/windows/package.sh installs it into a staging folder with `cmake --install`): both
# programs at the top, the DLLs and Qt plugins they load beside them, Qt's paths file, the site
# sheet's font, the licence and a note for the user. Nothing else, since the installer's
# uninstaller removes exactly the files of this folder.
include(${CMAKE_CURRENT_LIST_DIR}/WindowsResources.cmake)
set(windows_packaging ${PROJECT_SOURCE_DIR}/packaging/windows)
set(windows_out ${PROJECT_BINARY_DIR}/packaging/windows)

install(TARGETS selvanam selvanam-cli RUNTIME DESTINATION .)

# The DLLs the programs and the plugins below import, from the cross-built Qt's prefix, where
# scripts/windows/build-deps.sh puts libpq, OpenSSL and the compiler's runtime too.
set(qt_bin ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS})
set(qt_plugins ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS})
set(windows_dlls
    # Qt: selvanam links all five, selvanam-cli all but Widgets.
    Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll Qt6Sql.dll Qt6SerialPort.dll
    # The PostgreSQL driver's client library (the shared register) and its TLS.
    libpq.dll libssl-3-x64.dll libcrypto-3-x64.dll
    # The compiler's C++ library, unwinder and threads, which every one of them imports.
    libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
set(windows_plugins
    # The window's platform; the command line's, for the site sheet without a display.
    platforms/qwindows.dll platforms/qoffscreen.dll
    # The register: a file of this computer, a shared server.
    sqldrivers/qsqlite.dll sqldrivers/qsqlpsql.dll
    # Windows' own look of buttons, lists and menus.
    styles/qwindowsvistastyle.dll)
# No image format plugin: the programs show only PNG images, which Qt reads by itself.
set(installed_dlls)
foreach(dll IN LISTS windows_dlls)
    install(FILES ${qt_bin}/${dll} DESTINATION .)
    list(APPEND installed_dlls ${dll})
endforeach()
foreach(plugin IN LISTS windows_plugins)
    get_filename_component(type ${plugin} DIRECTORY)
    install(FILES ${qt_plugins}/${plugin} DESTINATION ${type})
    list(APPEND installed_dlls ${plugin})
endforeach()
# `cmake --install --strip` strips the programs; the DLLs are stripped alike, since the
# compiler's runtime comes with its symbols (libstdc++-6.dll: 23 MB with them, 2 without).
install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
        foreach(dll ${installed_dlls})
            execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded
                                    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/\${dll}\"
                            COMMAND_ERROR_IS_FATAL ANY)
        endforeach()
    endif()")

# The plugins beside the programs, and the fonts folder, which the offscreen platform of
# selvanam-cli reads its fonts from (Qt's libraries folder, here the programs' own).
install(FILES ${windows_packaging}/qt.conf DESTINATION .)

# DejaVu Sans, whose widths the site sheet is laid out for, from the build machine's
# fonts-dejavu-core; its licence lets it be shipped with the program, with the licence.
set(SELVANA_DEJAVU_DIR /usr/share/fonts/truetype/dejavu CACHE PATH
    "Folder of DejaVuSans.ttf and DejaVuSans-Bold.ttf (Debian: fonts-dejavu-core)")
set(SELVANA_DEJAVU_LICENSE /usr/share/doc/fonts-dejavu-core/copyright CACHE FILEPATH
    "The licence of the DejaVu fonts (Debian: fonts-dejavu-core)")
foreach(file ${SELVANA_DEJAVU_DIR}/DejaVuSans.ttf ${SELVANA_DEJAVU_DIR}/DejaVuSans-Bold.ttf
             ${SELVANA_DEJAVU_LICENSE})
    if(NOT EXISTS ${file})
        message(FATAL_ERROR "${file} is missing: install fonts-dejavu-core")
    endif()
endforeach()
install(FILES ${SELVANA_DEJAVU_DIR}/DejaVuSans.ttf ${SELVANA_DEJAVU_DIR}/DejaVuSans-Bold.ttf
        DESTINATION fonts)
install(FILES ${SELVANA_DEJAVU_LICENSE} DESTINATION fonts RENAME LICENSE-DejaVu.txt)

# Texts for Windows' own editor: CRLF lines.
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${windows_out}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(${windows_packaging}/LEGGIMI.txt ${windows_out}/LEGGIMI.txt @ONLY
               NEWLINE_STYLE CRLF)
install(FILES ${windows_out}/LICENSE.txt ${windows_out}/LEGGIMI.txt DESTINATION .)

# The installer's names and version (packaging/windows/selvanam.nsi includes them).
file(CONFIGURE OUTPUT ${windows_out}/names.nsh CONTENT "\
!define SELVANA_PRODUCT \"${SELVANA_WINDOWS_PRODUCT}\"
!define SELVANA_PUBLISHER \"${SELVANA_WINDOWS_PUBLISHER}\"
!define SELVANA_COPYRIGHT \"${SELVANA_WINDOWS_COPYRIGHT}\"
!define SELVANA_VERSION \"${PROJECT_VERSION}\"
!define SELVANA_VERSION_WORDS \"${PROJECT_VERSION}.0\"
")
