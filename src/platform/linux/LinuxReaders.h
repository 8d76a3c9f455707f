#pragma once

#include "sampling/SamplingEngine.h"

#include <string>

namespace voltmere {

// Every reader over the Linux sources under `root` ("/" on the real
// machine, a fake tree in tests). `askPowerProfiles` lets the power-profiles
// daemon on the system bus decide Low Power Mode.
SamplingEngine::Readers makeLinuxReaders(const std::string &root, const Clock &clock, bool askPowerProfiles);

} // namespace voltmere
