#include "sampling/ThroughputRate.h"

namespace voltmere {

std::optional<std::pair<double, double>> ThroughputRate::update(
    std::uint64_t first, std::uint64_t second, std::uint64_t awakeNanoseconds)
{
    std::optional<std::pair<double, double>> rates;
    if (m_last && awakeNanoseconds > m_last->time && first >= m_last->first && second >= m_last->second) {
        const double seconds = static_cast<double>(awakeNanoseconds - m_last->time) / 1e9;
        rates = std::pair { static_cast<double>(first - m_last->first) / seconds,
            static_cast<double>(second - m_last->second) / seconds };
    }
    m_last = Point { first, second, awakeNanoseconds };
    return rates;
}

} // namespace voltmere
