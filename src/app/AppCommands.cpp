#include "app/AppCommands.h"

#include "app/AppInfo.h"
#include "app/WindowOpener.h"

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
