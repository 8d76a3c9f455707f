#include "app/view/Surfaces.h"

#include "app/view/ApplicationShell.h"
#include "dashboard/view/BatteryView.h"
#include "dashboard/view/DashboardView.h"
#include "dashboard/view/OverviewView.h"
#include "history/view/HistorySettings.h"
#include "history/view/HistoryView.h"
#include "navigation/WindowOpener.h"
#include "platform/PlatformText.h"
#include "windows/view/AboutView.h"
#include "windows/view/SettingsView.h"
#include "windows/view/WelcomeView.h"

namespace voltmere::Surfaces {

DashboardPage *dashboardPage(DashboardSection section, Monitor &monitor)
{
    switch (section) {
    case DashboardSection::overview:
        return new OverviewView(monitor);
    case DashboardSection::battery:
        return new BatteryView(monitor);
    case DashboardSection::history:
        return new HistoryView(monitor);
    }
    return nullptr;
}

QWidget *historySettings(Monitor &monitor)
{
    return new HistorySettings(monitor);
}

void registerWindows(ApplicationShell &shell, Monitor &monitor)
{
    shell.registerWindow(WindowID::dashboard, [&monitor]() -> QWidget * {
        return DashboardView::createWindow(monitor,
                                           [&monitor](DashboardSection section) { return dashboardPage(section, monitor); });
    });
    shell.registerWindow(WindowID::settings,
                         [&monitor]() -> QWidget * { return SettingsView::createWindow(monitor, historySettings(monitor)); });
    shell.registerWindow(WindowID::welcome, [&monitor, &shell]() -> QWidget * {
        WelcomeView *welcome = WelcomeView::createWindow(monitor);
        // The hint follows the tray: it appears when none shows the program
        // and goes once one does.
        const auto hint = [welcome](bool missing) {
            welcome->setTrayHint(missing ? PlatformText::say(PlatformText::Name::noTrayHint) : QString());
        };
        hint(shell.trayMissing());
        QObject::connect(&shell, &ApplicationShell::trayMissingChanged, welcome, hint);
        return welcome;
    });
    shell.registerWindow(WindowID::about, [&monitor]() -> QWidget * { return AboutView::createWindow(monitor); });
}

} // namespace voltmere::Surfaces
