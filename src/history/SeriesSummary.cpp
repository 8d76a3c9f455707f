#include "history/SeriesSummary.h"

#include "model/Format.h"

namespace voltmere::SeriesSummary {

QString describe(const std::vector<ChartPoint> &points, const QString &name,
    const std::function<QString(double)> &format, Timestamp now)
{
    if (points.empty()) {
        return name + QStringLiteral(": no readings yet.");
    }
    double sum = 0;
    const ChartPoint *peak = &points.front();
    for (const ChartPoint &point : points) {
        sum += point.value;
        // Strictly greater: a later equal value does not move the peak.
        if (point.value > peak->value) {
            peak = &point;
        }
    }
    const double mean = sum / static_cast<double>(points.size());
    return name + QStringLiteral(" averaged ") + format(mean) + QStringLiteral(" and peaked at ") + format(peak->value)
        + QStringLiteral(" at ") + Format::timestamp(peak->date, now) + QStringLiteral(". Now ")
        + format(points.back().value) + QStringLiteral(".");
}

} // namespace voltmere::SeriesSummary
