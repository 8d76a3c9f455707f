#pragma once

#include "ui/TimeSeriesChart.h"

#include <QFont>
#include <QRectF>
#include <QString>

#include <map>
#include <utility>
#include <vector>

namespace voltmere {

// The full chart's axes: which marks they carry, how each is written, and
// the room they take from the widget. Also writes the chart's values for its
// callout and accessible value, so every value reads alike. Main thread only.
class ChartAxes {
public:
    using ValueFormat = TimeSeriesChart::ValueFormat;
    using TimeLabelStyle = TimeSeriesChart::TimeLabelStyle;
    using TimeRange = TimeSeriesChart::TimeRange;
    using ValueRange = TimeSeriesChart::ValueRange;

    // Points between the plot and the y labels: clears the newest point's halo.
    static constexpr qreal gap = 8;
    // Points around the plot and its labels.
    static constexpr qreal margin = 4;
    static QFont font();

    // A new format forgets every value label written with the old one.
    void setFormat(ValueFormat format);
    // `value` in the chart's format; four significant digits without one.
    QString formatValue(double value) const;

    // An axis mark's text and its width in the axis font. Marks stay put for
    // minutes while the chart repaints every round, and writing and measuring
    // them was most of the cost of the axes, so both are remembered.
    struct Label {
        QString text;
        qreal width = 0;
    };
    const Label &valueLabel(double value);
    const Label &timeLabel(Timestamp date, TimeLabelStyle style);

    // About three value marks, fewer when the format would write two alike.
    std::vector<double> valueMarks(ValueRange range);
    // As many round time marks as `plotWidth` holds (aiming at five) without
    // their labels touching.
    std::vector<Timestamp> timeMarks(TimeRange range, TimeLabelStyle style, qreal plotWidth);
    // Where the data is drawn inside `bounds` once the axes have their room.
    QRectF plotRect(const QRectF &bounds, ValueRange y);

    // How time marks are written, chosen by the length of the time range.
    static TimeLabelStyle xLabelFormat(double rangeSeconds);
    // `date` written in the locale's pattern for `style`.
    static QString xLabel(Timestamp date, TimeLabelStyle style);

private:
    ValueFormat m_format;
    std::map<double, Label> m_valueLabels;
    std::map<std::pair<Timestamp, TimeLabelStyle>, Label> m_timeLabels;
};

} // namespace voltmere
