#pragma once

#include "history/HistoryBucket.h"
#include "history/HistoryGap.h"

#include <vector>

namespace voltmere {

// The answer to one bucketed history query. The default value is the empty
// series (no buckets, no gaps, zero width and count).
struct HistorySeries {
    std::vector<HistoryBucket> buckets; // non-empty buckets, in time order
    std::vector<HistoryGap> gaps; // every gap longer than 20 s in the range, in time order
    double bucketSeconds = 0;
    int sampleCount = 0; // samples in the range with a value for the metric

    bool operator==(const HistorySeries &) const = default;
};

} // namespace voltmere
