#pragma once

#include "platform/ChargeLimits.h"

#include <optional>
#include <string>
#include <string_view>

namespace voltmere {

// Charge limits from <root>/sys/class/power_supply/<battery>/: the
// charge_control_end_threshold and charge_control_start_threshold of each
// system battery (type Battery, scope not Device, present), and its
// charge_behaviour. Only ever reads them.
class LinuxChargeLimitSource final : public ChargeLimitSource {
public:
    explicit LinuxChargeLimitSource(std::string root = "/");

    std::vector<BatteryChargeLimits> read() override;

    // A threshold file's percent: a whole number 0–100, else absent.
    static std::optional<int> parseThreshold(std::string_view text);
    // The active choice of charge_behaviour, which lists every choice and
    // brackets the active one ("[auto] inhibit-charge"); a single word is
    // the choice itself. Absent when nothing can be told.
    static std::optional<QString> activeChoice(std::string_view text);

private:
    std::string m_supplyPath;
};

} // namespace voltmere
