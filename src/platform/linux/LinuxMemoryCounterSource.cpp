#include "platform/linux/LinuxMemoryCounterSource.h"

#include "platform/linux/ProcText.h"
#include "platform/linux/SysRoot.h"

namespace voltmere {

LinuxMemoryCounterSource::LinuxMemoryCounterSource(std::string root)
    : m_meminfoPath(underRoot(root, "proc/meminfo"))
    , m_pressurePath(underRoot(root, "proc/pressure/memory"))
{
}

MemoryCounters LinuxMemoryCounterSource::read()
{
    MemoryCounters counters;
    if (proctext::readFile(m_meminfoPath, m_buffer)) {
        proctext::parseMeminfo(m_buffer, counters);
    }
    if (proctext::readFile(m_pressurePath, m_buffer)) {
        proctext::parseMemoryPressure(m_buffer, counters);
    }
    return counters;
}

} // namespace voltmere
