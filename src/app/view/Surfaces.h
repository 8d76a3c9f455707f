#pragma once

#include "model/DashboardSection.h"

class QWidget;

namespace voltmere {

class ApplicationShell;
class DashboardPage;
class Monitor;

// The one place that knows every surface: which page each dashboard section
// gets, which tab Settings shows for history, and which window each
// identifier opens. Main thread only.
namespace Surfaces {

DashboardPage *dashboardPage(DashboardSection section, Monitor &monitor);
// The History tab of Settings.
QWidget *historySettings(Monitor &monitor);
// Registers the dashboard, Settings, Welcome and About windows with `shell`.
void registerWindows(ApplicationShell &shell, Monitor &monitor);

} // namespace Surfaces

} // namespace voltmere
