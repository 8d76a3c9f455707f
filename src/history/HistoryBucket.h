#pragma once

#include "model/Snapshot.h"

namespace voltmere {

// One time bucket of a history series: the aggregate of the samples that
// fall into [start, start + bucketSeconds).
struct HistoryBucket {
    Timestamp start = 0; // the bucket's left edge, not its first sample
    double avg = 0; // mean of the metric over the bucket's samples
    double max = 0; // largest value in the bucket
    Timestamp maxAt = 0; // time of the sample holding `max`
    double pluggedFraction = 0; // share of samples on the power adapter, 0–1
    int segment = 0; // buckets with different numbers are never joined by a line

    Timestamp id() const { return start; }
    bool operator==(const HistoryBucket &) const = default;
};

} // namespace voltmere
