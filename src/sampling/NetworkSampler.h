#pragma once

#include "platform/Clock.h"
#include "platform/NetworkInterfaceSource.h"
#include "sampling/DeviceDeltas.h"
#include "sampling/Readers.h"
#include "sampling/ThroughputRate.h"

#include <array>
#include <memory>
#include <string_view>

namespace voltmere {

// Bytes received and sent per second of awake time, summed over the real
// network interfaces. Runs on the sampling queue only.
class NetworkSampler final : public NetworkThroughputReader {
public:
    // Interfaces whose names start with one of these are tunnels, bridges,
    // loopbacks or capture devices whose traffic is already counted on (or
    // never leaves) a real interface. Tested in this order, case-sensitive.
    static constexpr std::array<std::string_view, 8> excludedPrefixes { "lo", "utun", "ipsec", "gif", "stf", "bridge",
        "pktap", "anpi" };

    NetworkSampler(std::unique_ptr<NetworkInterfaceSource> source, const Clock &clock);

    // Absent on the first call, when the interface table cannot be read (the
    // baseline then stays) and on the call after a counter went backwards.
    // Each interface has its own baseline: one that was down or absent in
    // the previous tick adds nothing in its first tick up.
    std::optional<NetworkReading> sample() override;
    void resetBaseline() override
    {
        m_rate.reset();
        m_deltas.reset();
    }

    // Whether an interface's traffic counts: up, physical, not loopback, and
    // not named with an excluded prefix. An empty name passes the name test.
    static bool isCounted(const InterfaceRecord &record);

private:
    std::unique_ptr<NetworkInterfaceSource> m_source;
    const Clock &m_clock;
    DeviceDeltas m_deltas;
    ThroughputRate m_rate;
};

} // namespace voltmere
