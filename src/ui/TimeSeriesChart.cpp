#include "ui/TimeSeriesChart.h"

#include "history/SeriesSummary.h"
#include "model/Format.h"
#include "ui/ChartAccessible.h"
#include "ui/ChartAxes.h"
#include "ui/ChartCurves.h"
#include "ui/ChartPainter.h"
#include "ui/ChartScale.h"
#include "ui/Environment.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace voltmere {

namespace {

bool sameSeries(const std::vector<ChartSeries> &a, const std::vector<ChartSeries> &b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const ChartSeries &x, const ChartSeries &y) {
        return x.name == y.name && x.color == y.color && x.points == y.points;
    });
}

} // namespace

TimeSeriesChart::TimeSeriesChart(QWidget *parent)
    : QWidget(parent)
    , m_clock(&Clock::system())
    , m_axes(std::make_unique<ChartAxes>())
{
    ChartAccessible::install();
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

TimeSeriesChart::~TimeSeriesChart() = default;

// ---- inputs -----------------------------------------------------------------

void TimeSeriesChart::setTitle(const QString &title)
{
    if (title == m_title) {
        return;
    }
    m_title = title;
    setAccessibleName(title);
}

void TimeSeriesChart::setSeries(const std::vector<ChartSeries> &series)
{
    if (sameSeries(series, m_series)) {
        return;
    }
    // (A plain date and flag: GCC cannot follow an optional through here.)
    const std::optional<Timestamp> selected = selectedDate();
    const bool keepKey = m_keyIndex.has_value() && selected.has_value();
    const Timestamp keyDate = selected.value_or(0);
    m_series = series;
    m_layer.invalidate();
    update();
    // A refresh moves the points under the keyboard selection; it stays on
    // the reading it was on (or the nearest one), not on its index. An index
    // the new data no longer reaches falls back to the hover, as before.
    if (keepKey && !m_series.empty() && *m_keyIndex < static_cast<int>(m_series.front().points.size())) {
        const std::vector<ChartPoint> &points = m_series.front().points;
        int closest = 0;
        for (std::size_t i = 1; i < points.size(); ++i) {
            if (std::abs(points[i].date - keyDate)
                < std::abs(points[static_cast<std::size_t>(closest)].date - keyDate)) {
                closest = static_cast<int>(i);
            }
        }
        m_keyIndex = closest;
    }
    selectionMayHaveChanged();
}

void TimeSeriesChart::setXDomain(TimeRange domain)
{
    if (domain == m_xDomain) {
        return;
    }
    m_xDomain = domain;
    m_layer.invalidate();
    update();
}

void TimeSeriesChart::setYDomain(std::optional<ValueRange> domain)
{
    if (domain == m_yDomain) {
        return;
    }
    m_yDomain = domain;
    m_layer.invalidate();
    update();
}

void TimeSeriesChart::setGaps(const std::vector<GapBand> &gaps)
{
    if (gaps == m_gaps) {
        return;
    }
    m_gaps = gaps;
    update();
}

void TimeSeriesChart::setChartHeight(qreal height)
{
    setFixedHeight(static_cast<int>(std::ceil(height)));
}

void TimeSeriesChart::setShowsAxes(bool shows)
{
    if (shows == m_showsAxes) {
        return;
    }
    m_showsAxes = shows;
    m_layer.invalidate();
    // Only the full chart is a keyboard stop; compact charts sit inside
    // buttons and cards that take the focus themselves.
    setFocusPolicy(shows ? Qt::StrongFocus : Qt::NoFocus);
    if (!shows && hasFocus()) {
        clearFocus();
    }
    updateGeometry();
    update();
}

void TimeSeriesChart::setFormat(ValueFormat format)
{
    m_axes->setFormat(std::move(format));
    m_layer.invalidate();
    update();
}

void TimeSeriesChart::setFills(bool fills)
{
    if (fills == m_fills) {
        return;
    }
    m_fills = fills;
    m_layer.invalidate();
    update();
}

void TimeSeriesChart::setMarksNow(bool marks)
{
    if (marks == m_marksNow) {
        return;
    }
    m_marksNow = marks;
    m_layer.invalidate();
    update();
}

void TimeSeriesChart::setClock(const Clock &clock)
{
    m_clock = &clock;
}

// ---- selection: pointer and keyboard ----------------------------------------

void TimeSeriesChart::setHoverDate(std::optional<Timestamp> date)
{
    if (date == m_hoverDate) {
        return;
    }
    m_hoverDate = date;
    selectionMayHaveChanged();
}

void TimeSeriesChart::setKeyIndex(std::optional<int> index)
{
    if (index == m_keyIndex) {
        return;
    }
    m_keyIndex = index;
    selectionMayHaveChanged();
}

std::optional<Timestamp> TimeSeriesChart::selectedDate() const
{
    if (m_keyIndex && !m_series.empty()) {
        const auto &points = m_series.front().points;
        if (*m_keyIndex >= 0 && *m_keyIndex < static_cast<int>(points.size())) {
            return points[static_cast<std::size_t>(*m_keyIndex)].date;
        }
    }
    return m_hoverDate;
}

void TimeSeriesChart::selectionMayHaveChanged()
{
    const std::optional<Timestamp> selected = selectedDate();
    if (selected == m_reportedSelection) {
        return;
    }
    m_reportedSelection = selected;
    update();
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::ValueChanged);
        QAccessible::updateAccessibility(&event);
    }
    if (m_onSelect) {
        m_onSelect(selected);
    }
}

void TimeSeriesChart::setShowingFocus(bool showing)
{
    if (showing == m_showingFocus) {
        return;
    }
    m_showingFocus = showing;
    update();
}

void TimeSeriesChart::step(int delta)
{
    if (m_series.empty() || m_series.front().points.empty()) {
        return;
    }
    const int count = static_cast<int>(m_series.front().points.size());
    if (!m_keyIndex) {
        // The newest reading is what the user most likely wants first.
        setKeyIndex(count - 1);
        return;
    }
    const long long moved = static_cast<long long>(*m_keyIndex) + delta;
    setKeyIndex(static_cast<int>(std::clamp<long long>(moved, 0, count - 1)));
}

bool TimeSeriesChart::handle(int key, Qt::KeyboardModifiers modifiers)
{
    const bool firstHasPoints = !m_series.empty() && !m_series.front().points.empty();
    const int stride = modifiers.testFlag(Qt::AltModifier) ? 10 : 1;
    switch (key) {
    case Qt::Key_Escape:
        if (!m_keyIndex) {
            return false; // leaves Escape to the window, e.g. to close the panel
        }
        setKeyIndex(std::nullopt);
        return true;
    case Qt::Key_Home:
        setKeyIndex(firstHasPoints ? std::optional<int>(0) : std::nullopt);
        return true;
    case Qt::Key_End:
        setKeyIndex(
            firstHasPoints ? std::optional<int>(static_cast<int>(m_series.front().points.size()) - 1) : std::nullopt);
        return true;
    case Qt::Key_Left:
        step(-stride);
        return true;
    case Qt::Key_Right:
        step(stride);
        return true;
    default:
        return false;
    }
}

void TimeSeriesChart::keyPressEvent(QKeyEvent *event)
{
    if (m_showsAxes && handle(event->key(), event->modifiers())) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TimeSeriesChart::mouseMoveEvent(QMouseEvent *event)
{
    const QRectF plot = plotRect();
    const qreal x = event->position().x();
    if (x < plot.left() || x > plot.right() || !(plot.width() > 0)) {
        setHoverDate(std::nullopt);
    } else {
        setHoverDate(m_xDomain.lower + (x - plot.left()) / plot.width() * m_xDomain.length());
    }
    QWidget::mouseMoveEvent(event);
}

void TimeSeriesChart::leaveEvent(QEvent *event)
{
    setHoverDate(std::nullopt);
    QWidget::leaveEvent(event);
}

void TimeSeriesChart::focusInEvent(QFocusEvent *event)
{
    m_focused = true;
    update();
    QWidget::focusInEvent(event);
}

void TimeSeriesChart::focusOutEvent(QFocusEvent *event)
{
    m_focused = false;
    update();
    QWidget::focusOutEvent(event);
}

// ---- what the selection reads -----------------------------------------------

std::optional<ChartPoint> TimeSeriesChart::nearest(const std::vector<ChartPoint> &points, Timestamp date)
{
    const ChartPoint *best = nullptr;
    double bestDistance = 0;
    for (const ChartPoint &point : points) {
        const double distance = std::abs(point.date - date);
        // Strictly closer: on a tie the earlier point stays.
        if (!best || distance < bestDistance) {
            best = &point;
            bestDistance = distance;
        }
    }
    return best ? std::optional<ChartPoint>(*best) : std::nullopt;
}

TimeSeriesChart::Callout TimeSeriesChart::selectionCallout(Timestamp date) const
{
    Callout callout;
    callout.date = Format::timestamp(date, m_clock->now());
    const bool several = m_series.size() > 1;
    for (const ChartSeries &series : m_series) {
        const std::optional<ChartPoint> point = nearest(series.points, date);
        if (!point) {
            continue;
        }
        const QString value = m_axes->formatValue(point->value);
        callout.rows.push_back({ series.color, several ? series.name + QLatin1Char(' ') + value : value });
    }
    return callout;
}

QString TimeSeriesChart::accessibilityValue() const
{
    const Timestamp now = m_clock->now();
    const std::optional<Timestamp> selected = selectedDate();
    QStringList parts;
    if (!selected) {
        for (const ChartSeries &series : m_series) {
            parts << SeriesSummary::describe(
                series.points, series.name, [this](double v) { return m_axes->formatValue(v); }, now);
        }
        return parts.join(QLatin1Char(' '));
    }
    for (const ChartSeries &series : m_series) {
        if (const std::optional<ChartPoint> point = nearest(series.points, *selected)) {
            parts << series.name + QLatin1Char(' ') + m_axes->formatValue(point->value);
        }
    }
    return Format::timestamp(*selected, now) + QStringLiteral(": ") + parts.join(QStringLiteral(", "));
}

// ---- scales and layout (ChartScale, ChartAxes) ------------------------------

double TimeSeriesChart::autoDomain(const std::vector<ChartSeries> &series)
{
    return ChartScale::autoDomain(series);
}

TimeSeriesChart::ValueRange TimeSeriesChart::yRange() const
{
    if (m_yDomain) {
        return *m_yDomain;
    }
    return { 0, autoDomain(m_series) };
}

std::vector<double> TimeSeriesChart::valueTicks(ValueRange range, int aim)
{
    return ChartScale::valueTicks(range, aim);
}

std::vector<double> TimeSeriesChart::valueTickMarks(ValueRange range) const
{
    return m_axes->valueMarks(range);
}

std::vector<Timestamp> TimeSeriesChart::timeTicks(TimeRange range, int aim)
{
    return ChartScale::timeTicks(range, aim);
}

TimeSeriesChart::TimeLabelStyle TimeSeriesChart::xLabelFormat(double rangeSeconds)
{
    return ChartAxes::xLabelFormat(rangeSeconds);
}

QString TimeSeriesChart::xLabel(Timestamp date, TimeLabelStyle style)
{
    return ChartAxes::xLabel(date, style);
}

bool TimeSeriesChart::showsLabel(const GapBand &band) const
{
    return m_showsAxes && m_xDomain.length() > 0 && band.end - band.start >= gapLabelShare * m_xDomain.length();
}

bool TimeSeriesChart::marksNewest(const ChartSeries &series) const
{
    return !series.points.empty() && series.points.back().date >= m_xDomain.upper - nowWindowSeconds;
}

QRectF TimeSeriesChart::plotRect() const
{
    const QRectF bounds(rect());
    if (m_showsAxes) {
        return m_axes->plotRect(bounds, yRange());
    }
    // Room for half a glow line at the bottom and top, and for the newest
    // point's halo at the trailing edge.
    const qreal right = m_marksNow ? std::ceil(ChartPainter::symbolDiameter(ChartPainter::nowHaloSizeCompact) / 2) : 0;
    return bounds.adjusted(0, glowWidth / 2, -right, -glowWidth / 2);
}

QSize TimeSeriesChart::sizeHint() const
{
    return m_showsAxes ? QSize(480, 220) : QSize(240, 60);
}

QSize TimeSeriesChart::minimumSizeHint() const
{
    return m_showsAxes ? QSize(160, 80) : QSize(40, 16);
}

// ---- the lines' shape (ChartCurves) -----------------------------------------

std::set<int> TimeSeriesChart::loneSegments(const std::vector<ChartPoint> &points)
{
    return ChartCurves::loneSegments(points);
}

std::vector<std::vector<ChartPoint>> TimeSeriesChart::pieces(const std::vector<ChartPoint> &points)
{
    return ChartCurves::pieces(points);
}

std::vector<TimeSeriesChart::Curve> TimeSeriesChart::monotoneCurves(const std::vector<QPointF> &points)
{
    return ChartCurves::monotoneCurves(points);
}

QPainterPath TimeSeriesChart::monotonePath(const std::vector<QPointF> &points)
{
    return ChartCurves::monotonePath(points);
}

std::vector<QPointF> TimeSeriesChart::thin(const std::vector<QPointF> &points, qreal columnWidth)
{
    return ChartCurves::thin(points, columnWidth);
}

QPainterPath TimeSeriesChart::pathOf(const std::vector<Curve> &curves, std::size_t first, std::size_t last)
{
    return ChartCurves::pathOf(curves, first, last);
}

QPainterPath TimeSeriesChart::linePath(const ChartSeries &series, const QRectF &plot) const
{
    QPainterPath path;
    for (const std::vector<Curve> &piece : ChartCurves::pieceCurves(series, ChartScale(plot, m_xDomain, yRange()))) {
        path.addPath(pathOf(piece, 0, piece.size()));
    }
    return path;
}

// ---- painting (ChartPainter, ChartLayer) ------------------------------------

void TimeSeriesChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const ColorScheme scheme = Environment::colorScheme(this);
    const QRectF plot = plotRect();
    if (plot.width() <= 0 || plot.height() <= 0) {
        return;
    }
    const ChartScale scale(plot, m_xDomain, yRange());
    ChartPainter parts(*this, painter, scale, scheme);
    if (m_showsAxes) {
        parts.paintAxes(*m_axes);
    }
    parts.paintGaps(m_gaps);
    if (!m_series.empty()) {
        m_layer.paint(painter, plot, size(), scheme, [this, &scale, scheme](QPainter &layerPainter) {
            ChartPainter(*this, layerPainter, scale, scheme).paintLines(m_fills, m_marksNow);
        });
    }
    if (const std::optional<Timestamp> selected = selectedDate()) {
        parts.paintSelection(*selected);
    }
    const bool ringShown = m_showsAxes && (m_showingFocus || (m_focused && !Environment::staticRender(this)));
    if (ringShown) {
        parts.paintFocusRing();
    }
}

} // namespace voltmere
