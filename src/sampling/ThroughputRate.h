#pragma once

#include <cstdint>
#include <optional>
#include <utility>

namespace voltmere {

// The rate rule shared by the disk and network readers: two cumulative byte
// sums become bytes per second over the awake time since the previous call.
class ThroughputRate {
public:
    // Rates for (first, second), or absent on the first call, when no awake
    // time passed, or when either sum went backwards (a device reset or
    // removed): then the new sums become the baseline and the next call
    // measures again. The sums always replace the baseline.
    std::optional<std::pair<double, double>> update(
        std::uint64_t first, std::uint64_t second, std::uint64_t awakeNanoseconds);
    void reset() { m_last.reset(); }
    bool hasBaseline() const { return m_last.has_value(); }

private:
    struct Point {
        std::uint64_t first = 0;
        std::uint64_t second = 0;
        std::uint64_t time = 0;
    };
    std::optional<Point> m_last;
};

} // namespace voltmere
