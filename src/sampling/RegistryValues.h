#pragma once

#include "platform/PowerSourceProvider.h"

#include <optional>

namespace voltmere {

// The battery's slow-changing properties, read at most once a minute.
struct RegistryValues {
    std::optional<int> cycleCount;
    std::optional<int> designCapacity; // mAh
    std::optional<int> fullChargeCapacity; // mAh
    std::optional<double> temperatureC;

    // From the battery's properties: "CycleCount", "DesignCapacity",
    // "AppleRawMaxCapacity" (else "NominalChargeCapacity") and "Temperature"
    // in hundredths of a degree. A missing or non-integer property is absent.
    static RegistryValues fromProperties(const PowerDictionary &properties);

    bool operator==(const RegistryValues &) const = default;
};

} // namespace voltmere
