# What `cmake --install` puts where (GNU directories under the prefix), and the Debian package
# that `cpack -G DEB` makes of the same files (scripts/package.sh).
include(GNUInstallDirs)

set(TARNWICK_APP_ID io.github.kestrum.Tarnwick)
set(TARNWICK_DATA ${CMAKE_CURRENT_SOURCE_DIR}/data)

install(TARGETS tarnwick-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Debian keeps manual pages compressed; gzip -n leaves no time stamp, so the file is the same
# in every build.
add_custom_command(
    OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/tarnwick-cli.1.gz
    COMMAND gzip -9 -n -c ${TARNWICK_DATA}/tarnwick-cli.1 > ${CMAKE_CURRENT_BINARY_DIR}/tarnwick-cli.1.gz
    DEPENDS ${TARNWICK_DATA}/tarnwick-cli.1
    VERBATIM)
add_custom_target(tarnwick_manpage ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/tarnwick-cli.1.gz)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/tarnwick-cli.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

if(TARNWICK_BUILD_GUI)
    install(TARGETS tarnwick RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${TARNWICK_DATA}/${TARNWICK_APP_ID}.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${TARNWICK_DATA}/${TARNWICK_APP_ID}.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    install(FILES ${TARNWICK_DATA}/icons/${TARNWICK_APP_ID}.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    # The PNG sizes are made from the SVG by scripts/make-icons.sh.
    foreach(size 16 22 24 32 48 64 128 256)
        install(FILES ${TARNWICK_DATA}/icons/${size}x${size}/${TARNWICK_APP_ID}.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
endif()

set(TARNWICK_MAINTAINER "kestrum <kestrum@users.noreply.github.com>"
    CACHE STRING "The Maintainer line of the Debian package")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarnwick)
set(CPACK_PACKAGE_VENDOR kestrum)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TARNWICK_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Depends: the package of every library the programs load, found by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# A Japanese font (without one every character is a box), Qt's own texts in Japanese, and a
# keyring for saved passwords.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, qt6-translations-l10n, gnome-keyring")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "two-pane FTP client with a Japanese interface")
# Below the summary; CPack indents the lines and marks the empty one.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Tarnwick shows a folder of an FTP server beside a folder of this computer and
copies files and whole folders between them, in text or binary mode, over
plain FTP or FTP over TLS. Interrupted transfers are resumed, and saved server
profiles keep their passwords in the desktop keyring.

tarnwick-cli runs the same file commands from scripts.")
include(CPack)
