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
    const char *platform = AppLifecycle::displayPlatform(std::getenv("QT_QPA_PLATFORM"), std::getenv("DISPLAY"),
                                                         std::getenv("WAYLAND_DISPLAY"));
    if (platform) {
        setenv("QT_QPA_PLATFORM", platform, 1);
    }
    QApplication app(argc, argv);
    // The choice is this program's; what it starts (a browser for Help)
    // chooses for itself.
    if (platform) {
        unsetenv("QT_QPA_PLATFORM");
    }
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
    // opening a voltmere: address) passes its addresses on and ends. One with
    // no address (the app grid, a terminal) shows the running program's
    // panel, as launching a tray program again does; where the desktop has
    // no tray that is the only way to see it.
    const QStringList launchUrls = SingleInstance::urlsFromArguments(QApplication::arguments());
    SingleInstance instance;
    const QStringList handedOver = launchUrls.isEmpty() ? QStringList{QStringLiteral("voltmere://panel")} : launchUrls;
    if (instance.claim(handedOver) == SingleInstance::Role::handedOver) {
        return 0;
    }

    Monitor &monitor = Monitor::shared();
    AppLifecycle::stopMonitorOnQuit(app, monitor);
    monitor.start();

    ApplicationShell shell(monitor);
    // The tray's drop-down, next to where the tray was last clicked (the
    // top-right corner of the screen until a tray gave a point); where no
    // tray shows the program, an ordinary window.
    shell.registerWindow(WindowID::panel, [&monitor, &shell]() -> QWidget * {
        return MenuBarPanel::createWindow(monitor, &shell, [&shell] {
            const MenuBarTray *tray = shell.tray();
            MenuBarPanel::Presentation presentation{tray && tray->isShown(), std::nullopt};
            if (tray && tray->anchor()) {
                presentation.anchor = QRect(*tray->anchor(), QSize(1, 1));
            }
            return presentation;
        });
    });
    Surfaces::registerWindows(shell, monitor);
    shell.start();
    QObject::connect(&instance, &SingleInstance::urlsReceived, &shell,
                     [&monitor](const QStringList &urls) { URLRouter::handleAll(urls, monitor); });
    QTimer::singleShot(0, &shell, [&monitor, launchUrls] { URLRouter::handleAll(launchUrls, monitor); });
    return app.exec();
}
