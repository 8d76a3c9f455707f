#pragma once

#include "history/HistoryGap.h"

#include <optional>
#include <set>
#include <string>

namespace voltmere {

// Why two consecutive samples `duration` seconds apart (more than 20 s) have
// nothing between them. `prevAwake`/`awake` are the samples' awake clocks in
// seconds (absent when not recorded); `eventKinds` the kinds of the events
// stored within a second of the hole's edges ("start", "stop", "sleep",
// "wake"). Pure; any thread.
HistoryGap::Reason classifyGap(double duration, std::optional<double> prevAwake, std::optional<double> awake,
    const std::set<std::string> &eventKinds);

// Events within a second of a gap's edges still explain it.
inline constexpr double gapEventMarginSeconds = 1;

} // namespace voltmere
