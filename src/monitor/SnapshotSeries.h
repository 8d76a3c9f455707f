#pragma once

#include "history/ChartPoint.h"
#include "history/GapBand.h"
#include "model/Snapshot.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace voltmere {

// The Monitor's recent snapshots as chart lines: what the Overview's cards and
// the panel's CPU tile draw. Pure functions; callable from any thread.
namespace SnapshotSeries {

// Readings further apart than this are not joined: the chart starts a new
// line piece and shades the hole between them.
inline constexpr double segmentBreakSeconds = 20;

using Reading = std::function<std::optional<double>(const Snapshot &)>;
using GapLabel = std::function<QString(Timestamp, Timestamp)>;

// The points of each reading over `snapshots` (oldest first) and the holes
// between them. A snapshot without the reading still counts as the previous
// date, so a missing value never makes a hole of its own. Without a
// `gapLabel` the bands carry no label.
struct Walk {
    std::vector<std::vector<ChartPoint>> points; // one list per reading, in order
    std::vector<GapBand> gaps;
};
Walk walk(const std::vector<Snapshot> &snapshots, const std::vector<Reading> &readings, const GapLabel &gapLabel);

} // namespace SnapshotSeries

} // namespace voltmere
