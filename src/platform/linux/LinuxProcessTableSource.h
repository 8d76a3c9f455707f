#pragma once

#include "platform/ProcessTableSource.h"

#include <string>

namespace voltmere {

// Processes from <root>/proc: the numeric folders are the ids; stat gives
// user and system time and the start time (clock ticks since boot), exe the
// executable, comm the short name. CPU time is converted from clock ticks to
// nanoseconds so it shares a unit with the awake clock.
class LinuxProcessTableSource final : public ProcessTableSource {
public:
    // `ticksPerSecond` 0 means the system's USER_HZ.
    explicit LinuxProcessTableSource(std::string root = "/", long ticksPerSecond = 0);

    std::optional<std::size_t> listProcessIds(std::span<std::int32_t> ids) override;
    std::optional<ProcessTimes> times(std::int32_t pid) override;
    std::string executablePath(std::int32_t pid) override;
    std::string shortName(std::int32_t pid) override;
    std::vector<std::string> arguments(std::int32_t pid) override;

private:
    // "<root>/proc/<pid>/<leaf>" built in a reused buffer.
    const char *pidPath(std::int32_t pid, const char *leaf);

    std::string m_procPath;
    std::uint64_t m_nanosecondsPerTick;
    std::string m_path;
};

} // namespace voltmere
