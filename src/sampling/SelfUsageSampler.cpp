#include "sampling/SelfUsageSampler.h"

#include <sys/resource.h>

namespace voltmere {

SelfUsageSampler::SelfUsageSampler(const Clock &clock)
    : m_clock(clock)
{
}

std::optional<SelfUsageSampler::Usage> SelfUsageSampler::sample()
{
    const double seconds = cpuSeconds();
    const std::uint64_t t = m_clock.awakeNanoseconds();
    std::optional<Usage> usage;
    if (m_last && m_last->time < t) {
        const double elapsed = static_cast<double>(t - m_last->time) / 1e9;
        usage = Usage{(seconds - m_last->cpu) / elapsed * 100.0, seconds - m_last->cpu};
    }
    m_last = Point{seconds, t};
    return usage;
}

double SelfUsageSampler::cpuSeconds()
{
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0) {
        return 0;
    }
    return static_cast<double>(usage.ru_utime.tv_sec) + static_cast<double>(usage.ru_utime.tv_usec) / 1e6 +
           static_cast<double>(usage.ru_stime.tv_sec) + static_cast<double>(usage.ru_stime.tv_usec) / 1e6;
}

} // namespace voltmere
