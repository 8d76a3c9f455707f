#include "sampling/ProcessSampler.h"

#include <algorithm>

namespace voltmere {

namespace {

// Room the id list keeps beyond the present process count, so processes
// started between two ticks still fit; and the extra when it must grow.
constexpr std::size_t idMargin = 64;
constexpr std::size_t idGrowth = 256;

std::string_view baseName(std::string_view path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

} // namespace

bool ProcessSampler::isInterpreter(std::string_view name)
{
    static constexpr std::string_view interpreters[] { "python", "perl", "ruby", "node", "nodejs", "bash", "sh",
        "dash", "zsh", "ksh", "fish", "php", "lua", "tclsh", "gjs", "Rscript" };
    for (const std::string_view interpreter : interpreters) {
        if (!name.starts_with(interpreter)) {
            continue;
        }
        // A version may follow: python3, python3.11, lua5.4, ruby3.1.
        const std::string_view version = name.substr(interpreter.size());
        if (std::all_of(version.begin(), version.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.'; })) {
            return true;
        }
    }
    return false;
}

std::string ProcessSampler::scriptName(const std::vector<std::string> &arguments)
{
    // Options that take the next argument as their value; the script is
    // the first argument that is neither an option nor such a value.
    static constexpr std::string_view withValue[] { "-W", "-X", "-o", "-O", "-r", "--require", "-I", "-x" };
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (argument == "-m" && i + 1 < arguments.size()) {
            return arguments[i + 1]; // python -m http.server
        }
        // Code given inline, or the script on standard input: no name to give.
        if (argument == "-c" || argument == "-e" || argument == "--eval" || argument == "-" || argument == "--") {
            return {};
        }
        if (std::find(std::begin(withValue), std::end(withValue), argument) != std::end(withValue)) {
            ++i;
            continue;
        }
        if (argument.starts_with('-') || argument.empty()) {
            continue;
        }
        return std::string(baseName(argument));
    }
    return {};
}

// The ceiling leaves a tenth for timing: every process is measured against
// one wall interval taken before the listing, so a busy process read late in
// a long listing can show a little more than it could really use.
ProcessSampler::ProcessSampler(std::unique_ptr<ProcessTableSource> source, const Clock &clock, double coreCount)
    : m_source(std::move(source))
    , m_clock(clock)
    , m_ceiling(coreCount * 100.0 * 1.1)
    , m_ids(initialIdCapacity, 0)
{
}

void ProcessSampler::resetBaselines()
{
    m_prev.clear();
    m_lastWall = 0;
}

std::optional<std::size_t> ProcessSampler::listIds()
{
    std::optional<std::size_t> present = m_source->listProcessIds(m_ids);
    if (present && *present + idMargin > m_ids.size()) {
        const bool overflowed = *present > m_ids.size();
        // Growing keeps the ids already written: when they all fit, they are
        // this tick's listing and are not asked for again.
        m_ids.resize(*present + idGrowth, 0);
        if (overflowed) {
            present = m_source->listProcessIds(m_ids);
        }
    }
    if (!present || *present == 0) {
        return std::nullopt;
    }
    // Only the ids actually written are examined.
    return std::min(*present, m_ids.size());
}

QString ProcessSampler::resolveName(std::int32_t pid)
{
    const std::string path = m_source->executablePath(pid);
    std::string name(baseName(path));
    // Every Python program is "python3.11" and every shell script "bash";
    // the script they run is the name a user knows. Names are cached per
    // process, so this extra read happens once per listed interpreter.
    if (isInterpreter(name)) {
        if (std::string script = scriptName(m_source->arguments(pid)); !script.empty()) {
            name = std::move(script);
        }
    }
    if (name.empty()) {
        name = m_source->shortName(pid);
    }
    if (name.empty()) {
        return QStringLiteral("pid ") + QString::number(pid);
    }
    return QString::fromStdString(name);
}

std::optional<ProcessReading> ProcessSampler::sample(int top)
{
    if (!m_source) {
        return std::nullopt;
    }
    const std::uint64_t now = m_clock.awakeNanoseconds();
    const std::optional<std::size_t> count = listIds();
    if (!count) {
        return std::nullopt;
    }
    // CPU times and the wall clock are both nanoseconds, so the share is a plain ratio.
    const double wall = m_lastWall != 0 && now > m_lastWall ? static_cast<double>(now - m_lastWall) : 0.0;

    m_fresh.clear();
    m_fresh.reserve(*count);
    struct Listed {
        std::int32_t pid;
        double percent;
    };
    std::vector<Listed> listed;
    double measured = 0;
    int unreadable = 0;
    for (std::size_t index = 0; index < *count; ++index) {
        const std::int32_t pid = m_ids[index];
        // A process that exits between the listing and this read lands here too.
        const std::optional<ProcessTimes> times = m_source->times(pid);
        if (!times) {
            ++unreadable;
            continue;
        }
        m_fresh[pid] = Prev { times->start, times->cpuNanoseconds };
        if (wall <= 0) {
            continue;
        }
        const auto previous = m_prev.find(pid);
        if (previous == m_prev.end() || previous->second.start != times->start
            || times->cpuNanoseconds < previous->second.cpu) {
            continue; // new process, reused pid, or a clock that stepped back: no figure yet
        }
        const double percent = static_cast<double>(times->cpuNanoseconds - previous->second.cpu) / wall * 100.0;
        if (percent > m_ceiling) {
            continue; // garbled tick counts: no process can use more than every core
        }
        measured += percent;
        if (percent >= listingFloor) {
            listed.push_back({ pid, percent });
        }
    }
    std::swap(m_prev, m_fresh);
    m_lastWall = now;
    if (wall <= 0) {
        return std::nullopt;
    }

    // Stable: equal shares keep the order in which the system listed them.
    std::stable_sort(
        listed.begin(), listed.end(), [](const Listed &a, const Listed &b) { return a.percent > b.percent; });
    ProcessReading reading;
    reading.measuredCPU = measured;
    reading.unreadable = unreadable;
    const std::size_t shown = std::min(listed.size(), static_cast<std::size_t>(std::max(top, 0)));
    reading.top.reserve(shown);
    for (std::size_t index = 0; index < shown; ++index) {
        const std::int32_t pid = listed[index].pid;
        const std::uint64_t start = m_prev.at(pid).start;
        auto cached = m_names.find(pid);
        if (cached == m_names.end() || cached->second.start != start) {
            cached = m_names.insert_or_assign(pid, CachedName { start, resolveName(pid) }).first;
        }
        reading.top.push_back(ProcessCPU { pid, cached->second.name, listed[index].percent });
    }
    // The cache is bounded: past four screens' worth plus slack, forget the
    // names of processes that are gone.
    if (m_names.size() > static_cast<std::size_t>(std::max(top, 0)) * 4 + 200) {
        std::erase_if(m_names, [this](const auto &entry) { return !m_prev.contains(entry.first); });
    }
    return reading;
}

} // namespace voltmere
