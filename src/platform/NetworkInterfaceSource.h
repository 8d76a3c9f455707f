#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace voltmere {

// One network interface with its flags and cumulative byte counters.
struct InterfaceRecord {
    static constexpr std::uint32_t flagUp = 0x1;
    static constexpr std::uint32_t flagLoopback = 0x8;

    std::string name; // empty when the platform gave no name
    std::uint32_t flags = 0; // flagUp, flagLoopback, …; 0 when unreadable
    std::uint64_t inBytes = 0;
    std::uint64_t outBytes = 0;
    // Backed by hardware. Bridges, virtual Ethernet pairs and tunnels carry
    // traffic that also crosses (or never leaves for) a physical interface,
    // so counting them counts bytes twice. Platforms that cannot tell leave it true.
    bool physical = true;
};

class NetworkInterfaceSource {
public:
    virtual ~NetworkInterfaceSource() = default;
    // Every interface; absent when the interface table cannot be read (an
    // empty table would read as a measured zero).
    virtual std::optional<std::vector<InterfaceRecord>> read() = 0;
};

} // namespace voltmere
