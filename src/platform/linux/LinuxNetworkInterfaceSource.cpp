#include "platform/linux/LinuxNetworkInterfaceSource.h"

#include "platform/linux/ProcText.h"
#include "platform/linux/SysRoot.h"

#include <charconv>

namespace voltmere {

namespace {

// The flags file holds a hexadecimal number such as "0x1003".
std::uint32_t parseFlags(std::string_view text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.remove_suffix(1);
    }
    if (text.starts_with("0x")) {
        text.remove_prefix(2);
    }
    std::uint32_t flags = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), flags, 16);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return 0; // unreadable flags: treated as down, so never counted
    }
    return flags;
}

} // namespace

LinuxNetworkInterfaceSource::LinuxNetworkInterfaceSource(std::string root)
    : m_netDevPath(underRoot(root, "proc/net/dev"))
    , m_classNetPath(underRoot(root, "sys/class/net/"))
{
}

std::optional<std::vector<InterfaceRecord>> LinuxNetworkInterfaceSource::read()
{
    if (!proctext::readFile(m_netDevPath, m_buffer)) {
        return std::nullopt;
    }
    std::vector<InterfaceRecord> records;
    proctext::forEachNetDevLine(m_buffer, [&](std::string_view name, std::uint64_t in, std::uint64_t out) {
        InterfaceRecord record { std::string(name), 0, in, out };
        // A name that could walk out of the folder is not an interface name.
        if (name.find('/') == std::string_view::npos && name != "." && name != ".."
            && proctext::readFile(m_classNetPath + record.name + "/flags", m_flagsBuffer)) {
            record.flags = parseFlags(m_flagsBuffer);
        }
        records.push_back(std::move(record));
    });
    // Every system has at least the loopback line; a file without one readable
    // interface is garbled, and zero traffic would be a wrong figure.
    if (records.empty()) {
        return std::nullopt;
    }
    return records;
}

} // namespace voltmere
