#include "sampling/MemorySampler.h"

#include <algorithm>

namespace voltmere {

namespace {

// Pressure levels on Linux. The kernel has no single "pressure level", so we
// combine two signals it does publish:
// - pressure stall information (/proc/pressure/memory): the share of the last
//   10 s in which tasks waited for memory. "some" means at least one task
//   stalled, "full" means every runnable task did (the machine made no
//   progress). A few percent of "some" is ordinary page-cache churn; ten
//   percent is felt as sluggishness; any sustained "full" stall is serious.
// - available memory (MemAvailable ÷ MemTotal): below 15 % the kernel is
//   reclaiming hard and swapping starts; below 5 % the OOM killer is close.
// Warning: some ≥ 10 %, or full ≥ 2 %, or available < 15 %.
// Critical: full ≥ 10 %, or available < 5 %.
// Either signal alone is enough (kernels without stall information, or a
// missing MemAvailable line); with neither the level is unknown.
constexpr double warningSomeStall = 10.0;
constexpr double warningFullStall = 2.0;
constexpr double criticalFullStall = 10.0;
constexpr std::int64_t warningAvailableLevel = 15;
constexpr std::int64_t criticalAvailableLevel = 5;

std::optional<double> difference(std::optional<std::uint64_t> total, std::optional<std::uint64_t> part)
{
    if (!total || !part) {
        return std::nullopt;
    }
    // The two lines are read at one moment but are separate counters; a part
    // above the total must not become a negative amount.
    return std::max(0.0, static_cast<double>(*total) - static_cast<double>(*part));
}

} // namespace

MemorySampler::MemorySampler(std::unique_ptr<MemoryCounterSource> source)
    : m_source(std::move(source))
{
}

std::optional<std::int64_t> MemorySampler::availableLevel(const MemoryCounters &counters)
{
    if (!counters.totalBytes || !counters.availableBytes || *counters.totalBytes == 0) {
        return std::nullopt;
    }
    // In doubles: a garbled huge available figure must not overflow the product.
    const double percent
        = static_cast<double>(*counters.availableBytes) / static_cast<double>(*counters.totalBytes) * 100.0;
    if (percent > 1e6) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(percent);
}

std::optional<double> MemorySampler::pressureFromLevel(std::optional<std::int64_t> level)
{
    if (!level || *level < 0 || *level > 100) {
        return std::nullopt;
    }
    return 100.0 - static_cast<double>(*level);
}

int MemorySampler::pressureCode(const MemoryCounters &counters, std::optional<std::int64_t> level)
{
    const bool levelKnown = level && *level >= 0 && *level <= 100;
    const bool stallKnown = counters.stallSomePercent || counters.stallFullPercent;
    if (!levelKnown && !stallKnown) {
        return 0;
    }
    const double some = counters.stallSomePercent.value_or(0);
    const double full = counters.stallFullPercent.value_or(0);
    if (full >= criticalFullStall || (levelKnown && *level < criticalAvailableLevel)) {
        return 4;
    }
    if (some >= warningSomeStall || full >= warningFullStall || (levelKnown && *level < warningAvailableLevel)) {
        return 2;
    }
    return 1;
}

MemoryReading MemorySampler::sample()
{
    MemoryCounters counters = m_source ? m_source->read() : MemoryCounters {};
    if (counters.totalBytes == 0u) {
        counters.totalBytes.reset(); // a machine without memory is a garbled file, not a figure
    }
    MemoryReading reading;
    const std::optional<std::int64_t> level = availableLevel(counters);
    reading.pressure = pressureFromLevel(level);
    reading.level = memoryPressureLevelFromRaw(pressureCode(counters, level));
    if (counters.totalBytes) {
        reading.total = static_cast<double>(*counters.totalBytes);
    }
    reading.used = difference(counters.totalBytes, counters.availableBytes);
    // Swap figures come as a pair: one without the other is not a reading.
    if (counters.swapTotalBytes && counters.swapFreeBytes) {
        reading.swapTotal = static_cast<double>(*counters.swapTotalBytes);
        reading.swapUsed = difference(counters.swapTotalBytes, counters.swapFreeBytes);
    }
    return reading;
}

} // namespace voltmere
