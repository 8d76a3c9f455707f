#include "sampling/CPUSampler.h"

#include <limits>

namespace voltmere {

CPUSampler::CPUSampler(std::unique_ptr<CPUTickSource> source)
    : m_source(std::move(source))
{
}

std::uint64_t CPUSampler::tickDelta(std::uint64_t previous, std::uint64_t current)
{
    const std::uint64_t delta = current - previous; // wraps by definition
    return delta > std::numeric_limits<std::uint64_t>::max() / 2 ? 0 : delta;
}

bool CPUSampler::steppedBack(std::uint64_t previous, std::uint64_t current)
{
    return current - previous > std::numeric_limits<std::uint64_t>::max() / 2;
}

std::optional<CPUReading> CPUSampler::sample()
{
    const std::optional<CPUTicks> now = m_source ? m_source->read() : std::nullopt;
    if (!now) {
        return std::nullopt; // keep the baseline: the next good read still has one
    }
    if (!m_last) {
        m_last = now;
        return std::nullopt;
    }
    // A CPU going offline takes its idle time out of the summed line (the
    // kernel falls back to a count tickless idle never advanced), so the
    // summed idle steps back. Measured against the old baseline that tick
    // would read as fully busy; there is no honest figure for it.
    if (steppedBack(m_last->user, now->user) || steppedBack(m_last->system, now->system)
        || steppedBack(m_last->idle, now->idle) || steppedBack(m_last->nice, now->nice)) {
        m_last = now;
        return std::nullopt;
    }
    const auto u = static_cast<double>(tickDelta(m_last->user, now->user));
    const auto s = static_cast<double>(tickDelta(m_last->system, now->system));
    const auto i = static_cast<double>(tickDelta(m_last->idle, now->idle));
    const auto n = static_cast<double>(tickDelta(m_last->nice, now->nice));
    m_last = now;
    const double total = u + s + i + n;
    if (total <= 0) {
        return std::nullopt;
    }
    // Nice time is user time that was deprioritised: it is busy and user.
    return CPUReading { (u + s + n) / total * 100.0, (u + n) / total * 100.0, s / total * 100.0 };
}

void CPUSampler::resetBaseline()
{
    m_last.reset();
}

} // namespace voltmere
