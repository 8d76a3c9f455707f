#pragma once

class QCoreApplication;

namespace voltmere {

class Monitor;

// How the running program ends: Quit, the session manager's quit, SIGTERM,
// SIGINT and SIGHUP (the end of a login session, a closed terminal) all
// leave the event loop, and leaving it stops `monitor`, which writes the
// stop event and waits for the history to be written. A display server that
// goes away ends the program inside the toolkit without leaving the loop;
// that path stops `monitor` too, before the process exits. SIGPIPE (a log
// reader that went away) is ignored. `monitor` stops once whichever way comes first.
namespace AppLifecycle {

void stopMonitorOnQuit(QCoreApplication &app, Monitor &monitor);

// Whether a toolkit message announces that the display connection is gone
// and the process is about to exit.
bool isDisplayLost(const char *message);

} // namespace AppLifecycle

} // namespace voltmere
