#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace voltmere {

// One temperature input of a sensor chip. Values are as the platform gives
// them: thousandths of a degree Celsius.
struct TemperatureInput {
    std::string label;                                // the chip's name for it; may be empty
    std::optional<std::int64_t> milliCelsius;         // absent: could not be read this time
    std::optional<std::int64_t> criticalMilliCelsius; // absent: the chip states none
    std::string file;                                 // where the value is read, as the user finds it
};

// One fan input of a sensor chip.
struct FanInput {
    std::string label;                // may be empty
    std::optional<std::int64_t> rpm;  // absent: could not be read this time
    std::string file;
};

// A chip (or a thermal zone) and its inputs, in the platform's order.
struct SensorChip {
    enum class Kind { chip, thermalZone };
    Kind kind = Kind::chip;
    std::string name; // the driver's name for the chip, or the zone's type
    std::vector<TemperatureInput> temperatures;
    std::vector<FanInput> fans;
};

// Raw temperature and fan inputs. Each call reads the inputs' present
// values; which chips exist, and how often an input that is costly to read
// or failed is read again (its last value standing between), is the
// source's business. The lists live in the source
// until the next call of the same function. Not thread safe: one sampling
// thread owns a source.
class SensorSource {
public:
    virtual ~SensorSource() = default;
    // The hardware-monitoring chips; empty when there are none.
    virtual const std::vector<SensorChip> &chips() = 0;
    // The thermal zones, for machines whose chips do not name the processor;
    // read only when asked. Empty when there are none.
    virtual const std::vector<SensorChip> &thermalZones() = 0;
};

} // namespace voltmere
