# What `cmake --install` puts on a machine: the runner and its tools, their manual
# pages, and the desktop entry, icon and file type that let a file manager open game
# files with the runner. `cpack -G DEB` wraps the same files in a Debian package.
include(GNUInstallDirs)
install(TARGETS zorvex zorvex-pack zorvex-dump RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/docs/zorvex.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${PROJECT_SOURCE_DIR}/docs/zorvex-pack.1 ${PROJECT_SOURCE_DIR}/docs/zorvex-dump.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/data/zorvex.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/zorvex-game.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${PROJECT_SOURCE_DIR}/data/zorvex.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_PACKAGE_NAME zorvex)
set(CPACK_PACKAGE_VENDOR "Zorvex Runner developers")
set(CPACK_PACKAGE_CONTACT "Zorvex Runner developers <zorvex@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "plays 2D games compiled into one data file")
set(CPACK_PACKAGE_DESCRIPTION
    "The runner plays a game packed into one data file, in a window or headless, and comes with zorvex-pack (a project folder to a data file) and zorvex-dump (what a data file holds).")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
# Libraries linked in are found by dpkg-shlibdeps; the GL drivers (software rendering for
# headless runs included) and libcurl (opened on a game's first HTTP request) are loaded
# at run time, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libegl1, libgl1, libegl-mesa0, libgl1-mesa-dri, libcurl4")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")
include(CPack)
