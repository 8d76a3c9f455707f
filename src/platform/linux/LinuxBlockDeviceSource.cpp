#include "platform/linux/LinuxBlockDeviceSource.h"

#include "platform/linux/ProcText.h"
#include "platform/linux/SysRoot.h"

#include <array>
#include <filesystem>
#include <map>

namespace voltmere {

LinuxBlockDeviceSource::LinuxBlockDeviceSource(std::string root)
    : m_root(std::move(root))
    , m_blockPath(underRoot(m_root, "sys/block"))
    , m_diskstatsPath(underRoot(m_root, "proc/diskstats"))
{
}

bool LinuxBlockDeviceSource::isVirtualDeviceName(std::string_view name)
{
    static constexpr std::array<std::string_view, 5> prefixes { "loop", "ram", "dm-", "md", "zram" };
    for (const std::string_view prefix : prefixes) {
        if (name.starts_with(prefix)) {
            return true;
        }
    }
    return false;
}

std::optional<std::vector<std::optional<BlockDeviceStatistics>>> LinuxBlockDeviceSource::read()
{
    namespace fs = std::filesystem;
    std::error_code error;
    fs::directory_iterator entries(m_blockPath, error);
    if (error) {
        return std::nullopt;
    }
    std::vector<std::string> disks;
    for (const fs::directory_entry &entry : entries) {
        std::string name = entry.path().filename().string();
        std::error_code linkError;
        if (!isVirtualDeviceName(name) && fs::exists(entry.path() / "device", linkError)) {
            disks.push_back(std::move(name));
        }
    }
    if (disks.empty()) {
        return std::vector<std::optional<BlockDeviceStatistics>> {};
    }

    std::map<std::string, BlockDeviceStatistics, std::less<>> counters;
    if (proctext::readFile(m_diskstatsPath, m_buffer)) {
        proctext::forEachDiskstatsLine(m_buffer, [&](std::string_view name, std::uint64_t read, std::uint64_t written) {
            // Sector counts × 512 wrap like any 64-bit counter; the rate rule copes.
            counters.insert_or_assign(std::string(name), BlockDeviceStatistics { read * 512, written * 512, std::string(name) });
        });
    }
    std::vector<std::optional<BlockDeviceStatistics>> result;
    result.reserve(disks.size());
    for (const std::string &disk : disks) {
        const auto found = counters.find(disk);
        result.push_back(found == counters.end() ? std::nullopt : std::optional(found->second));
    }
    return result;
}

} // namespace voltmere
