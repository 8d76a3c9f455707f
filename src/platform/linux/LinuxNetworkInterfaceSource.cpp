#include "platform/linux/LinuxNetworkInterfaceSource.h"

#include "platform/linux/ProcText.h"
#include "platform/linux/SysRoot.h"

#include <charconv>

#include <unistd.h>

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
    // Without the class folder (a container without /sys) no interface can
    // be told up or physical, and counting none would read as a measured zero.
    if (!proctext::readFile(m_netDevPath, m_buffer) || ::access(m_classNetPath.c_str(), X_OK) != 0) {
        return std::nullopt;
    }
    std::vector<InterfaceRecord> records;
    proctext::forEachNetDevLine(m_buffer, [&](std::string_view name, std::uint64_t in, std::uint64_t out) {
        InterfaceRecord record { std::string(name), 0, in, out, false };
        // A name that could walk out of the folder is not an interface name.
        if (name.find('/') == std::string_view::npos && name != "." && name != "..") {
            m_interfacePath.assign(m_classNetPath).append(name).append("/flags");
            if (proctext::readFile(m_interfacePath, m_flagsBuffer)) {
                record.flags = parseFlags(m_flagsBuffer);
            }
            // Hardware interfaces have a device link, as disks do; bridges,
            // (looked up only for interfaces that are up: no other counts)
            // veth pairs, tunnels and WireGuard links have none.
            if (record.flags & InterfaceRecord::flagUp) {
                m_interfacePath.resize(m_interfacePath.size() - (sizeof "flags" - 1));
                m_interfacePath.append("device");
                record.physical = ::access(m_interfacePath.c_str(), F_OK) == 0;
            }
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
