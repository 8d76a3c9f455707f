# `make package`: a Debian package of the program with its desktop entry,
# icons, AppStream description and manual page (see install.cmake).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME voltmere)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Voltmere developers")
set(VOLTMERE_PACKAGE_MAINTAINER "The Voltmere developers <maintainers@voltmere.app>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT "${VOLTMERE_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "battery, CPU and memory at a glance from the system tray")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "battery, CPU and memory at a glance from the system tray
 Voltmere lives in the system tray and answers three questions at a glance:
 is the battery charging, what is using CPU and memory, and does anything
 need attention. It records every reading in a local history, with charts
 and CSV export, sends one notification when the plugged-in battery reaches
 a chosen level, and never uses the network.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://voltmere.app/")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
# The entry's Exec line names the installed program, so the staged install
# must see the final prefix, not the staging folder.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
# Libraries the binary links come from dpkg-shlibdeps; what it only loads or
# uses at run time is named here: the icon theme its icons install into and
# fonts for its text; Wayland sessions need Qt's Wayland platform.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The history's gap query uses window functions, which the library's symbol
# versions cannot tell apart.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsqlite3-0 (>= 3.25)")
# GNOME, Debian's default desktop, shows no tray icons without the
# AppIndicator extension; a desktop whose panel already hosts StatusNotifier
# items satisfies the alternative without pulling GNOME Shell in.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "hicolor-icon-theme, fonts-noto-core | fonts-dejavu-core, qt6-wayland, \
gnome-shell-extension-appindicator | plasma-workspace | xfce4-statusnotifier-plugin | xfce4-indicator-plugin \
| mate-panel | budgie-core | lxqt-panel | waybar")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
