#pragma once

// The readers the sampling engine runs each tick, as the engine sees them.
// Each concrete reader keeps its own baselines and runs only on the engine's
// queue; an engine may be built with any of them missing (tests, platforms
// without a source), and then those snapshot fields stay absent.

#include "model/BatteryReading.h"
#include "model/MemoryPressureLevel.h"
#include "model/ProcessCPU.h"
#include "model/SensorReading.h"

#include <optional>
#include <vector>

namespace voltmere {

// Percent of the whole machine (0–100) over the interval since the previous call.
struct CPUReading {
    double busy = 0;   // user + system + nice
    double user = 0;   // user + nice
    double system = 0;
};

struct MemoryReading {
    std::optional<double> pressure; // percent, 0–100
    std::optional<MemoryPressureLevel> level;
    std::optional<double> used;     // bytes
    std::optional<double> total;    // bytes; present whenever memory could be read
    std::optional<double> swapUsed; // bytes
    std::optional<double> swapTotal;
};

struct DiskReading {
    double read = 0;  // bytes per second
    double write = 0;
};

struct NetworkReading {
    double inRate = 0;  // bytes per second
    double outRate = 0;
};

struct ProcessReading {
    std::vector<ProcessCPU> top; // busiest first
    double measuredCPU = 0;      // per-core percent of every measured process
    int unreadable = 0;          // processes whose usage could not be read
};

class CPULoadReader {
public:
    virtual ~CPULoadReader() = default;
    // Absent on the first call after construction or a reset.
    virtual std::optional<CPUReading> sample() = 0;
    virtual void resetBaseline() = 0;
};

class MemoryStatusReader {
public:
    virtual ~MemoryStatusReader() = default;
    virtual MemoryReading sample() = 0;
};

class DiskThroughputReader {
public:
    virtual ~DiskThroughputReader() = default;
    virtual std::optional<DiskReading> sample() = 0;
    virtual void resetBaseline() = 0;
};

class NetworkThroughputReader {
public:
    virtual ~NetworkThroughputReader() = default;
    virtual std::optional<NetworkReading> sample() = 0;
    virtual void resetBaseline() = 0;
};

class ProcessListReader {
public:
    virtual ~ProcessListReader() = default;
    // The `top` busiest processes; absent on the first call after a reset.
    virtual std::optional<ProcessReading> sample(int top) = 0;
    // Forgets per-process baselines; name caches survive.
    virtual void resetBaselines() = 0;
};

class BatteryStatusReader {
public:
    virtual ~BatteryStatusReader() = default;
    // Absent when the machine has no internal battery.
    virtual std::optional<BatteryReading> read() = 0;
};

class SensorReader {
public:
    virtual ~SensorReader() = default;
    // Absent when the machine shows no temperature or fan sensor at all.
    virtual std::optional<SensorReading> read() = 0;
};

} // namespace voltmere
