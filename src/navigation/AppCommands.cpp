#include "navigation/AppCommands.h"

#include "navigation/AppInfo.h"
#include "navigation/WindowOpener.h"

#include <QDesktopServices>

namespace voltmere::AppCommands {

void showAbout(WindowOpener &opener)
{
    opener.openWindow(WindowID::about);
}

bool openHelp()
{
    return QDesktopServices::openUrl(AppInfo::website());
}

} // namespace voltmere::AppCommands
