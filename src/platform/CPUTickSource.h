#pragma once

#include <cstdint>
#include <optional>

namespace voltmere {

// Machine-wide CPU time counters since boot, in the platform's ticks. The
// four buckets are what the CPU load is computed from; how the platform's
// own categories fold into them is the source's business.
struct CPUTicks {
    std::uint64_t user = 0;
    std::uint64_t system = 0;
    std::uint64_t idle = 0;
    std::uint64_t nice = 0;
};

class CPUTickSource {
public:
    virtual ~CPUTickSource() = default;
    // Absent when the counters cannot be read.
    virtual std::optional<CPUTicks> read() = 0;
};

} // namespace voltmere
