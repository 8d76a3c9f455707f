# The desktop entry makes the desktop hand "voltmere:" addresses to the
# program; the icons and the tray glyph go where icon themes look for them.
# The entry names the installed program by its full path, so it works even
# when the prefix is not on the session's PATH. It is written at install
# time, so `cmake --install --prefix` gets the right path too.
install(CODE "
  set(VOLTMERE_ENTRY_TEMPLATE \"${CMAKE_SOURCE_DIR}/resources/voltmere.desktop.in\")
  set(VOLTMERE_BINDIR \"${CMAKE_INSTALL_BINDIR}\")
  set(VOLTMERE_DATADIR \"${CMAKE_INSTALL_DATADIR}\")
")
install(SCRIPT ${CMAKE_SOURCE_DIR}/resources/InstallDesktopEntry.cmake)
install(FILES ${CMAKE_SOURCE_DIR}/resources/AppIconLight.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME voltmere.svg)
install(FILES ${CMAKE_SOURCE_DIR}/resources/AppIconDark.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME voltmere-dark.svg)
install(FILES ${CMAKE_SOURCE_DIR}/resources/MenuBarIconTemplate.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/status RENAME voltmere-symbolic.svg)
install(FILES ${CMAKE_SOURCE_DIR}/resources/AppIconLight.svg
              ${CMAKE_SOURCE_DIR}/resources/AppIconDark.svg
              ${CMAKE_SOURCE_DIR}/resources/MenuBarIconTemplate.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/voltmere)
# The AppStream description software centres show, the manual page and the
# screenshots the description refers to.
install(FILES ${CMAKE_SOURCE_DIR}/resources/app.voltmere.Voltmere.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_SOURCE_DIR}/resources/screenshots/panel-light.png
              ${CMAKE_SOURCE_DIR}/resources/screenshots/panel-dark.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/voltmere/screenshots)
# Debian keeps manual pages compressed, without a time stamp in the gzip
# header so that the package builds the same twice.
find_program(VOLTMERE_GZIP gzip REQUIRED)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/voltmere.1.gz
  COMMAND ${VOLTMERE_GZIP} -9n -c ${CMAKE_SOURCE_DIR}/resources/voltmere.1 > ${CMAKE_BINARY_DIR}/voltmere.1.gz
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/voltmere.1
  VERBATIM)
add_custom_target(voltmere_manpage ALL DEPENDS ${CMAKE_BINARY_DIR}/voltmere.1.gz)
install(FILES ${CMAKE_BINARY_DIR}/voltmere.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# Refresh the desktop's handler cache where the tool exists; an install
# without it still works once the desktop rescans. A staged install (a
# package being built) leaves that to the package manager's triggers, or the
# cache would end up inside the package.
install(CODE "
  find_program(update_desktop_database update-desktop-database)
  if(update_desktop_database AND \"\$ENV{DESTDIR}\" STREQUAL \"\")
    execute_process(COMMAND \${update_desktop_database} -q \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications\")
  endif()
")
