#pragma once

#include "model/BatteryReading.h"
#include "model/Insight.h"
#include "model/Snapshot.h"
#include "monitor/ChargeReminderLogic.h"

#include <deque>
#include <optional>

namespace voltmere {

// The rules that pick the one insight the program volunteers. Tried in a
// fixed order; the first that holds wins. Pure, holds no state.
namespace Insights {

// Conditions that must hold for a while are measured as a streak: the newest
// snapshot must satisfy the condition and be fresher than this, and a hole
// longer than this between ticks ends the streak.
inline constexpr double streakGapSeconds = 20.0;

// `snapshots` oldest first (may be empty), `reminderTarget` in percent,
// `now` the time of the call.
std::optional<Insight> evaluate(const std::deque<Snapshot> &snapshots, const std::optional<BatteryReading> &battery,
    const ChargeReminderLogic::Status &reminder, int reminderTarget, Timestamp now);

} // namespace Insights

} // namespace voltmere
