#pragma once

#include "platform/CPUTickSource.h"

#include <string>

namespace voltmere {

// CPU ticks from the first line of <root>/proc/stat.
class LinuxCPUTickSource final : public CPUTickSource {
public:
    explicit LinuxCPUTickSource(std::string root = "/");
    std::optional<CPUTicks> read() override;

private:
    std::string m_path;
    std::string m_buffer; // kept between ticks so a tick allocates nothing
};

} // namespace voltmere
