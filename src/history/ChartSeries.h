#pragma once

#include "history/ChartPoint.h"

#include <QString>

#include <vector>

namespace voltmere {

// One named line handed to the chart. The chart pairs it with its colour.
struct ChartSeries {
    QString name; // also the series' identity
    std::vector<ChartPoint> points;

    const QString &id() const { return name; }
};

} // namespace voltmere
