#include "platform/PlatformReaders.h"

#include <unistd.h>

namespace voltmere {

SamplingEngine::Readers makePlatformReaders()
{
    SamplingEngine::Readers readers;
    return readers;
}

double activeProcessorCount()
{
    const long online = sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? static_cast<double>(online) : 1.0;
}

} // namespace voltmere
