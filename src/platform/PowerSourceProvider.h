#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace voltmere {

// A power-source description: string keys to integers, flags or words, the
// way the battery reader consumes them ("Type", "Current Capacity",
// "Max Capacity", "Power Source State", "Is Charging", …).
using PowerValue = std::variant<std::int64_t, bool, std::string>;
using PowerDictionary = std::map<std::string, PowerValue, std::less<>>;

class PowerSourceProvider {
public:
    virtual ~PowerSourceProvider() = default;
    // Descriptions of every power source, in the platform's order; absent
    // when the power sources cannot be enumerated. The internal battery has
    // "Type" = "InternalBattery".
    virtual std::optional<std::vector<PowerDictionary>> powerSources() = 0;
    // The battery's slow-changing properties ("CycleCount", "DesignCapacity",
    // "AppleRawMaxCapacity", "NominalChargeCapacity", "Temperature" in
    // hundredths of a degree); absent when there is no battery entry.
    virtual std::optional<PowerDictionary> batteryProperties() = 0;
    // The connected adapter ("Watts"); absent when none is known.
    virtual std::optional<PowerDictionary> adapterDetails() = 0;
    // The system-wide power-saving mode.
    virtual bool lowPowerMode() = 0;
};

// Typed look-ups in a description; absent when missing or of another type.
std::optional<std::int64_t> integerValue(const PowerDictionary &dictionary, std::string_view key);
std::optional<bool> boolValue(const PowerDictionary &dictionary, std::string_view key);
std::optional<std::string> stringValue(const PowerDictionary &dictionary, std::string_view key);
// An integer that also fits an int; a value beyond int's range is no
// plausible count, capacity or time, so it counts as missing.
std::optional<int> intValue(const PowerDictionary &dictionary, std::string_view key);

} // namespace voltmere
