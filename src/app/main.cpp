#include "app/TerminationSignals.h"
#include "monitor/Monitor.h"

#include <QApplication>

#include <cstdlib>

int main(int argc, char **argv)
{
    // Without a display the program still samples and records; it just has
    // nothing to draw on.
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Voltmere"));
    QApplication::setApplicationName(QStringLiteral("Voltmere"));
    QApplication::setApplicationVersion(QStringLiteral(VOLTMERE_VERSION));
    // A tray program: closing its last window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    voltmere::TerminationSignals::install();
    voltmere::Monitor &monitor = voltmere::Monitor::shared();
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &monitor, [&monitor] { monitor.stop(); });
    monitor.start();
    return app.exec();
}
