#pragma once

#include "history/ChartPoint.h"
#include "platform/Clock.h"

#include <QString>

#include <functional>
#include <vector>

namespace voltmere {

// One plain sentence about a series, for the chart's accessible value and
// the overview cards. Pure; callable from any thread.
namespace SeriesSummary {

// "CPU averaged 22% and peaked at 30% at 14:05. Now 20%." — the peak is the
// first point with the highest value; its time is written relative to `now`.
// An empty list gives "<name>: no readings yet."
QString describe(const std::vector<ChartPoint> &points, const QString &name,
    const std::function<QString(double)> &format, Timestamp now = Clock::system().now());

} // namespace SeriesSummary

} // namespace voltmere
