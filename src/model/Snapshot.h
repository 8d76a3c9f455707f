#pragma once

#include "model/BatteryReading.h"
#include "model/MemoryPressureLevel.h"
#include "model/ProcessCPU.h"
#include "model/SensorReading.h"

#include <optional>
#include <vector>

namespace voltmere {

// Seconds since 1970-01-01 UTC, with sub-second precision: the wall-clock
// dates of snapshots and events, as the history database stores them.
using Timestamp = double;

// One sampling tick. Percentages of the whole machine are 0–100; "per-core"
// values use 100 = one core. Every reading that could not be taken is absent.
struct Snapshot {
    Timestamp date = 0;                 // also the snapshot's identity
    std::optional<double> awake;        // awake seconds since boot; set by the engine
    std::optional<double> cpuTotal;     // user + system + nice, % of the machine
    std::optional<double> cpuUser;      // user + nice
    std::optional<double> cpuSystem;
    std::optional<double> memPressure;  // 0–100
    std::optional<MemoryPressureLevel> memLevel;
    std::optional<double> memUsed;      // bytes
    std::optional<double> memTotal;     // bytes
    std::optional<double> swapUsed;     // bytes
    std::optional<double> swapTotal;    // bytes
    std::optional<double> diskRead;     // bytes per second
    std::optional<double> diskWrite;
    std::optional<double> netIn;
    std::optional<double> netOut;
    std::optional<BatteryReading> battery;
    std::optional<SensorReading> sensors; // absent: the machine shows no temperature or fan sensor
    std::vector<ProcessCPU> topProcesses; // at most 10, busiest first
    std::optional<double> otherProcessesCPU; // per-core % not attributed to a listed process
    int unreadableProcessCount = 0;
    std::optional<double> selfCPU;        // per-core %
    std::optional<double> selfCPUSeconds; // CPU seconds since the previous tick
    double interval = 0;                  // awake seconds since the previous tick

    Timestamp id() const { return date; }
    // Lists identify snapshots by date alone.
    bool isSameSnapshot(const Snapshot &other) const { return date == other.date; }
};

} // namespace voltmere
