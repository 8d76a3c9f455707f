#pragma once

#include "history/HistoryGap.h"

#include <QString>

#include <vector>

namespace voltmere {

// A shaded span of the chart where there are no readings, with its label.
struct GapBand {
    Timestamp start = 0;
    Timestamp end = 0;
    QString label;

    Timestamp id() const { return start; }
    bool operator==(const GapBand &) const = default;
};

// One band per gap, labelled with the gap's reason.
std::vector<GapBand> gapBands(const std::vector<HistoryGap> &gaps);

} // namespace voltmere
