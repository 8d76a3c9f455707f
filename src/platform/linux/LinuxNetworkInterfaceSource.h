#pragma once

#include "platform/NetworkInterfaceSource.h"

#include <string>

namespace voltmere {

// Interfaces from <root>/proc/net/dev (names and byte counters in one read)
// with their flags from <root>/sys/class/net/<name>/flags and whether they
// are physical from the <name>/device link there. Linux hands the
// names over with the counters, so there is no index-to-name lookup to cache.
class LinuxNetworkInterfaceSource final : public NetworkInterfaceSource {
public:
    explicit LinuxNetworkInterfaceSource(std::string root = "/");
    std::optional<std::vector<InterfaceRecord>> read() override;

private:
    std::string m_netDevPath;
    std::string m_classNetPath;
    std::string m_buffer;
    std::string m_flagsBuffer;
    std::string m_interfacePath;
};

} // namespace voltmere
