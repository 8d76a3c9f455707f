#pragma once

#include "platform/ChargeLimits.h"

#include <QString>

#include <vector>

namespace voltmere {

// The Battery page's account of the charging controls Voltmere does not
// offer, in words true for this platform and for what its batteries report.
namespace ChargeLimitText {

struct Explanation {
    QString title;
    QString status; // a few words beside the title
    QString text;   // the paragraph under it
    bool operator==(const Explanation &) const = default;
};

// The enforced limit while the first read has not answered yet: says
// nothing about whether there is one.
Explanation checking();
// Whether a limit is enforced, by whom, and that Voltmere does not set one.
Explanation enforcedLimit(const std::vector<BatteryChargeLimits> &limits);
// Why there is nothing for Voltmere to override to charge to full.
Explanation chargeToFull(const std::vector<BatteryChargeLimits> &limits);
// The sentence of the page's copied summary.
QString summary(const std::vector<BatteryChargeLimits> &limits);

} // namespace ChargeLimitText

} // namespace voltmere
