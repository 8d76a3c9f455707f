#pragma once

#include "platform/CPUTickSource.h"
#include "sampling/Readers.h"

#include <memory>
#include <optional>

namespace voltmere {

// Machine-wide busy, user and system percentages over the interval since the
// previous call, from the cumulative tick counters. Runs on the sampling
// queue only.
class CPUSampler final : public CPULoadReader {
public:
    explicit CPUSampler(std::unique_ptr<CPUTickSource> source);

    // Absent on the first call (it only sets the baseline), when the counters
    // cannot be read, when no tick elapsed since the previous call, and when
    // a counter went backwards (a CPU went offline): the reading then
    // becomes the new baseline.
    std::optional<CPUReading> sample() override;
    void resetBaseline() override;

    // Ticks elapsed between two readings of one counter. Counters are unsigned
    // 64-bit: one that passed 2^64 still gives the small true difference. A
    // counter that went backwards would otherwise look like an almost full
    // wrap; a difference beyond half the range is taken as such a step back
    // and counts as 0.
    static std::uint64_t tickDelta(std::uint64_t previous, std::uint64_t current);
    // Whether `current` lies behind `previous` (beyond-half-range difference).
    static bool steppedBack(std::uint64_t previous, std::uint64_t current);

private:
    std::unique_ptr<CPUTickSource> m_source;
    std::optional<CPUTicks> m_last;
};

} // namespace voltmere
