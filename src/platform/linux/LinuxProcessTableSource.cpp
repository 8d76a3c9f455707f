#include "platform/linux/LinuxProcessTableSource.h"

#include "platform/linux/KeptFiles.h"
#include "platform/linux/ProcText.h"
#include "platform/linux/SysRoot.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <limits>

namespace voltmere {

LinuxProcessTableSource::LinuxProcessTableSource(std::string root, long ticksPerSecond)
    : m_procPath(underRoot(root, "proc/"))
{
    long hz = ticksPerSecond > 0 ? ticksPerSecond : sysconf(_SC_CLK_TCK);
    if (hz <= 0) {
        hz = 100;
    }
    m_nanosecondsPerTick = 1'000'000'000ULL / static_cast<std::uint64_t>(hz);

    // Only procfs rewrites a file on every read; a plain folder standing in
    // for it is read by path each time.
    constexpr long procSuperMagic = 0x9fa0;
    struct statfs fs {};
    if (statfs(m_procPath.c_str(), &fs) == 0 && static_cast<long>(fs.f_type) == procSuperMagic) {
        m_keptLimit = keptFileAllowance(4, 4096);
        m_keepsFiles = m_keptLimit > 0;
    }
}

LinuxProcessTableSource::~LinuxProcessTableSource()
{
    for (const auto &entry : m_statFiles) {
        ::close(entry.second.fd);
    }
}

const char *LinuxProcessTableSource::pidPath(std::int32_t pid, const char *leaf)
{
    m_path.assign(m_procPath);
    m_path += std::to_string(pid);
    m_path += '/';
    m_path += leaf;
    return m_path.c_str();
}

std::optional<std::size_t> LinuxProcessTableSource::listProcessIds(std::span<std::int32_t> ids)
{
    // A file not read since the last listing belongs to a process that was
    // no longer listed then. A listing taken again before any read (the
    // caller's buffer grew) keeps them all.
    if (m_readSinceListing) {
        std::erase_if(m_statFiles, [this](const auto &entry) {
            if (entry.second.listing == m_listing) {
                return false;
            }
            ::close(entry.second.fd);
            return true;
        });
        ++m_listing;
        m_readSinceListing = false;
    }
    DIR *dir = opendir(m_procPath.c_str());
    if (!dir) {
        return std::nullopt;
    }
    std::size_t present = 0;
    while (const dirent *entry = readdir(dir)) {
        const std::optional<std::uint64_t> pid = proctext::parseUnsigned(entry->d_name);
        if (!pid || *pid == 0 || *pid > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
            continue;
        }
        if (present < ids.size()) {
            ids[present] = static_cast<std::int32_t>(*pid);
        }
        ++present;
    }
    closedir(dir);
    return present;
}

std::optional<ProcessTimes> LinuxProcessTableSource::times(std::int32_t pid)
{
    // A stat line is a few hundred bytes; a long comm still fits easily.
    char buffer[1024];
    const std::optional<std::size_t> size = readStat(pid, buffer, sizeof buffer);
    if (!size) {
        return std::nullopt; // gone, or not ours to read
    }
    const std::optional<proctext::PidStat> stat = proctext::parsePidStat(std::string_view(buffer, *size));
    if (!stat) {
        return std::nullopt;
    }
    const std::uint64_t ticks = stat->userTicks + stat->systemTicks;
    if (ticks < stat->userTicks || ticks > std::numeric_limits<std::uint64_t>::max() / m_nanosecondsPerTick) {
        return std::nullopt; // a garbled count that no real process reaches
    }
    return ProcessTimes { stat->startTicks, ticks * m_nanosecondsPerTick };
}

std::optional<std::size_t> LinuxProcessTableSource::readStat(std::int32_t pid, char *buffer, std::size_t size)
{
    if (!m_keepsFiles) {
        return proctext::readFileInto(pidPath(pid, "stat"), buffer, size);
    }
    m_readSinceListing = true;
    if (const auto kept = m_statFiles.find(pid); kept != m_statFiles.end()) {
        const ssize_t got = ::pread(kept->second.fd, buffer, size, 0);
        if (got >= 0) {
            kept->second.listing = m_listing;
            return static_cast<std::size_t>(got);
        }
        // Ended, or its number now names another process: open by path.
        ::close(kept->second.fd);
        m_statFiles.erase(kept);
    }
    const int fd = ::open(pidPath(pid, "stat"), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    const ssize_t got = ::pread(fd, buffer, size, 0);
    if (got < 0 || m_statFiles.size() >= m_keptLimit) {
        ::close(fd);
    } else {
        m_statFiles.emplace(pid, StatFile {fd, m_listing});
    }
    if (got < 0) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(got);
}

std::string LinuxProcessTableSource::executablePath(std::int32_t pid)
{
    char target[4096];
    const ssize_t length = readlink(pidPath(pid, "exe"), target, sizeof target);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target) {
        return {}; // kernel threads, other users' processes, or gone
    }
    std::string path(target, static_cast<std::size_t>(length));
    // A program replaced on disk while it runs (an upgrade) keeps its name.
    constexpr std::string_view deleted = " (deleted)";
    if (path.ends_with(deleted)) {
        path.resize(path.size() - deleted.size());
    }
    return path;
}

std::vector<std::string> LinuxProcessTableSource::arguments(std::int32_t pid)
{
    // NUL-separated; a process that rewrote its arguments may use spaces
    // instead, which then reads as one long program argument.
    char buffer[4096];
    const std::optional<std::size_t> size = proctext::readFileInto(pidPath(pid, "cmdline"), buffer, sizeof buffer);
    std::vector<std::string> arguments;
    if (!size) {
        return arguments;
    }
    std::string_view rest(buffer, *size);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\0');
        arguments.emplace_back(rest.substr(0, end));
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    }
    return arguments;
}

std::string LinuxProcessTableSource::shortName(std::int32_t pid)
{
    return proctext::readLine(pidPath(pid, "comm")).value_or(std::string());
}

} // namespace voltmere
