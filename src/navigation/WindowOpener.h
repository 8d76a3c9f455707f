#pragma once

#include <QString>

namespace voltmere {

// Identifiers of the windows the program opens on request.
namespace WindowID {
inline const QString dashboard = QStringLiteral("dashboard");
inline const QString welcome = QStringLiteral("welcome");
inline const QString about = QStringLiteral("about");
inline const QString settings = QStringLiteral("settings");
// The tray's drop-down panel, shown as a window where there is no tray.
inline const QString panel = QStringLiteral("panel");
} // namespace WindowID

// Opens the window with an identifier, or raises it when it is already open.
// Implemented by the window router of the UI; main thread only.
class WindowOpener {
public:
    virtual ~WindowOpener() = default;
    virtual void openWindow(const QString &identifier) = 0;
};

// What URL handling needs of the running application besides windows.
class ShellActions {
public:
    virtual ~ShellActions() = default;
    // Brings the application to the front.
    virtual void activateApp() = 0;
    // Shows the tray's panel as a click on the tray icon would.
    virtual void clickStatusItem() = 0;
};

} // namespace voltmere
