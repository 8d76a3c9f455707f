#pragma once

#include "platform/Clock.h"
#include "platform/PowerSourceProvider.h"
#include "sampling/Readers.h"
#include "sampling/RegistryValues.h"

#include <memory>
#include <optional>

namespace voltmere {

// The internal battery and the power adapter, derived from the platform's
// power-source descriptions. Runs on the sampling queue only (it keeps the
// battery-properties cache).
class BatteryReader final : public BatteryStatusReader {
public:
    // The battery's slow properties are re-read after this long.
    static constexpr double registryCacheSeconds = 60.0;

    BatteryReader(std::unique_ptr<PowerSourceProvider> provider, const Clock &clock);

    // Absent when the power sources cannot be enumerated or none of them is
    // an internal battery.
    std::optional<BatteryReading> read() override;

    // The reading of one internal-battery description; the registry values
    // and the adapter's and system's figures are passed in.
    static BatteryReading derive(const PowerDictionary &battery, const RegistryValues &registry,
        const std::optional<PowerDictionary> &adapter, bool systemLowPowerMode);

    // Cached for registryCacheSeconds of wall time (a cache dated in the
    // future also counts as fresh), including "no battery entry".
    RegistryValues registryValues();

private:
    struct CachedRegistry {
        Timestamp date = 0;
        RegistryValues values;
    };

    std::unique_ptr<PowerSourceProvider> m_provider;
    const Clock &m_clock;
    std::optional<CachedRegistry> m_registryCache;
};

} // namespace voltmere
