#pragma once

#include "model/Snapshot.h"
#include "platform/Clock.h"
#include "platform/SerialQueue.h"
#include "sampling/Readers.h"
#include "sampling/SelfUsageSampler.h"

#include <cstdint>
#include <memory>

namespace voltmere {

// The single owner of every reader. Once per tick it runs them in a fixed
// order (CPU, memory, disk, network, processes, battery, sensors, self
// usage) and assembles one Snapshot. All reader state lives on `queue()`;
// sample(), resetBaselines() and readBattery() must be called there.
class SamplingEngine {
public:
    struct Readers {
        std::unique_ptr<CPULoadReader> cpu;
        std::unique_ptr<MemoryStatusReader> memory;
        std::unique_ptr<DiskThroughputReader> disk;
        std::unique_ptr<NetworkThroughputReader> network;
        std::unique_ptr<ProcessListReader> processes;
        std::unique_ptr<BatteryStatusReader> battery;
        std::unique_ptr<SensorReader> sensors;
    };

    static constexpr int topProcessCount = 10;

    // `coreCount` is the number of active processor cores, read once.
    SamplingEngine(Readers readers, double coreCount, const Clock &clock = Clock::system());
    ~SamplingEngine();

    // The engine with this machine's readers.
    static std::unique_ptr<SamplingEngine> createForThisMachine();

    SerialQueue &queue() { return m_queue; }
    double coreCount() const { return m_coreCount; }

    // One tick. Never fails: a reader that yields nothing leaves its fields absent.
    Snapshot sample();
    // After a wake: the next tick reports no deltas spanning the sleep. The
    // self-usage baseline and the readers' name caches survive.
    void resetBaselines();
    // The battery alone, for a refresh between ticks.
    std::optional<BatteryReading> readBattery();

private:
    SerialQueue m_queue;
    Readers m_readers;
    SelfUsageSampler m_selfUsage;
    double m_coreCount;
    const Clock &m_clock;
    std::uint64_t m_lastTick = 0; // awake nanoseconds of the previous tick; 0 = none
};

} // namespace voltmere
