#pragma once

#include "model/Snapshot.h"

#include <QString>

#include <optional>
#include <string_view>

namespace voltmere {

// A hole of more than 20 seconds between two consecutive samples.
struct HistoryGap {
    // Why there were no readings. Raw values are the case names.
    enum class Reason { asleep, notRunning, noReadings };

    Timestamp start = 0; // the last sample before the gap
    Timestamp end = 0; // the first sample after it
    Reason reason = Reason::noReadings;

    Timestamp id() const { return start; }
    bool operator==(const HistoryGap &) const = default;
};

std::optional<HistoryGap::Reason> gapReasonFromRaw(std::string_view raw);
QString rawValue(HistoryGap::Reason reason);
// The text on chart bands and in the gap list: "Voltmere not running",
// "No readings", and for sleep the platform's asleepGapLabel.
QString label(HistoryGap::Reason reason);

} // namespace voltmere
