#pragma once

#include "platform/Clock.h"
#include "platform/ProcessTableSource.h"
#include "sampling/Readers.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

namespace voltmere {

// CPU use of every process since the previous tick, in percent of one core
// (100 = one core fully busy), and the busiest ones by name. Runs on the
// sampling queue only.
class ProcessSampler final : public ProcessListReader {
public:
    // Processes below this share of one core are measured but never listed.
    static constexpr double listingFloor = 0.05;
    static constexpr std::size_t initialIdCapacity = 2048;

    // `coreCount` bounds what one process can use: a share above
    // coreCount x 100 % comes from garbled counters and is dropped for the tick.
    ProcessSampler(std::unique_ptr<ProcessTableSource> source, const Clock &clock,
        double coreCount = std::max(1u, std::thread::hardware_concurrency()));

    // Absent on the first call after construction or a reset, and when the
    // processes cannot be listed (baselines then stay untouched).
    std::optional<ProcessReading> sample(int top) override;
    void resetBaselines() override;

    std::size_t nameCacheSize() const { return m_names.size(); }

    // Whether an executable's name is a script interpreter (python3.11, bash, node, …).
    static bool isInterpreter(std::string_view name);
    // The script an interpreter runs, from its command line (interpreter
    // first): the base name of the first argument that is not an option,
    // the module after "-m"; empty for inline code or no script.
    static std::string scriptName(const std::vector<std::string> &arguments);
    std::size_t idCapacity() const { return m_ids.size(); }

private:
    // A process is the pair (pid, start): a reused pid is a new process.
    struct Prev {
        std::uint64_t start = 0;
        std::uint64_t cpu = 0; // nanoseconds
    };
    struct CachedName {
        std::uint64_t start = 0;
        QString name;
    };

    // Lists into m_ids, growing it (and listing again) when the table did
    // not fit with a margin. Returns how many ids are valid.
    std::optional<std::size_t> listIds();
    QString resolveName(std::int32_t pid);

    std::unique_ptr<ProcessTableSource> m_source;
    const Clock &m_clock;
    double m_ceiling; // percent
    std::unordered_map<std::int32_t, Prev> m_prev;
    std::unordered_map<std::int32_t, Prev> m_fresh; // reused between ticks to keep its buckets
    std::uint64_t m_lastWall = 0; // awake nanoseconds; 0 = no baseline
    std::unordered_map<std::int32_t, CachedName> m_names;
    std::vector<std::int32_t> m_ids;
};

} // namespace voltmere
