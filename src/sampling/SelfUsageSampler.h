#pragma once

#include "platform/Clock.h"

#include <cstdint>
#include <optional>

namespace voltmere {

// This program's own CPU cost between two calls, on the awake clock.
// Runs on the sampling queue only.
class SelfUsageSampler {
public:
    struct Usage {
        double percent = 0; // per-core percent over the awake time since the previous call
        double seconds = 0; // CPU seconds used since the previous call
    };

    explicit SelfUsageSampler(const Clock &clock);

    // Absent on the first call; the baseline survives the engine's reset.
    std::optional<Usage> sample();

    // User plus system CPU seconds of this process since it started.
    static double cpuSeconds();

private:
    struct Point {
        double cpu = 0;
        std::uint64_t time = 0;
    };

    const Clock &m_clock;
    std::optional<Point> m_last;
};

} // namespace voltmere
