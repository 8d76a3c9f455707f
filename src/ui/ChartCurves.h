#pragma once

#include "ui/TimeSeriesChart.h"

#include <QPainterPath>
#include <QPointF>

#include <cstddef>
#include <set>
#include <vector>

namespace voltmere {

class ChartScale;

// The shape of a chart's lines: the points split where the readings break,
// a smooth curve through each piece that never overshoots, thinned to what a
// screen can show. Pure functions; any thread.
namespace ChartCurves {

using Curve = TimeSeriesChart::Curve;

// Points in order grouped by segment number, one list per segment in order
// of first appearance: each becomes its own piece of line and area.
std::vector<std::vector<ChartPoint>> pieces(const std::vector<ChartPoint> &points);
// Segment numbers that occur on exactly one point: drawn as dots.
std::set<int> loneSegments(const std::vector<ChartPoint> &points);
// A monotone cubic (Steffen) through points with increasing x: it passes
// through every point and never leaves the value span of each interval.
std::vector<Curve> monotoneCurves(const std::vector<QPointF> &points);
QPainterPath monotonePath(const std::vector<QPointF> &points);
// Per column of `columnWidth` points only the lowest and highest point (and
// always the first and last).
std::vector<QPointF> thin(const std::vector<QPointF> &points, qreal columnWidth);
// Curves [first, last) as one path; empty when the range is.
QPainterPath pathOf(const std::vector<Curve> &curves, std::size_t first, std::size_t last);
// The curves of each piece of two or more points of `series`, placed by
// `scale` and thinned to the chart's thinning width.
std::vector<std::vector<Curve>> pieceCurves(const ChartSeries &series, const ChartScale &scale);

} // namespace ChartCurves

} // namespace voltmere
