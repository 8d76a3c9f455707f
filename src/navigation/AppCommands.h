#pragma once

namespace voltmere {

class WindowOpener;

// The application-wide commands offered by the tray menu and the windows'
// menus. Main thread only.
namespace AppCommands {

// "About Voltmere": opens (or raises) the About window.
void showAbout(WindowOpener &opener);
// "Voltmere Help": opens the product website in the default browser; false
// when no browser took it.
bool openHelp();

} // namespace AppCommands

} // namespace voltmere
