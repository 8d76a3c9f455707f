#pragma once

#include "model/Snapshot.h"

namespace voltmere {

// One plotted value. Points with different segments belong to different
// line pieces and are never joined.
struct ChartPoint {
    Timestamp date = 0;
    double value = 0;
    int segment = 0;

    Timestamp id() const { return date; }
    bool operator==(const ChartPoint &) const = default;
};

} // namespace voltmere
