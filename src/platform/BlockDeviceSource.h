#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace voltmere {

// Cumulative byte counters of one whole storage device. A counter the
// platform did not deliver is absent.
struct BlockDeviceStatistics {
    std::optional<std::uint64_t> bytesRead;
    std::optional<std::uint64_t> bytesWritten;
    std::string name {}; // tells devices apart from tick to tick; may be empty
};

class BlockDeviceSource {
public:
    virtual ~BlockDeviceSource() = default;
    // One entry per storage device; an entry is absent when that device's
    // statistics could not be read. The whole list is absent when the
    // devices cannot be listed at all.
    virtual std::optional<std::vector<std::optional<BlockDeviceStatistics>>> read() = 0;
};

} // namespace voltmere
