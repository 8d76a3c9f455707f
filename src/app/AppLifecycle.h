#pragma once

class QCoreApplication;

namespace voltmere {

class Monitor;

// How the running program ends: Quit, SIGTERM, SIGINT and the end of the
// session all leave the event loop, and leaving it stops `monitor`, which
// writes the stop event and waits for the history to be written.
namespace AppLifecycle {

void stopMonitorOnQuit(QCoreApplication &app, Monitor &monitor);

} // namespace AppLifecycle

} // namespace voltmere
