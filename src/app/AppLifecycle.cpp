#include "app/AppLifecycle.h"

#include "app/TerminationSignals.h"
#include "monitor/Monitor.h"

#include <QCoreApplication>
#include <QPointer>

#include <cstdlib>
#include <cstring>

namespace voltmere::AppLifecycle {

namespace {

QPointer<Monitor> stoppingMonitor;
QtMessageHandler previousHandler = nullptr;

void stopStoppingMonitor()
{
    if (Monitor *monitor = stoppingMonitor.data()) {
        monitor->stop();
    }
}

// The X11 and Wayland backends print one of these and then exit the process
// themselves (Wayland with _exit, which runs no exit handlers), so the
// message is the last moment at which the readings can still be saved.
void watchForDisplayLoss(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg) {
        if (isDisplayLost(message.toUtf8().constData())) {
            stopStoppingMonitor();
        }
    }
    if (previousHandler) {
        previousHandler(type, context, message);
    }
}

} // namespace

const char *displayPlatform(const char *chosen, const char *x11Display, const char *waylandDisplay)
{
    const auto set = [](const char *value) { return value && *value; };
    if (set(chosen)) {
        return nullptr;
    }
    if (!set(x11Display) && !set(waylandDisplay)) {
        return "offscreen";
    }
    if (set(x11Display) && set(waylandDisplay)) {
        return "xcb";
    }
    return nullptr;
}

bool isDisplayLost(const char *message)
{
    return std::strstr(message, "X11 connection broke") || std::strstr(message, "Wayland connection broke")
        || std::strstr(message, "Wayland connection experienced a fatal error");
}

void stopMonitorOnQuit(QCoreApplication &app, Monitor &monitor)
{
    TerminationSignals::install();
    const bool first = stoppingMonitor.isNull() && !previousHandler;
    stoppingMonitor = &monitor;
    if (first) {
        previousHandler = qInstallMessageHandler(watchForDisplayLoss);
        // Any other exit() that skips the event loop's end still saves.
        std::atexit(stopStoppingMonitor);
    }
    // The monitor is the context: a monitor destroyed first is not called.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &monitor, [&monitor] { monitor.stop(); });
}

} // namespace voltmere::AppLifecycle
