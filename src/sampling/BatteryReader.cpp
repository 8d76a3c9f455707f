#include "sampling/BatteryReader.h"

#include <cmath>
#include <limits>

namespace voltmere {

namespace {

std::optional<int> positiveMinutes(const PowerDictionary &description, std::string_view key)
{
    const std::optional<int> minutes = intValue(description, key);
    // Below one minute means "still estimating" (the system reports −1) or nonsense.
    if (!minutes || *minutes < 1) {
        return std::nullopt;
    }
    return minutes;
}

std::optional<int> chargeLevel(const PowerDictionary &description)
{
    const std::optional<std::int64_t> capacity = integerValue(description, "Current Capacity");
    const std::optional<std::int64_t> max = integerValue(description, "Max Capacity");
    if (!capacity || !max || *max < 1) {
        return std::nullopt;
    }
    const double percent = std::round(static_cast<double>(*capacity) / static_cast<double>(*max) * 100.0);
    if (percent < std::numeric_limits<int>::min() || percent > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(percent); // std::round takes halves away from zero
}

} // namespace

BatteryReader::BatteryReader(std::unique_ptr<PowerSourceProvider> provider, const Clock &clock)
    : m_provider(std::move(provider))
    , m_clock(clock)
{
}

std::optional<BatteryReading> BatteryReader::read()
{
    const auto sources = m_provider ? m_provider->powerSources() : std::nullopt;
    if (!sources) {
        return std::nullopt;
    }
    for (const PowerDictionary &description : *sources) {
        if (stringValue(description, "Type") != "InternalBattery") {
            continue;
        }
        const bool pluggedIn = stringValue(description, "Power Source State") == "AC Power";
        const std::optional<PowerDictionary> adapter = pluggedIn ? m_provider->adapterDetails() : std::nullopt;
        // The system flag is only asked for when the description has none.
        const bool systemLowPower = boolValue(description, "LPM Active") ? false : m_provider->lowPowerMode();
        return derive(description, registryValues(), adapter, systemLowPower);
    }
    return std::nullopt; // no internal battery: a desktop
}

BatteryReading BatteryReader::derive(const PowerDictionary &battery, const RegistryValues &registry,
    const std::optional<PowerDictionary> &adapter, bool systemLowPowerMode)
{
    BatteryReading reading;
    reading.level = chargeLevel(battery);
    reading.isPluggedIn = stringValue(battery, "Power Source State") == "AC Power";
    const bool charging = boolValue(battery, "Is Charging").value_or(false);
    if (!reading.isPluggedIn) {
        reading.state = ChargingState::onBattery;
    } else if (charging) {
        reading.state = ChargingState::charging;
    } else if (boolValue(battery, "Is Charged") == true || (reading.level && *reading.level >= 100)) {
        reading.state = ChargingState::fullyCharged;
    } else {
        reading.state = ChargingState::pluggedNotCharging;
    }

    reading.cycleCount = registry.cycleCount;
    reading.designCapacity = registry.designCapacity;
    reading.fullChargeCapacity = registry.fullChargeCapacity;
    reading.temperatureC = registry.temperatureC;

    if (reading.isPluggedIn && adapter) {
        reading.adapterWatts = intValue(*adapter, "Watts");
    }
    if (reading.state == ChargingState::charging) {
        reading.timeToFullMinutes = positiveMinutes(battery, "Time to Full Charge");
    } else if (reading.state == ChargingState::onBattery) {
        reading.timeToEmptyMinutes = positiveMinutes(battery, "Time to Empty");
    }
    if (const auto health = stringValue(battery, "BatteryHealth")) {
        reading.healthCondition = QString::fromStdString(*health);
    }
    reading.designCycleCount = intValue(battery, "DesignCycleCount");
    reading.lowPowerMode = boolValue(battery, "LPM Active").value_or(systemLowPowerMode);
    return reading;
}

RegistryValues BatteryReader::registryValues()
{
    const Timestamp now = m_clock.now();
    if (m_registryCache && now - m_registryCache->date < registryCacheSeconds) {
        return m_registryCache->values;
    }
    RegistryValues values;
    if (const auto properties = m_provider ? m_provider->batteryProperties() : std::nullopt) {
        values = RegistryValues::fromProperties(*properties);
    }
    m_registryCache = CachedRegistry { now, values };
    return values;
}

} // namespace voltmere
