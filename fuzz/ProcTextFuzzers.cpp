// One libFuzzer entry point per /proc parser, picked by FUZZ_<name> at build
// time. Beyond "does not crash", each checks what its parser promises: what
// comes out was really in the text.

#include "platform/linux/ProcText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using namespace voltmere;

[[maybe_unused]] void require(bool holds)
{
    if (!holds) {
        std::abort();
    }
}

[[maybe_unused]] bool allDigits(std::string_view text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
#if defined(FUZZ_parse_numbers)
    if (const auto value = proctext::parseUnsigned(text)) {
        require(allDigits(text));
        require(std::stoull(std::string(text)) == *value);
    }
    if (const auto value = proctext::parseSigned(text)) {
        const std::string_view digits = text.substr(!text.empty() && text.front() == '-' ? 1 : 0);
        require(allDigits(digits));
        require(std::stoll(std::string(text)) == *value);
    }
    if (const auto value = proctext::parseAttributeInteger(text)) {
        // The one number of the text, with only white space around it.
        const std::size_t begin = text.find_first_not_of(" \t\r\n");
        const std::size_t end = text.find_last_not_of(" \t\r\n");
        require(begin != std::string_view::npos && proctext::parseSigned(text.substr(begin, end - begin + 1)) == value);
    }
#elif defined(FUZZ_cpu_ticks)
    (void)proctext::parseCPUTicks(text);
#elif defined(FUZZ_meminfo)
    MemoryCounters counters;
    proctext::parseMeminfo(text, counters);
    proctext::parseMemoryPressure(text, counters);
#elif defined(FUZZ_diskstats)
    proctext::forEachDiskstatsLine(text, [text](std::string_view name, std::uint64_t, std::uint64_t) {
        require(!name.empty() && text.find(name) != std::string_view::npos);
    });
#elif defined(FUZZ_net_dev)
    proctext::forEachNetDevLine(text, [text](std::string_view name, std::uint64_t, std::uint64_t) {
        require(!name.empty() && text.find(name) != std::string_view::npos);
    });
#elif defined(FUZZ_pid_stat)
    (void)proctext::parsePidStat(text);
#else
#error "Name the parser to fuzz with FUZZ_<name>."
#endif
    return 0;
}
