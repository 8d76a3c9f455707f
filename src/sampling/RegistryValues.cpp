#include "sampling/RegistryValues.h"

namespace voltmere {

RegistryValues RegistryValues::fromProperties(const PowerDictionary &properties)
{
    RegistryValues values;
    values.cycleCount = intValue(properties, "CycleCount");
    values.designCapacity = intValue(properties, "DesignCapacity");
    values.fullChargeCapacity = intValue(properties, "AppleRawMaxCapacity");
    if (!values.fullChargeCapacity) {
        values.fullChargeCapacity = intValue(properties, "NominalChargeCapacity");
    }
    if (const auto hundredths = integerValue(properties, "Temperature")) {
        values.temperatureC = static_cast<double>(*hundredths) / 100.0;
    }
    return values;
}

} // namespace voltmere
