#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace voltmere {

// One process's identity and accumulated CPU time.
struct ProcessTimes {
    std::uint64_t start = 0; // start time in the platform's units; only compared for equality
    std::uint64_t cpuNanoseconds = 0; // user + system CPU time
};

class ProcessTableSource {
public:
    virtual ~ProcessTableSource() = default;
    // Writes up to ids.size() process ids into `ids` and returns how many
    // processes exist (which may be more than fit). Absent on failure.
    virtual std::optional<std::size_t> listProcessIds(std::span<std::int32_t> ids) = 0;
    // Absent when the process is gone or unreadable.
    virtual std::optional<ProcessTimes> times(std::int32_t pid) = 0;
    // Path of the executable; empty when unavailable.
    virtual std::string executablePath(std::int32_t pid) = 0;
    // The kernel's short name of the process; empty when unavailable.
    virtual std::string shortName(std::int32_t pid) = 0;
    // The command line the process was started with, program first; empty
    // when unavailable (or on platforms that do not hand it out).
    virtual std::vector<std::string> arguments(std::int32_t) { return {}; }
};

} // namespace voltmere
