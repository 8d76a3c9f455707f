#include "sampling/DiskSampler.h"

namespace voltmere {

DiskSampler::DiskSampler(std::unique_ptr<BlockDeviceSource> source, const Clock &clock)
    : m_source(std::move(source))
    , m_clock(clock)
{
}

std::optional<DiskReading> DiskSampler::sample()
{
    const auto devices = m_source ? m_source->read() : std::nullopt;
    if (!devices || devices->empty()) {
        return std::nullopt;
    }
    std::uint64_t read = 0;
    std::uint64_t written = 0;
    bool anyStatistics = false;
    for (const auto &device : *devices) {
        if (!device) {
            continue;
        }
        // Unsigned sums wrap like the counters themselves; a missing counter adds nothing.
        read += device->bytesRead.value_or(0);
        written += device->bytesWritten.value_or(0);
        anyStatistics = true;
    }
    if (!anyStatistics) {
        return std::nullopt;
    }
    if (const auto rates = m_rate.update(read, written, m_clock.awakeNanoseconds())) {
        return DiskReading { rates->first, rates->second };
    }
    return std::nullopt;
}

} // namespace voltmere
