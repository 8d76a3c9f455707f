#include "app/AppLifecycle.h"

#include "app/TerminationSignals.h"
#include "monitor/Monitor.h"

#include <QCoreApplication>

namespace voltmere::AppLifecycle {

void stopMonitorOnQuit(QCoreApplication &app, Monitor &monitor)
{
    TerminationSignals::install();
    // The monitor is the context: a monitor destroyed first is not called.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &monitor, [&monitor] { monitor.stop(); });
}

} // namespace voltmere::AppLifecycle
