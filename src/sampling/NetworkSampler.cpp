#include "sampling/NetworkSampler.h"

namespace voltmere {

NetworkSampler::NetworkSampler(std::unique_ptr<NetworkInterfaceSource> source, const Clock &clock)
    : m_source(std::move(source))
    , m_clock(clock)
{
}

bool NetworkSampler::isCounted(const InterfaceRecord &record)
{
    if (!(record.flags & InterfaceRecord::flagUp) || (record.flags & InterfaceRecord::flagLoopback)) {
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
    std::uint64_t in = 0;
    std::uint64_t out = 0;
    for (const InterfaceRecord &record : *records) {
        if (isCounted(record)) {
            in += record.inBytes; // wraps like the counters
            out += record.outBytes;
        }
    }
    if (const auto rates = m_rate.update(in, out, m_clock.awakeNanoseconds())) {
        return NetworkReading { rates->first, rates->second };
    }
    return std::nullopt;
}

} // namespace voltmere
