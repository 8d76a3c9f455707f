#pragma once

#include "platform/MemoryCounterSource.h"

#include <string>

namespace voltmere {

// Memory figures from <root>/proc/meminfo and the memory stall figures from
// <root>/proc/pressure/memory (absent on kernels built without them).
class LinuxMemoryCounterSource final : public MemoryCounterSource {
public:
    explicit LinuxMemoryCounterSource(std::string root = "/");
    MemoryCounters read() override;

private:
    std::string m_meminfoPath;
    std::string m_pressurePath;
    std::string m_buffer;
};

} // namespace voltmere
