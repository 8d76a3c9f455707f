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

// The toolkit platform to start on, given the values of QT_QPA_PLATFORM,
// DISPLAY and WAYLAND_DISPLAY (null when unset); null leaves the toolkit's
// own choice. A platform the user chose stands. Without any display, the
// offscreen one: the program still samples and records. On a Wayland session
// that also offers X11 (XWayland), X11: a Wayland client cannot place its own
// windows, so only there does the panel drop from where the tray was clicked.
const char *displayPlatform(const char *chosen, const char *x11Display, const char *waylandDisplay);

// Whether a toolkit message announces that the display connection is gone
// and the process is about to exit.
bool isDisplayLost(const char *message);

} // namespace AppLifecycle

} // namespace voltmere
