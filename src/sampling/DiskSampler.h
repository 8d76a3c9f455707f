#pragma once

#include "platform/BlockDeviceSource.h"
#include "platform/Clock.h"
#include "sampling/DeviceDeltas.h"
#include "sampling/Readers.h"
#include "sampling/ThroughputRate.h"

#include <memory>

namespace voltmere {

// Read and write throughput summed over every storage device, in bytes per
// second of awake time. Runs on the sampling queue only.
class DiskSampler final : public DiskThroughputReader {
public:
    DiskSampler(std::unique_ptr<BlockDeviceSource> source, const Clock &clock);

    // Absent on the first call, when no device has statistics (the baseline
    // then stays as it was) and on the call after a counter went backwards.
    // Each device has its own baseline: one attached since the previous tick
    // adds nothing in its first tick.
    std::optional<DiskReading> sample() override;
    void resetBaseline() override
    {
        m_rate.reset();
        m_deltas.reset();
    }

private:
    std::unique_ptr<BlockDeviceSource> m_source;
    const Clock &m_clock;
    DeviceDeltas m_deltas;
    ThroughputRate m_rate;
};

} // namespace voltmere
