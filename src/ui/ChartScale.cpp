#include "ui/ChartScale.h"

#include <QDateTime>

#include <array>
#include <cmath>
#include <optional>

namespace voltmere {

namespace {

constexpr double autoHeadroomPercent = 115; // the automatic range reaches 1.15 × the largest value

} // namespace

ChartScale::ChartScale(const QRectF &plot, TimeRange x, ValueRange y)
    : m_plot(plot)
    , m_x(x)
    , m_y(y)
{
}

qreal ChartScale::x(Timestamp date) const
{
    const double length = m_x.length();
    if (!(length > 0)) {
        return m_plot.center().x();
    }
    return m_plot.left() + (date - m_x.lower) / length * m_plot.width();
}

QPointF ChartScale::point(Timestamp date, double value) const
{
    const double span = m_y.upper - m_y.lower;
    const double share = span > 0 ? (value - m_y.lower) / span : 0.0;
    return { x(date), m_plot.bottom() - share * m_plot.height() };
}

double ChartScale::autoDomain(const std::vector<ChartSeries> &series)
{
    std::optional<double> largest;
    for (const ChartSeries &s : series) {
        for (const ChartPoint &point : s.points) {
            if (std::isfinite(point.value) && (!largest || point.value > *largest)) {
                largest = point.value;
            }
        }
    }
    if (!largest) {
        return 1;
    }
    // Multiplying by 115 first keeps round maxima exact: 50 gives 57.5.
    const double bound = *largest * autoHeadroomPercent / 100;
    return bound <= 1 ? 1 : bound;
}

std::vector<double> ChartScale::valueTicks(ValueRange range, int aim)
{
    const double span = range.upper - range.lower;
    if (!(span > 0) || !std::isfinite(span) || aim < 1) {
        return { range.lower };
    }
    const double magnitude = std::pow(10.0, std::floor(std::log10(span / aim)));
    constexpr double epsilon = 1e-9;
    for (double multiple : { 1.0, 2.0, 2.5, 5.0, 10.0, 20.0, 25.0, 50.0, 100.0 }) {
        const double stride = multiple * magnitude;
        const double first = std::ceil(range.lower / stride - epsilon);
        const double last = std::floor(range.upper / stride + epsilon);
        if (last - first + 1 > aim) {
            continue;
        }
        std::vector<double> ticks;
        for (double k = first; k <= last; ++k) {
            const double value = k * stride;
            ticks.push_back(std::abs(value) < stride * epsilon ? 0.0 : value);
        }
        return ticks;
    }
    return { range.lower, range.upper };
}

std::vector<Timestamp> ChartScale::timeTicks(TimeRange range, int aim)
{
    const double length = range.length();
    if (!(length > 0) || aim < 1) {
        return {};
    }
    // Round steps of a clock face, then of a calendar.
    static constexpr std::array<double, 21> strides { 1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200,
        10800, 21600, 43200, 86400, 172800, 345600, 604800 };
    // Marks fall on round local times: 14:15, not 14:15 UTC.
    const double offset = QDateTime::fromSecsSinceEpoch(static_cast<qint64>(range.lower)).offsetFromUtc();
    for (double stride : strides) {
        const double first = std::ceil((range.lower + offset) / stride) * stride - offset;
        const int count = first > range.upper ? 0 : static_cast<int>(std::floor((range.upper - first) / stride)) + 1;
        if (count > aim && stride != strides.back()) {
            continue;
        }
        std::vector<Timestamp> ticks;
        for (int i = 0; i < count; ++i) {
            ticks.push_back(first + i * stride);
        }
        return ticks;
    }
    return {};
}

} // namespace voltmere
