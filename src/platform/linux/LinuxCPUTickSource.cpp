#include "platform/linux/LinuxCPUTickSource.h"

#include "platform/linux/ProcText.h"
#include "platform/linux/SysRoot.h"

namespace voltmere {

LinuxCPUTickSource::LinuxCPUTickSource(std::string root)
    : m_path(underRoot(root, "proc/stat"))
{
}

std::optional<CPUTicks> LinuxCPUTickSource::read()
{
    if (!proctext::readFile(m_path, m_buffer)) {
        return std::nullopt;
    }
    return proctext::parseCPUTicks(m_buffer);
}

} // namespace voltmere
