#pragma once

#include "MonitorHarness.h"

namespace voltmere::test {

// A Monitor over fakes for tests of what sits on top of the Monitor (shell,
// routing, panel); not started unless a test starts it.
using TestMonitor = MonitorHarness;

} // namespace voltmere::test
