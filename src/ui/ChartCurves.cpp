#include "ui/ChartCurves.h"

#include "ui/ChartScale.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace voltmere::ChartCurves {

std::vector<std::vector<ChartPoint>> pieces(const std::vector<ChartPoint> &points)
{
    std::vector<std::vector<ChartPoint>> result;
    std::map<int, std::size_t> slot;
    for (const ChartPoint &point : points) {
        auto [it, inserted] = slot.try_emplace(point.segment, result.size());
        if (inserted) {
            result.emplace_back();
        }
        result[it->second].push_back(point);
    }
    return result;
}

std::set<int> loneSegments(const std::vector<ChartPoint> &points)
{
    std::map<int, int> counts;
    for (const ChartPoint &point : points) {
        ++counts[point.segment];
    }
    std::set<int> lone;
    for (const auto &[segment, count] : counts) {
        if (count == 1) {
            lone.insert(segment);
        }
    }
    return lone;
}

std::vector<Curve> monotoneCurves(const std::vector<QPointF> &points)
{
    std::vector<Curve> curves;
    const std::size_t n = points.size();
    if (n < 2) {
        return curves;
    }
    // Steffen's tangents: zero at every local extreme and never steeper than
    // twice the smaller neighbouring slope, so both Bézier control points of
    // an interval lie within its two values and the curve (inside their
    // convex hull) cannot overshoot.
    std::vector<double> width(n - 1);
    std::vector<double> slope(n - 1);
    for (std::size_t i = 0; i + 1 < n; ++i) {
        width[i] = points[i + 1].x() - points[i].x();
        slope[i] = width[i] > 0 ? (points[i + 1].y() - points[i].y()) / width[i] : 0.0;
    }
    auto sign = [](double v) { return v > 0 ? 1.0 : (v < 0 ? -1.0 : 0.0); };
    std::vector<double> tangent(n);
    tangent.front() = slope.front();
    tangent.back() = slope.back();
    for (std::size_t i = 1; i + 1 < n; ++i) {
        const double h0 = width[i - 1];
        const double h1 = width[i];
        const double p = h0 + h1 > 0 ? (slope[i - 1] * h1 + slope[i] * h0) / (h0 + h1) : 0.0;
        tangent[i] = (sign(slope[i - 1]) + sign(slope[i]))
            * std::min({ std::abs(slope[i - 1]), std::abs(slope[i]), 0.5 * std::abs(p) });
    }
    curves.reserve(n - 1);
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const QPointF &a = points[i];
        const QPointF &b = points[i + 1];
        if (!(width[i] > 0)) {
            curves.push_back({ a, a, b, b }); // two readings at one instant: a straight step
            continue;
        }
        const double third = width[i] / 3;
        curves.push_back({ a, QPointF(a.x() + third, a.y() + tangent[i] * third),
            QPointF(b.x() - third, b.y() - tangent[i + 1] * third), b });
    }
    return curves;
}

QPainterPath monotonePath(const std::vector<QPointF> &points)
{
    if (points.size() == 1) {
        QPainterPath path;
        path.moveTo(points.front());
        return path;
    }
    const std::vector<Curve> curves = monotoneCurves(points);
    return pathOf(curves, 0, curves.size());
}

std::vector<QPointF> thin(const std::vector<QPointF> &points, qreal columnWidth)
{
    if (points.size() < 3 || !(columnWidth > 0)
        || points.back().x() - points.front().x() >= columnWidth * static_cast<qreal>(points.size())) {
        return points; // sparse enough already
    }
    // Per column, the lowest and the highest point in their own order: the
    // line still reaches every peak and trough that a pixel could show.
    std::vector<QPointF> kept;
    kept.reserve(points.size());
    kept.push_back(points.front());
    std::size_t i = 1;
    const std::size_t last = points.size() - 1;
    while (i < last) {
        const qreal column = std::floor(points[i].x() / columnWidth);
        std::size_t low = i;
        std::size_t high = i;
        std::size_t j = i;
        for (; j < last && std::floor(points[j].x() / columnWidth) == column; ++j) {
            low = points[j].y() > points[low].y() ? j : low; // y grows downwards
            high = points[j].y() < points[high].y() ? j : high;
        }
        kept.push_back(points[std::min(low, high)]);
        if (low != high) {
            kept.push_back(points[std::max(low, high)]);
        }
        i = j;
    }
    kept.push_back(points.back());
    return kept;
}

QPainterPath pathOf(const std::vector<Curve> &curves, std::size_t first, std::size_t last)
{
    QPainterPath path;
    if (first >= last || last > curves.size()) {
        return path;
    }
    path.reserve(static_cast<int>(3 * (last - first) + 1));
    path.moveTo(curves[first].from);
    for (std::size_t i = first; i < last; ++i) {
        path.cubicTo(curves[i].control1, curves[i].control2, curves[i].to);
    }
    return path;
}

std::vector<std::vector<Curve>> pieceCurves(const ChartSeries &series, const ChartScale &scale)
{
    std::vector<std::vector<Curve>> result;
    for (const std::vector<ChartPoint> &piece : pieces(series.points)) {
        if (piece.size() < 2) {
            continue; // a lone point is a dot, not a line
        }
        std::vector<QPointF> pixels;
        pixels.reserve(piece.size());
        for (const ChartPoint &point : piece) {
            pixels.push_back(scale.point(point.date, point.value));
        }
        result.push_back(monotoneCurves(thin(pixels, TimeSeriesChart::thinningWidth)));
    }
    return result;
}

} // namespace voltmere::ChartCurves
