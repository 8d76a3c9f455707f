#include "monitor/SnapshotSeries.h"

namespace voltmere::SnapshotSeries {

Walk walk(const std::vector<Snapshot> &snapshots, const std::vector<Reading> &readings, const GapLabel &gapLabel)
{
    Walk result;
    result.points.resize(readings.size());
    for (auto &points : result.points) {
        points.reserve(snapshots.size());
    }
    int segment = 0;
    std::optional<Timestamp> previous;
    for (const Snapshot &snapshot : snapshots) {
        if (previous && snapshot.date - *previous > segmentBreakSeconds) {
            ++segment;
            result.gaps.push_back({*previous, snapshot.date, gapLabel ? gapLabel(*previous, snapshot.date) : QString()});
        }
        previous = snapshot.date;
        for (std::size_t i = 0; i < readings.size(); ++i) {
            if (const std::optional<double> value = readings[i](snapshot)) {
                result.points[i].push_back({snapshot.date, *value, segment});
            }
        }
    }
    return result;
}

} // namespace voltmere::SnapshotSeries
