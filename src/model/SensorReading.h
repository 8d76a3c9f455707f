#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace voltmere {

// A temperature sensor other than the processor's, named for the user
// ("GPU", "NVMe", "Chipset", or the chip's own name). Degrees Celsius.
struct TemperatureSensor {
    QString name;
    double celsius = 0;

    bool operator==(const TemperatureSensor &) const = default;
};

// One fan. A stopped fan reads 0 RPM: that is a reading, not an absence.
struct FanSpeed {
    QString name;
    double rpm = 0;

    bool operator==(const FanSpeed &) const = default;
};

// The machine's temperature and fan sensors in one tick. A sensor that could
// not be read this tick is left out of the lists and its file is named in
// `unreadable`; the processor's temperature is then absent.
struct SensorReading {
    std::optional<double> cpuCelsius;
    // The critical temperature of the chip the processor's value comes from;
    // absent where the chip does not state one.
    std::optional<double> cpuCriticalCelsius;
    // The file the processor's temperature is read from, as the user finds it
    // ("/sys/class/hwmon/hwmon3/temp1_input"); empty when no sensor reports
    // the processor.
    QString cpuFile;
    std::vector<TemperatureSensor> others; // the hottest first, one per chip, at most `otherLimit`
    std::vector<FanSpeed> fans;            // every fan, in the order found
    std::vector<QString> unreadable;       // files that failed this tick

    static constexpr std::size_t otherLimit = 3;
    // Degrees below the critical value within which the processor counts as
    // near critical.
    static constexpr double nearCriticalMargin = 5;

    bool operator==(const SensorReading &) const = default;

    // The fastest fan's speed; absent without fans.
    std::optional<double> fastestFanRpm() const;
    // The processor within nearCriticalMargin of its critical value; false
    // when either is unknown.
    bool cpuNearCritical() const;
};

} // namespace voltmere
