#pragma once

#include "ui/TimeSeriesChart.h"

#include <vector>

class QPainter;

namespace voltmere {

class ChartAxes;
class ChartScale;

// Draws a chart's parts into the plot `scale` maps onto: axes, gap bands,
// lines and the selection. Made for one paint, and reads the chart only
// through its public face. paintLines may run on a pool thread while the
// main thread waits (ChartLayer); the others run on the main thread.
class ChartPainter {
public:
    // Symbol sizes are areas, in square points.
    static constexpr qreal nowHaloSize = 160;
    static constexpr qreal nowHaloSizeCompact = 110;
    static constexpr qreal nowDotSize = 36;
    static constexpr qreal nowDotSizeCompact = 26;
    // A symbol of area `size` is drawn as a circle that fills a square of that area.
    static qreal symbolDiameter(qreal size);

    ChartPainter(const TimeSeriesChart &chart, QPainter &painter, const ChartScale &scale, ColorScheme scheme);

    // Grid lines and labels for the value and time marks.
    void paintAxes(ChartAxes &axes);
    // The shaded bands, with a label where the chart shows one.
    void paintGaps(const std::vector<GapBand> &gaps);
    // The lines, their areas when `fills`, lone points as dots, and the
    // newest point's mark when `marksNow`.
    void paintLines(bool fills, bool marksNow);
    // The rule at `date` and the callout that reads the series there.
    void paintSelection(Timestamp date);
    void paintFocusRing();

private:
    const TimeSeriesChart &m_chart;
    QPainter &m_painter;
    const ChartScale &m_scale;
    ColorScheme m_scheme;
};

} // namespace voltmere
