#pragma once

#include "model/DashboardSection.h"
#include "navigation/WindowOpener.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace voltmere {

class Monitor;

// Interprets the program's own "voltmere:" addresses:
//   voltmere://open[/overview|/battery|/history]  opens the dashboard there
//   voltmere://panel                               drops down the tray panel
// Scheme and host are compared exactly, case included; anything else is
// ignored without a word. Main thread only.
namespace URLRouter {

struct Route {
    enum class Kind { ignore, panel, open };
    Kind kind = Kind::ignore;
    // For `open`: the section named by the first path component, absent when
    // there is none or it names no section (the dashboard keeps its section).
    std::optional<DashboardSection> section;
    bool operator==(const Route &) const = default;
};

// Splits an address into what it asks for, without acting on it.
Route parse(const QString &url);

// The window opener, absent until the tray label first shows (or a test
// installs one). Not owned.
WindowOpener *openWindow();
void setOpenWindow(WindowOpener *opener);
// The shell that can activate the app and click the tray icon. Not owned.
ShellActions *shell();
void setShell(ShellActions *shell);

// Acts on one address: sets the monitor's section and clears its overview
// anchor, opens the dashboard when a window opener exists, activates the app.
void handle(const QString &url, Monitor &monitor);
void handle(const QString &url);
// Several addresses from one open request, in the order given.
void handleAll(const QStringList &urls, Monitor &monitor);

// Shows the panel the tray icon shows; does nothing without a shell.
void clickStatusItem();

} // namespace URLRouter

} // namespace voltmere
