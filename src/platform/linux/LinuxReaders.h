#pragma once

#include "sampling/SamplingEngine.h"

#include <QDBusConnection>

#include <string>

namespace voltmere {

// Every reader over the Linux sources under `root` ("/" on the real
// machine, a fake tree in tests). The power-profiles daemon is asked on `bus`.
SamplingEngine::Readers makeLinuxReaders(const std::string &root, const Clock &clock, const QDBusConnection &bus);

} // namespace voltmere
