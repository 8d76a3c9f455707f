#pragma once

#include "platform/BlockDeviceSource.h"

#include <string>
#include <string_view>

namespace voltmere {

// Byte counters of the whole physical disks: the devices of <root>/sys/block
// that have a `device` link (backed by hardware or a hypervisor's disk) and
// are not loop, ram, device-mapper, md or zram devices, whose traffic is
// either counted again on the disk below or never reaches one. Counters come
// from <root>/proc/diskstats (sectors of 512 bytes).
class LinuxBlockDeviceSource final : public BlockDeviceSource {
public:
    explicit LinuxBlockDeviceSource(std::string root = "/");
    std::optional<std::vector<std::optional<BlockDeviceStatistics>>> read() override;

    static bool isVirtualDeviceName(std::string_view name);

private:
    std::string m_root;
    std::string m_blockPath;
    std::string m_diskstatsPath;
    std::string m_buffer;
};

} // namespace voltmere
