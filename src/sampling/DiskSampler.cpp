#include "sampling/DiskSampler.h"

#include <string>

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
    bool anyStatistics = false;
    for (const auto &device : *devices) {
        anyStatistics = anyStatistics || device.has_value();
    }
    if (!anyStatistics) {
        return std::nullopt; // the device baselines stay as they were
    }
    m_deltas.begin();
    for (std::size_t i = 0; i < devices->size(); ++i) {
        if (const auto &device = (*devices)[i]) {
            // A missing counter adds nothing. A source without names is told
            // apart by position.
            m_deltas.add(device->name.empty() ? std::to_string(i) : device->name, device->bytesRead.value_or(0),
                         device->bytesWritten.value_or(0));
        }
    }
    const DeviceDeltas::Sums sums = m_deltas.finish();
    if (sums.wentBack) {
        m_rate.reset();
    }
    if (const auto rates = m_rate.update(sums.first, sums.second, m_clock.awakeNanoseconds())) {
        return DiskReading { rates->first, rates->second };
    }
    return std::nullopt;
}

} // namespace voltmere
