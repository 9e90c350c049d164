# What `cmake --install` puts on a system and how CPack makes a Debian package of it.
include(GNUInstallDirs)

set(SELVANA_APP_ID it.selvana.selvanam)

install(TARGETS selvanam RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET selvanam-cli)
    install(TARGETS selvanam-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/${SELVANA_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/src/ui/icons/logo.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps
        RENAME ${SELVANA_APP_ID}.png)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/${SELVANA_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(SELVANA_PACKAGE_MAINTAINER "Selvana M developers <selvanam@invalid>"
    CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME selvanam)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "programmer for Selvana M radio alarm transmitters")
set(CPACK_PACKAGE_DESCRIPTION "Reads, edits and writes the 64-byte configuration memory of \
Selvana M one-way radio alarm transmitters over a serial port. Italian user interface.")
set(CPACK_PACKAGE_CONTACT "${SELVANA_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps derives Depends from the libraries the programs link (Qt, libstdc++, libc); the
# xcb and offscreen window plugins come with libqt6gui6.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The register's SQL drivers are plugins Qt loads at run time, unseen by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6sql6-psql")
include(CPack)
