#pragma once

#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace voltmere {

// What the firmware of one battery enforces on charging, as the system
// reports it. Voltmere only reads these; it never sets a limit.
struct BatteryChargeLimits {
    QString battery;                    // the system's name for it, e.g. "BAT0"
    std::optional<int> endThreshold;    // percent: charging stops here
    std::optional<int> startThreshold;  // percent: charging starts again below this
    std::optional<QString> behaviour;   // the active charge behaviour: "auto", "inhibit-charge", …

    bool operator==(const BatteryChargeLimits &) const = default;
};

// The charge limits of the machine's own batteries (not those of mice or
// headsets). Reading touches the firmware's files only; callable from any
// thread, one caller at a time.
class ChargeLimitSource {
public:
    virtual ~ChargeLimitSource() = default;

    // One entry per battery, in name order; empty on a machine without a
    // battery or when the list cannot be read.
    virtual std::vector<BatteryChargeLimits> read() = 0;

    // The source of the running operating system.
    static std::unique_ptr<ChargeLimitSource> createForThisMachine();
};

} // namespace voltmere
