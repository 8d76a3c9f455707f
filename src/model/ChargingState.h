#pragma once

#include <QString>

#include <optional>
#include <string_view>

namespace voltmere {

// How the internal battery relates to the power adapter right now.
enum class ChargingState { charging, pluggedNotCharging, fullyCharged, onBattery };

// The raw value is the case name; anything else yields no value.
std::optional<ChargingState> chargingStateFromRaw(std::string_view raw);
QString rawValue(ChargingState state);
// The words used wherever the state is written out.
QString label(ChargingState state);

} // namespace voltmere
