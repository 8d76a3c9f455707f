#pragma once

#include <cstdint>
#include <optional>

namespace voltmere {

// Raw memory figures as the kernel publishes them. Each is absent when the
// kernel did not deliver it; nothing here is validated yet.
struct MemoryCounters {
    std::optional<std::uint64_t> totalBytes; // installed memory usable by the system
    std::optional<std::uint64_t> availableBytes; // what could be handed out without swapping
    std::optional<std::uint64_t> swapTotalBytes;
    std::optional<std::uint64_t> swapFreeBytes;
    // Memory stall: share of the last 10 s in which some / all runnable tasks
    // waited for memory, in percent. Absent on kernels without pressure stall
    // information.
    std::optional<double> stallSomePercent;
    std::optional<double> stallFullPercent;
};

class MemoryCounterSource {
public:
    virtual ~MemoryCounterSource() = default;
    virtual MemoryCounters read() = 0;
};

} // namespace voltmere
