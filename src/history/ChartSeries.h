#pragma once

#include "history/ChartPoint.h"
#include "model/ThemeColor.h"

#include <QString>

#include <vector>

namespace voltmere {

// One named line handed to the chart, in its colour.
struct ChartSeries {
    QString name; // also the series' identity
    ThemeColor color;
    std::vector<ChartPoint> points;

    const QString &id() const { return name; }
};

} // namespace voltmere
