#include "platform/linux/ProcText.h"

#include <charconv>
#include <fcntl.h>
#include <unistd.h>

namespace voltmere::proctext {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The next whitespace-separated field, consumed from `text`.
std::string_view nextField(std::string_view &text)
{
    std::size_t begin = 0;
    while (begin < text.size() && isSpace(text[begin])) {
        ++begin;
    }
    std::size_t end = begin;
    while (end < text.size() && !isSpace(text[end])) {
        ++end;
    }
    const std::string_view field = text.substr(begin, end - begin);
    text.remove_prefix(end);
    return field;
}

// Fills every slot of `fields` from `text`; false when the line is too short.
template <std::size_t N> bool takeFields(std::string_view &text, std::string_view (&fields)[N])
{
    for (std::string_view &field : fields) {
        field = nextField(text);
        if (field.empty()) {
            return false;
        }
    }
    return true;
}

std::string_view nextLine(std::string_view &text)
{
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    return line;
}

std::optional<std::uint64_t> kibibytes(std::string_view value)
{
    std::string_view rest = value;
    const std::optional<std::uint64_t> amount = parseUnsigned(nextField(rest));
    const std::string_view unit = nextField(rest);
    if (!amount || (unit != "kB" && !unit.empty()) || *amount > UINT64_MAX / 1024) {
        return std::nullopt;
    }
    return unit.empty() ? *amount : *amount * 1024;
}

std::optional<double> parsePercent(std::string_view text)
{
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !(value >= 0 && value <= 100)) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<std::uint64_t> parseUnsigned(std::string_view text)
{
    std::uint64_t value = 0;
    if (text.empty() || text.front() == '-' || text.front() == '+') {
        return std::nullopt;
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::int64_t> parseSigned(std::string_view text)
{
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::int64_t> parseAttributeInteger(std::string_view text)
{
    std::string_view rest = text;
    const std::string_view number = nextField(rest);
    if (!nextField(rest).empty()) {
        return std::nullopt; // two numbers are not one
    }
    return parseSigned(number);
}

std::optional<CPUTicks> parseCPUTicks(std::string_view procStat)
{
    std::string_view line = nextLine(procStat);
    if (nextField(line) != "cpu") {
        return std::nullopt;
    }
    // user nice system idle [iowait irq softirq steal guest guest_nice]; old
    // kernels stop after idle, so the later fields may be missing.
    std::uint64_t fields[8] = {};
    int count = 0;
    for (; count < 8; ++count) {
        const std::string_view field = nextField(line);
        if (field.empty()) {
            break;
        }
        const std::optional<std::uint64_t> value = parseUnsigned(field);
        if (!value) {
            return std::nullopt;
        }
        fields[count] = *value;
    }
    if (count < 4) {
        return std::nullopt;
    }
    // Sums wrap like the counters; the sampler's delta handles that.
    return CPUTicks { fields[0], fields[2] + fields[5] + fields[6] + fields[7], fields[3] + fields[4], fields[1] };
}

void parseMeminfo(std::string_view meminfo, MemoryCounters &counters)
{
    while (!meminfo.empty()) {
        const std::string_view line = nextLine(meminfo);
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            continue;
        }
        const std::string_view key = line.substr(0, colon);
        const std::string_view value = line.substr(colon + 1);
        if (key == "MemTotal") {
            counters.totalBytes = kibibytes(value);
        } else if (key == "MemAvailable") {
            counters.availableBytes = kibibytes(value);
        } else if (key == "SwapTotal") {
            counters.swapTotalBytes = kibibytes(value);
        } else if (key == "SwapFree") {
            counters.swapFreeBytes = kibibytes(value);
        }
    }
}

void parseMemoryPressure(std::string_view pressure, MemoryCounters &counters)
{
    while (!pressure.empty()) {
        std::string_view line = nextLine(pressure);
        const std::string_view kind = nextField(line);
        const std::string_view avg10 = nextField(line);
        if (!avg10.starts_with("avg10=")) {
            continue;
        }
        const std::optional<double> percent = parsePercent(avg10.substr(6));
        if (kind == "some") {
            counters.stallSomePercent = percent;
        } else if (kind == "full") {
            counters.stallFullPercent = percent;
        }
    }
}

void forEachDiskstatsLine(
    std::string_view diskstats, const std::function<void(std::string_view, std::uint64_t, std::uint64_t)> &visit)
{
    while (!diskstats.empty()) {
        std::string_view line = nextLine(diskstats);
        // major minor name reads merged sectorsRead msRead writes merged sectorsWritten …
        std::string_view fields[10];
        if (!takeFields(line, fields)) {
            continue;
        }
        const auto read = parseUnsigned(fields[5]);
        const auto written = parseUnsigned(fields[9]);
        if (read && written) {
            visit(fields[2], *read, *written);
        }
    }
}

void forEachNetDevLine(
    std::string_view netDev, const std::function<void(std::string_view, std::uint64_t, std::uint64_t)> &visit)
{
    while (!netDev.empty()) {
        const std::string_view line = nextLine(netDev);
        // The two header lines contain '|' and no "name:" field.
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || line.find('|') != std::string_view::npos) {
            continue;
        }
        std::string_view name = line.substr(0, colon);
        while (!name.empty() && isSpace(name.front())) {
            name.remove_prefix(1);
        }
        std::string_view rest = line.substr(colon + 1);
        // Receive: bytes packets errs drop fifo frame compressed multicast; transmit: bytes …
        std::string_view fields[9];
        if (name.empty() || !takeFields(rest, fields)) {
            continue;
        }
        const auto in = parseUnsigned(fields[0]);
        const auto out = parseUnsigned(fields[8]);
        if (in && out) {
            visit(name, *in, *out);
        }
    }
}

std::optional<PidStat> parsePidStat(std::string_view stat)
{
    // "pid (comm) state ppid …": comm may hold spaces and parentheses, so
    // the fields start after the last ')'.
    const std::size_t close = stat.rfind(')');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view rest = stat.substr(close + 1);
    // After comm: state(3) ppid pgrp session tty tpgid flags minflt cminflt
    // majflt cmajflt utime(14) stime(15) cutime cstime priority nice
    // num_threads itrealvalue starttime(22).
    std::optional<std::uint64_t> user, system, start;
    for (int field = 3; field <= 22; ++field) {
        const std::string_view value = nextField(rest);
        if (value.empty()) {
            return std::nullopt;
        }
        if (field == 14) {
            user = parseUnsigned(value);
        } else if (field == 15) {
            system = parseUnsigned(value);
        } else if (field == 22) {
            start = parseUnsigned(value);
        }
    }
    if (!user || !system || !start) {
        return std::nullopt;
    }
    return PidStat { *user, *system, *start };
}

bool readFile(const std::string &path, std::string &out)
{
    out.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    char chunk[4096];
    bool ok = true;
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0) {
            ok = false;
            break;
        }
        if (got == 0) {
            break;
        }
        out.append(chunk, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return ok;
}

std::optional<std::size_t> readFileInto(const char *path, char *buffer, std::size_t size)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    const ssize_t got = ::read(fd, buffer, size);
    ::close(fd);
    if (got < 0) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(got);
}

std::optional<std::string> readLine(const std::string &path)
{
    std::string text;
    if (!readFile(path, text)) {
        return std::nullopt;
    }
    std::string_view view = text;
    return std::string(nextLine(view));
}

std::string trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

} // namespace voltmere::proctext
