#pragma once

#include "platform/ProcessTableSource.h"

#include <string>
#include <unordered_map>

namespace voltmere {

// Processes from <root>/proc: the numeric folders are the ids; stat gives
// user and system time and the start time (clock ticks since boot), exe the
// executable, comm the short name. CPU time is converted from clock ticks to
// nanoseconds so it shares a unit with the awake clock.
//
// On a real procfs each listed process's stat file stays open from one tick
// to the next and is read again from its start: procfs writes the file anew
// on every read, and opening it by path is most of what a tick costs. An
// open stat file belongs to the process, not to its number, so a process
// that ended (or whose number was taken again) reads as an error and is
// opened afresh. Files of processes no longer listed are closed at the next
// listing; at most a quarter of the descriptor limit stays open. Not thread
// safe: one sampling thread owns a source.
class LinuxProcessTableSource final : public ProcessTableSource {
public:
    // `ticksPerSecond` 0 means the system's USER_HZ.
    explicit LinuxProcessTableSource(std::string root = "/", long ticksPerSecond = 0);
    ~LinuxProcessTableSource() override;
    LinuxProcessTableSource(const LinuxProcessTableSource &) = delete;
    LinuxProcessTableSource &operator=(const LinuxProcessTableSource &) = delete;

    std::optional<std::size_t> listProcessIds(std::span<std::int32_t> ids) override;
    std::optional<ProcessTimes> times(std::int32_t pid) override;
    std::string executablePath(std::int32_t pid) override;
    std::string shortName(std::int32_t pid) override;
    std::vector<std::string> arguments(std::int32_t pid) override;

private:
    // "<root>/proc/<pid>/<leaf>" built in a reused buffer.
    const char *pidPath(std::int32_t pid, const char *leaf);

    // The stat text of `pid` into `buffer`, through a kept file when there is one.
    std::optional<std::size_t> readStat(std::int32_t pid, char *buffer, std::size_t size);

    struct StatFile {
        int fd;
        std::uint64_t listing; // the listing in which it was last read
    };

    std::string m_procPath;
    std::uint64_t m_nanosecondsPerTick;
    std::string m_path;
    bool m_keepsFiles = false;
    std::size_t m_keptLimit = 0;
    std::uint64_t m_listing = 0;
    bool m_readSinceListing = false;
    std::unordered_map<std::int32_t, StatFile> m_statFiles;
};

} // namespace voltmere
