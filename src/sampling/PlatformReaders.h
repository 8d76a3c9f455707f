#pragma once

#include "sampling/SamplingEngine.h"

namespace voltmere {

// The readers of the running operating system, each over its real sources.
// Implemented once per platform backend.
SamplingEngine::Readers makePlatformReaders();

// Number of processor cores online now.
double activeProcessorCount();

} // namespace voltmere
