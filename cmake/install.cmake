# What `cmake --install` puts on a machine: the runner and its tools, the manual page
# and the desktop entry that lets a file manager open game files with the runner.
include(GNUInstallDirs)
install(TARGETS zorvex zorvex-pack zorvex-dump RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/docs/zorvex.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${PROJECT_SOURCE_DIR}/data/zorvex.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/zorvex-game.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
