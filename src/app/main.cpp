#include "app/AppLifecycle.h"
#include "app/CommandLine.h"
#include "app/SingleInstance.h"
#include "app/TerminationSignals.h"
#include "app/view/ApplicationShell.h"
#include "app/view/Surfaces.h"
#include "menubar/view/MenuBarPanel.h"
#include "menubar/view/MenuBarTray.h"
#include "monitor/Monitor.h"
#include "navigation/URLRouter.h"

#include <QApplication>
#include <QSystemTrayIcon>
#include <QTimer>

#include <cstdlib>

int main(int argc, char **argv)
{
    using namespace voltmere;
    // Terminal commands run before anything claims the single instance or
    // starts sampling, and need no display.
    if (const std::optional<int> status = CommandLine::runIfAsked(argc, argv)) {
        return *status;
    }
    // Without a display the program still samples and records; it just has
    // nothing to draw on.
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Voltmere"));
    QApplication::setApplicationName(QStringLiteral("Voltmere"));
    QApplication::setApplicationVersion(QStringLiteral(VOLTMERE_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("voltmere"));
    // A tray program: closing its last window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    // A signal from the moment the single-instance socket exists must end in
    // a clean quit (the loop serves it once it runs), never the default death.
    TerminationSignals::install();

    // One instance per user: a second launch (for example the desktop
    // opening a voltmere: address) passes its addresses on and ends.
    const QStringList launchUrls = SingleInstance::urlsFromArguments(QApplication::arguments());
    SingleInstance instance;
    if (instance.claim(launchUrls) == SingleInstance::Role::handedOver) {
        return 0;
    }

    Monitor &monitor = Monitor::shared();
    AppLifecycle::stopMonitorOnQuit(app, monitor);
    monitor.start();

    ApplicationShell shell(monitor);
    // The tray's drop-down; where there is no tray it opens as a small
    // window at the top-right corner of the screen.
    shell.registerWindow(WindowID::panel, [&monitor, &shell]() -> QWidget * {
        return MenuBarPanel::createWindow(monitor, &shell, [&shell]() -> std::optional<QRect> {
            if (shell.tray() && shell.tray()->icon() && shell.tray()->icon()->isVisible()) {
                const QRect where = shell.tray()->icon()->geometry();
                if (!where.isEmpty()) {
                    return where;
                }
            }
            return std::nullopt;
        });
    });
    Surfaces::registerWindows(shell, monitor);
    shell.start();
    QObject::connect(&instance, &SingleInstance::urlsReceived, &shell,
                     [&monitor](const QStringList &urls) { URLRouter::handleAll(urls, monitor); });
    QTimer::singleShot(0, &shell, [&monitor, launchUrls] { URLRouter::handleAll(launchUrls, monitor); });
    return app.exec();
}
