#pragma once

// Pure parsers for the text files under /proc, and the small file helpers
// the Linux sources share. Every parser takes the whole file as text and
// yields absent values for what it cannot read: truncated, garbled,
// negative or out-of-range numbers never become figures.

#include "platform/CPUTickSource.h"
#include "platform/MemoryCounterSource.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace voltmere::proctext {

// A whole unsigned decimal number; absent for signs, other characters,
// empty text or values beyond 64 bits.
std::optional<std::uint64_t> parseUnsigned(std::string_view text);
// Like parseUnsigned but signed.
std::optional<std::int64_t> parseSigned(std::string_view text);
// A sysfs attribute holding one signed number, as the kernel writes it: the
// number and a line break ("45000\n"); surrounding white space is ignored.
std::optional<std::int64_t> parseAttributeInteger(std::string_view text);

// The aggregate "cpu" line of /proc/stat: user; system + irq + softirq +
// steal; idle + iowait; nice. Guest time is already inside user and nice.
std::optional<CPUTicks> parseCPUTicks(std::string_view procStat);

// MemTotal, MemAvailable, SwapTotal and SwapFree of /proc/meminfo, in bytes.
void parseMeminfo(std::string_view meminfo, MemoryCounters &counters);
// The avg10 figures of the "some" and "full" lines of /proc/pressure/memory.
void parseMemoryPressure(std::string_view pressure, MemoryCounters &counters);

// Each well-formed line of /proc/diskstats: device name, sectors read,
// sectors written (sectors are always 512 bytes there).
void forEachDiskstatsLine(std::string_view diskstats,
    const std::function<void(std::string_view name, std::uint64_t sectorsRead, std::uint64_t sectorsWritten)> &visit);

// Each well-formed interface line of /proc/net/dev: name, bytes received, bytes sent.
void forEachNetDevLine(std::string_view netDev,
    const std::function<void(std::string_view name, std::uint64_t in, std::uint64_t out)> &visit);

// The fields of /proc/<pid>/stat a CPU measurement needs, in clock ticks.
struct PidStat {
    std::uint64_t userTicks = 0;
    std::uint64_t systemTicks = 0;
    std::uint64_t startTicks = 0; // since boot
};
std::optional<PidStat> parsePidStat(std::string_view stat);

// Reads a whole (small) file into `out`; false when it cannot be opened or read.
bool readFile(const std::string &path, std::string &out);
// Reads at most `size` bytes into `buffer`; the byte count, or absent.
std::optional<std::size_t> readFileInto(const char *path, char *buffer, std::size_t size);
// The first line of a file without its newline; absent when unreadable.
std::optional<std::string> readLine(const std::string &path);
// `text` without the spaces, tabs and line breaks around it.
std::string trimmed(std::string_view text);

} // namespace voltmere::proctext
