#include "ui/ChartPainter.h"

#include "ui/ChartAxes.h"
#include "ui/ChartCurves.h"
#include "ui/ChartLayer.h"
#include "ui/ChartScale.h"
#include "ui/TabularText.h"
#include "ui/Theme.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace voltmere {

namespace {

using Curve = TimeSeriesChart::Curve;

QFont gapLabelFont()
{
    return Theme::font(9, QFont::Medium);
}

QFont calloutRowFont()
{
    return Theme::font(11, QFont::DemiBold);
}

} // namespace

qreal ChartPainter::symbolDiameter(qreal size)
{
    return std::sqrt(size);
}

ChartPainter::ChartPainter(const TimeSeriesChart &chart, QPainter &painter, const ChartScale &scale, ColorScheme scheme)
    : m_chart(chart)
    , m_painter(painter)
    , m_scale(scale)
    , m_scheme(scheme)
{
}

void ChartPainter::paintGaps(const std::vector<GapBand> &gaps)
{
    if (gaps.empty()) {
        return;
    }
    QPainter &painter = m_painter;
    const QRectF &plot = m_scale.plot();
    painter.save();
    painter.setClipRect(plot);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::gapFill.resolve(m_scheme));
    for (const GapBand &band : gaps) {
        const qreal left = m_scale.x(band.start);
        const qreal right = m_scale.x(band.end);
        painter.drawRect(QRectF(QPointF(left, plot.top()), QPointF(right, plot.bottom())));
    }
    painter.setFont(gapLabelFont());
    painter.setPen(Theme::muted.resolve(m_scheme));
    const QFontMetricsF metrics(painter.font());
    for (const GapBand &band : gaps) {
        if (!m_chart.showsLabel(band)) {
            continue;
        }
        const qreal middle = (m_scale.x(band.start) + m_scale.x(band.end)) / 2;
        const qreal textWidth = metrics.horizontalAdvance(band.label);
        // Over the middle of the band near its top, where lines rarely reach;
        // kept inside the plot when the band touches an edge.
        const qreal left
            = std::clamp(middle - textWidth / 2, plot.left(), std::max(plot.left(), plot.right() - textWidth));
        painter.drawText(QPointF(left, plot.top() + 3 + metrics.ascent()), band.label);
    }
    painter.restore();
}

void ChartPainter::paintAxes(ChartAxes &axes)
{
    QPainter &painter = m_painter;
    const QRectF &plot = m_scale.plot();
    const TimeSeriesChart::TimeRange xDomain = m_scale.xDomain();
    painter.save();
    const QFont font = ChartAxes::font();
    painter.setFont(font);
    const QFontMetricsF metrics(font);
    const QColor grid = Theme::cardStroke.resolve(m_scheme);
    const QColor label = Theme::muted.resolve(m_scheme);
    const qreal hairline = 1;

    // y: grid lines across the plot, labels on the trailing side.
    for (double tick : axes.valueMarks(m_scale.yRange())) {
        const qreal py = std::round(m_scale.point(xDomain.lower, tick).y()) + 0.5 * hairline;
        painter.setPen(QPen(grid, hairline));
        painter.drawLine(QPointF(plot.left(), py), QPointF(plot.right(), py));
        painter.setPen(label);
        TabularText::draw(painter, QPointF(plot.right() + ChartAxes::gap, py - metrics.height() / 2 + metrics.ascent()),
                          axes.valueLabel(tick).text);
    }

    // x: as many round marks as fit without labels touching.
    const TimeSeriesChart::TimeLabelStyle style = ChartAxes::xLabelFormat(xDomain.length());
    const std::vector<Timestamp> ticks = axes.timeMarks(xDomain, style, plot.width());
    const qreal baseline = plot.bottom() + 2 + metrics.ascent();
    // Ticks fall where round times do, not evenly, and the end labels are
    // pulled inside the plot: a label that would run into the one before it
    // keeps its grid line and loses its text.
    constexpr qreal labelGap = 6;
    qreal previousRight = -std::numeric_limits<qreal>::infinity();
    for (Timestamp t : ticks) {
        const qreal px = std::round(m_scale.x(t)) + 0.5 * hairline;
        painter.setPen(QPen(grid, hairline));
        painter.drawLine(QPointF(px, plot.top()), QPointF(px, plot.bottom()));
        const ChartAxes::Label &mark = axes.timeLabel(t, style);
        const qreal textWidth = mark.width;
        // The end labels stay under the plot, clear of the y labels and the focus ring.
        const qreal left = std::clamp(px - textWidth / 2, plot.left(), std::max(plot.left(), plot.right() - textWidth));
        if (left < previousRight + labelGap) {
            continue;
        }
        painter.setPen(label);
        TabularText::draw(painter, QPointF(left, baseline), mark.text);
        previousRight = left + textWidth;
    }
    painter.restore();
}

void ChartPainter::paintLines(bool fills, bool marksNow)
{
    const std::vector<ChartSeries> &series = m_chart.series();
    if (series.empty()) {
        return;
    }
    QPainter &painter = m_painter;
    const QRectF &plot = m_scale.plot();
    const bool dark = m_scheme == ColorScheme::dark;
    painter.save();
    // Lines may not wander over the axis labels; the margin keeps round caps
    // and the newest point's halo whole at the edges.
    const qreal spill = symbolDiameter(nowHaloSize) / 2;
    painter.setClipRect(plot.adjusted(-spill, -spill, spill, spill) & QRectF(m_chart.rect()));

    std::vector<std::vector<std::vector<Curve>>> lines(series.size()); // per series, per piece
    std::size_t curveCount = 0;
    for (std::size_t s = 0; s < series.size(); ++s) {
        lines[s] = ChartCurves::pieceCurves(series[s], m_scale);
        for (const std::vector<Curve> &piece : lines[s]) {
            curveCount += piece.size();
        }
    }

    // Qt's rasterizer slows down far more than linearly on long paths (an
    // hour of 2-second readings took ~40 ms for one wide stroke), so long
    // lines are drawn in vertical strips of a few dozen curves each. Strip
    // edges fall on device pixels and every strip's path reaches a glow's
    // width past its edges, so no cap, seam or overlap shows where they meet.
    const qreal glowWidth = TimeSeriesChart::glowWidth;
    const QRectF drawable = painter.clipBoundingRect();
    const int strips = std::max(1, static_cast<int>(curveCount / TimeSeriesChart::stripCurves));
    const qreal dpr = ChartLayer::targetPixelRatio(painter);
    auto snap = [dpr](qreal x) { return std::round(x * dpr) / dpr; };
    const qreal floor = m_scale.point(0, m_scale.yRange().lower).y();
    const double fillOpacity = (series.size() == 1 ? 0.34 : 0.18) * (dark ? 1.0 : 0.7);
    for (int k = 0; k < strips; ++k) {
        const qreal left = k == 0 ? drawable.left() : snap(plot.left() + plot.width() * k / strips);
        const qreal right = k == strips - 1 ? drawable.right() : snap(plot.left() + plot.width() * (k + 1) / strips);
        std::vector<std::vector<QPainterPath>> slices(series.size());
        for (std::size_t s = 0; s < series.size(); ++s) {
            for (const std::vector<Curve> &piece : lines[s]) {
                // x grows along a piece: the curves reaching into the strip are one run.
                const auto first = std::lower_bound(
                    piece.begin(), piece.end(), left - glowWidth, [](const Curve &c, qreal x) { return c.to.x() < x; });
                const auto last = std::upper_bound(
                    first, piece.end(), right + glowWidth, [](qreal x, const Curve &c) { return x < c.from.x(); });
                if (first < last) {
                    slices[s].push_back(ChartCurves::pathOf(piece, static_cast<std::size_t>(first - piece.begin()),
                        static_cast<std::size_t>(last - piece.begin())));
                }
            }
        }
        if (strips > 1) {
            painter.setClipRect(QRectF(left, drawable.top(), right - left, drawable.height()));
        }
        if (fills) {
            painter.setPen(Qt::NoPen);
            for (std::size_t s = 0; s < series.size(); ++s) {
                const ThemeColor &color = series[s].color;
                QLinearGradient gradient(0, plot.top(), 0, plot.bottom());
                gradient.setColorAt(0, color.opacity(color.alpha * fillOpacity).resolve(m_scheme));
                gradient.setColorAt(1, color.opacity(0).resolve(m_scheme));
                painter.setBrush(gradient);
                for (const QPainterPath &part : slices[s]) {
                    // The area follows the same curve down to the range's floor.
                    QPainterPath area = part;
                    area.lineTo(part.currentPosition().x(), floor);
                    area.lineTo(part.elementAt(0).x, floor);
                    area.closeSubpath();
                    painter.drawPath(area);
                }
            }
        }
        painter.setBrush(Qt::NoBrush);
        for (std::size_t s = 0; s < series.size(); ++s) {
            const ThemeColor &color = series[s].color;
            painter.setPen(QPen(color.opacity(color.alpha * (dark ? 0.22 : 0.1)).resolve(m_scheme), glowWidth,
                Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            for (const QPainterPath &part : slices[s]) {
                painter.drawPath(part);
            }
        }
        for (std::size_t s = 0; s < series.size(); ++s) {
            painter.setPen(QPen(series[s].color.resolve(m_scheme), TimeSeriesChart::lineWidth, Qt::SolidLine,
                Qt::RoundCap, Qt::RoundJoin));
            for (const QPainterPath &part : slices[s]) {
                painter.drawPath(part);
            }
        }
    }
    painter.setClipRect(drawable);

    painter.setPen(Qt::NoPen);
    auto dot = [&](const QPointF &centre, qreal size, const QColor &colour) {
        const qreal r = symbolDiameter(size) / 2;
        painter.setBrush(colour);
        painter.drawEllipse(centre, r, r);
    };
    for (const ChartSeries &line : series) {
        const std::set<int> lone = ChartCurves::loneSegments(line.points);
        if (lone.empty()) {
            continue;
        }
        const QColor colour = line.color.resolve(m_scheme);
        for (const ChartPoint &point : line.points) {
            if (lone.count(point.segment)) {
                dot(m_scale.point(point.date, point.value), TimeSeriesChart::loneDotSize, colour);
            }
        }
    }
    if (marksNow) {
        const bool full = m_chart.showsAxes();
        for (const ChartSeries &line : series) {
            if (!m_chart.marksNewest(line)) {
                continue;
            }
            const ChartPoint &last = line.points.back();
            const QPointF centre = m_scale.point(last.date, last.value);
            dot(centre, full ? nowHaloSize : nowHaloSizeCompact,
                line.color.opacity(line.color.alpha / 4).resolve(m_scheme));
            dot(centre, full ? nowDotSize : nowDotSizeCompact, line.color.resolve(m_scheme));
        }
    }
    painter.restore();
}

void ChartPainter::paintSelection(Timestamp date)
{
    QPainter &painter = m_painter;
    const QRectF &plot = m_scale.plot();
    painter.save();
    const qreal x = m_scale.x(date);
    QPen rule(Theme::muted.opacity(0.7).resolve(m_scheme), 1);
    rule.setDashPattern({ 3, 3 });
    painter.setPen(rule);
    painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));

    const TimeSeriesChart::Callout callout = m_chart.selectionCallout(date);
    const QFont dateFont = ChartAxes::font();
    const QFont rowFont = calloutRowFont();
    const QFontMetricsF dateMetrics(dateFont);
    const QFontMetricsF rowMetrics(rowFont);
    constexpr qreal padX = 7;
    constexpr qreal padY = 5;
    constexpr qreal spacing = 2;
    constexpr qreal swatch = 6;
    constexpr qreal swatchGap = 4;
    // Measured as drawn: digits in equal cells, as on the axes.
    qreal contentWidth = TabularText::width(callout.date, dateFont);
    qreal contentHeight = dateMetrics.height();
    for (const TimeSeriesChart::CalloutRow &row : callout.rows) {
        contentWidth = std::max(contentWidth, swatch + swatchGap + TabularText::width(row.text, rowFont));
        contentHeight += spacing + rowMetrics.height();
    }
    const QSizeF size(std::ceil(contentWidth + 2 * padX), std::ceil(contentHeight + 2 * padY));
    // Centred over the rule and kept inside the chart sideways. Above the
    // plot when there is room; a widget cannot draw outside itself, so
    // otherwise it comes down just far enough to stay whole.
    // The full chart keeps it off its focus ring.
    const qreal edge = m_chart.showsAxes() ? std::ceil(TimeSeriesChart::focusLineWidth) + 1 : 0;
    const qreal width = m_chart.width();
    const qreal left = std::clamp(x - size.width() / 2, edge, std::max(edge, width - edge - size.width()));
    qreal top = std::max(edge, plot.top() - 2 - size.height());
    // When it has to come down into the plot, it must not hide the readings
    // it describes: it goes to the bottom instead when they lie under it.
    auto coversReading = [&](qreal boxTop) {
        for (const ChartSeries &series : m_chart.series()) {
            if (const std::optional<ChartPoint> point = TimeSeriesChart::nearest(series.points, date)) {
                const qreal py = m_scale.point(point->date, point->value).y();
                if (py >= boxTop - 4 && py <= boxTop + size.height() + 4) {
                    return true;
                }
            }
        }
        return false;
    };
    const qreal lowest = std::max(edge, plot.bottom() - size.height());
    if (top + size.height() > plot.top() && coversReading(top) && !coversReading(lowest)) {
        top = lowest;
    }
    const QRectF box(QPointF(left, top), size);

    // A frosted panel a step lighter than the card in the dark, so it stands
    // apart from the card it floats over.
    const bool dark = m_scheme == ColorScheme::dark;
    QColor material = (dark ? Theme::placeholder : Theme::cardFillTop).resolve(m_scheme);
    material.setAlphaF(0.92f);
    const QColor border = (dark ? Theme::cardBorderTop : Theme::cardStroke).resolve(m_scheme);
    painter.setPen(QPen(border, 1));
    painter.setBrush(material);
    painter.drawRoundedRect(
        box.adjusted(0.5, 0.5, -0.5, -0.5), TimeSeriesChart::cornerRadius, TimeSeriesChart::cornerRadius);

    qreal cursor = box.top() + padY;
    painter.setFont(dateFont);
    painter.setPen(Theme::muted.resolve(m_scheme));
    TabularText::draw(painter, QPointF(box.left() + padX, cursor + dateMetrics.ascent()), callout.date);
    cursor += dateMetrics.height();
    painter.setFont(rowFont);
    for (const TimeSeriesChart::CalloutRow &row : callout.rows) {
        cursor += spacing;
        const qreal middle = cursor + rowMetrics.height() / 2;
        painter.setPen(Qt::NoPen);
        painter.setBrush(row.color.resolve(m_scheme));
        painter.drawEllipse(QRectF(box.left() + padX, middle - swatch / 2, swatch, swatch));
        painter.setPen(Theme::text.resolve(m_scheme));
        TabularText::draw(painter, QPointF(box.left() + padX + swatch + swatchGap, cursor + rowMetrics.ascent()),
                          row.text);
        cursor += rowMetrics.height();
    }
    painter.restore();
}

void ChartPainter::paintFocusRing()
{
    const qreal inset = TimeSeriesChart::focusLineWidth / 2;
    m_painter.setPen(QPen(Theme::mint.resolve(m_scheme), TimeSeriesChart::focusLineWidth));
    m_painter.setBrush(Qt::NoBrush);
    m_painter.drawRoundedRect(QRectF(m_chart.rect()).adjusted(inset, inset, -inset, -inset),
        TimeSeriesChart::cornerRadius, TimeSeriesChart::cornerRadius);
}

} // namespace voltmere
