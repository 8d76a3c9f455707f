#include "sampling/NetworkSampler.h"

namespace voltmere {

NetworkSampler::NetworkSampler(std::unique_ptr<NetworkInterfaceSource> source, const Clock &clock)
    : m_source(std::move(source))
    , m_clock(clock)
{
}

bool NetworkSampler::isCounted(const InterfaceRecord &record)
{
    if (!(record.flags & InterfaceRecord::flagUp) || (record.flags & InterfaceRecord::flagLoopback) || !record.physical) {
        return false;
    }
    for (const std::string_view prefix : excludedPrefixes) {
        if (std::string_view(record.name).starts_with(prefix)) {
            return false;
        }
    }
    return true;
}

std::optional<NetworkReading> NetworkSampler::sample()
{
    const auto records = m_source ? m_source->read() : std::nullopt;
    if (!records) {
        return std::nullopt;
    }
    m_deltas.begin();
    for (const InterfaceRecord &record : *records) {
        if (isCounted(record)) {
            m_deltas.add(record.name, record.inBytes, record.outBytes);
        }
    }
    const DeviceDeltas::Sums sums = m_deltas.finish();
    if (sums.wentBack) {
        m_rate.reset();
    }
    if (const auto rates = m_rate.update(sums.first, sums.second, m_clock.awakeNanoseconds())) {
        return NetworkReading { rates->first, rates->second };
    }
    return std::nullopt;
}

} // namespace voltmere
