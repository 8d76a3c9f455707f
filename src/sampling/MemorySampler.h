#pragma once

#include "platform/MemoryCounterSource.h"
#include "sampling/Readers.h"

#include <memory>
#include <optional>

namespace voltmere {

// Memory pressure, pressure level, memory in use, installed memory and swap.
// Stateless apart from its source; runs on the sampling queue.
class MemorySampler final : public MemoryStatusReader {
public:
    explicit MemorySampler(std::unique_ptr<MemoryCounterSource> source);

    MemoryReading sample() override;

    // Whole percent of memory still available (available ÷ total × 100,
    // rounded down); absent without both figures or with a zero total.
    static std::optional<std::int64_t> availableLevel(const MemoryCounters &counters);
    // Pressure (0–100) from the available level: 100 − level when the level
    // lies in 0…100, absent otherwise.
    static std::optional<double> pressureFromLevel(std::optional<std::int64_t> level);
    // The kernel-style pressure code (1 normal, 2 warning, 4 critical) from
    // the stall figures and the available level; 0 when nothing is known.
    static int pressureCode(const MemoryCounters &counters, std::optional<std::int64_t> level);

private:
    std::unique_ptr<MemoryCounterSource> m_source;
};

} // namespace voltmere
