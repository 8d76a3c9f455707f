#pragma once

#include "model/ChargingState.h"

#include <QString>

#include <optional>

namespace voltmere {

// The internal battery and power adapter as read in one go. Every value that
// the system did not report is absent, never zero.
struct BatteryReading {
    std::optional<int> level;               // percent, 0–100
    std::optional<ChargingState> state;
    bool isPluggedIn = false;
    std::optional<int> timeToEmptyMinutes;
    std::optional<int> timeToFullMinutes;
    std::optional<QString> healthCondition; // the system's own word, e.g. "Good"
    std::optional<int> cycleCount;
    std::optional<int> designCycleCount;
    std::optional<int> designCapacity;      // mAh
    std::optional<int> fullChargeCapacity;  // mAh
    std::optional<double> temperatureC;
    std::optional<int> adapterWatts;
    std::optional<bool> lowPowerMode;

    // All thirteen fields; the Monitor publishes a reading only when it differs.
    bool operator==(const BatteryReading &) const = default;

    // Name of the battery glyph for this reading.
    QString symbolName() const;
};

} // namespace voltmere
