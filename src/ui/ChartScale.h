#pragma once

#include "ui/TimeSeriesChart.h"

#include <QPointF>
#include <QRectF>

#include <vector>

namespace voltmere {

// Where a date and a value land in a chart's plot, and the round marks along
// each axis. Made for each paint from the chart's ranges; any thread.
class ChartScale {
public:
    using TimeRange = TimeSeriesChart::TimeRange;
    using ValueRange = TimeSeriesChart::ValueRange;

    ChartScale(const QRectF &plot, TimeRange x, ValueRange y);

    const QRectF &plot() const { return m_plot; }
    TimeRange xDomain() const { return m_x; }
    ValueRange yRange() const { return m_y; }

    // The x of `date`; the plot's middle when the time range is empty.
    qreal x(Timestamp date) const;
    // The range's lower value sits on the plot's bottom edge (y grows downwards).
    QPointF point(Timestamp date, double value) const;

    // Upper bound of the automatic y range: 1.15 × the largest value, or 1.
    static double autoDomain(const std::vector<ChartSeries> &series);
    // Marks at round values: about `aim` of them inside the range.
    static std::vector<double> valueTicks(ValueRange range, int aim);
    // Marks at round local times, at most `aim` of them.
    static std::vector<Timestamp> timeTicks(TimeRange range, int aim);

private:
    QRectF m_plot;
    TimeRange m_x;
    ValueRange m_y;
};

} // namespace voltmere
