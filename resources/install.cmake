# The desktop entry makes the desktop hand "voltmere:" addresses to the
# program; the icons and the tray glyph go where icon themes look for them.
install(FILES ${CMAKE_SOURCE_DIR}/resources/voltmere.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
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
