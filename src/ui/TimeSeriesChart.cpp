#include "ui/TimeSeriesChart.h"

#include "history/SeriesSummary.h"
#include "model/Format.h"
#include "ui/Environment.h"
#include "ui/Theme.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QDateTime>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QSemaphore>
#include <QThreadPool>

#include <unicode/dtptngen.h>
#include <unicode/smpdtfmt.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>
#include <memory>

namespace voltmere {

namespace {

constexpr double autoHeadroomPercent = 115; // the automatic range reaches 1.15 × the largest value
constexpr qreal nowHaloSize = 160; // symbol areas, square points
constexpr qreal nowHaloSizeCompact = 110;
constexpr qreal nowDotSize = 36;
constexpr qreal nowDotSizeCompact = 26;
constexpr qreal axisGap = 8; // between the plot and the y labels: clears the newest point's halo
constexpr qreal axesMargin = 4;

// A symbol of area `size` square points drawn as a circle that fills a
// square of that area.
qreal symbolDiameter(qreal size)
{
    return std::sqrt(size);
}

bool sameSeries(const std::vector<ChartSeries> &a, const std::vector<ChartSeries> &b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const ChartSeries &x, const ChartSeries &y) {
        return x.name == y.name && x.color == y.color && x.points == y.points;
    });
}

QFont axisFont()
{
    return Theme::font(10);
}

QFont gapLabelFont()
{
    return Theme::font(9, QFont::Medium);
}

QFont calloutRowFont()
{
    return Theme::font(11, QFont::DemiBold);
}

// ICU patterns from skeletons, so hours follow the locale ("j": 12-hour with
// an abbreviated AM/PM where the locale uses one).
class TimeLabelFormats {
public:
    TimeLabelFormats()
    {
        const icu::Locale locale = icu::Locale::getDefault();
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::DateTimePatternGenerator> generator(
            icu::DateTimePatternGenerator::createInstance(locale, status));
        if (U_FAILURE(status)) {
            return;
        }
        const std::array<const char *, 3> skeletons { "jmmss", "jmm", "EEEj" };
        for (std::size_t i = 0; i < skeletons.size(); ++i) {
            UErrorCode patternStatus = U_ZERO_ERROR;
            const icu::UnicodeString pattern
                = generator->getBestPattern(icu::UnicodeString::fromUTF8(skeletons[i]), patternStatus);
            if (U_FAILURE(patternStatus)) {
                continue;
            }
            auto format = std::make_unique<icu::SimpleDateFormat>(pattern, locale, patternStatus);
            if (U_SUCCESS(patternStatus)) {
                m_formats[i] = std::move(format);
            }
        }
    }

    QString format(Timestamp date, TimeSeriesChart::TimeLabelStyle style) const
    {
        const icu::DateFormat *formatter = m_formats[static_cast<std::size_t>(style)].get();
        if (!formatter) {
            static const std::array<const char *, 3> fallbacks { "HH:mm:ss", "HH:mm", "ddd HH" };
            return QDateTime::fromMSecsSinceEpoch(std::llround(date * 1000.0))
                .toString(QString::fromLatin1(fallbacks[static_cast<std::size_t>(style)]));
        }
        icu::UnicodeString text;
        formatter->format(static_cast<UDate>(date * 1000.0), text);
        std::string utf8;
        text.toUTF8String(utf8);
        return QString::fromStdString(utf8);
    }

private:
    std::array<std::unique_ptr<icu::DateFormat>, 3> m_formats;
};

// Screen readers see one element: the title, the summary or the selected
// reading, and increment/decrement to step through the points.
class ChartAccessible final : public QAccessibleWidget {
public:
    explicit ChartAccessible(TimeSeriesChart *chart)
        : QAccessibleWidget(chart, QAccessible::Chart)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        const auto *c = chart();
        switch (t) {
        case QAccessible::Name:
            return c->title();
        case QAccessible::Value:
            return c->accessibilityValue();
        default:
            return QAccessibleWidget::text(t);
        }
    }

    QStringList actionNames() const override
    {
        return QAccessibleWidget::actionNames()
            << QAccessibleActionInterface::increaseAction() << QAccessibleActionInterface::decreaseAction();
    }

    void doAction(const QString &name) override
    {
        if (name == QAccessibleActionInterface::increaseAction()) {
            chart()->step(1);
        } else if (name == QAccessibleActionInterface::decreaseAction()) {
            chart()->step(-1);
        } else {
            QAccessibleWidget::doAction(name);
        }
    }

private:
    TimeSeriesChart *chart() const { return static_cast<TimeSeriesChart *>(widget()); }
};

QAccessibleInterface *chartFactory(const QString &, QObject *object)
{
    if (auto *chart = qobject_cast<TimeSeriesChart *>(object)) {
        return new ChartAccessible(chart);
    }
    return nullptr;
}

} // namespace

TimeSeriesChart::TimeSeriesChart(QWidget *parent)
    : QWidget(parent)
    , m_clock(&Clock::system())
{
    static const bool installed = [] {
        QAccessible::installFactory(chartFactory);
        return true;
    }();
    Q_UNUSED(installed);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

// ---- inputs ---------------------------------------------------------------

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
    m_series = series;
    m_layerDirty = true;
    update();
    // The keyboard index stays, but the date it points at may have moved.
    selectionMayHaveChanged();
}

void TimeSeriesChart::setXDomain(TimeRange domain)
{
    if (domain == m_xDomain) {
        return;
    }
    m_xDomain = domain;
    m_layerDirty = true;
    update();
}

void TimeSeriesChart::setYDomain(std::optional<ValueRange> domain)
{
    if (domain == m_yDomain) {
        return;
    }
    m_yDomain = domain;
    m_layerDirty = true;
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
    m_layerDirty = true;
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
    m_format = std::move(format);
    m_valueLabels.clear();
    m_layerDirty = true;
    update();
}

void TimeSeriesChart::setFills(bool fills)
{
    if (fills == m_fills) {
        return;
    }
    m_fills = fills;
    m_layerDirty = true;
    update();
}

void TimeSeriesChart::setMarksNow(bool marks)
{
    if (marks == m_marksNow) {
        return;
    }
    m_marksNow = marks;
    m_layerDirty = true;
    update();
}

void TimeSeriesChart::setClock(const Clock &clock)
{
    m_clock = &clock;
}

// ---- selection --------------------------------------------------------------

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

// ---- pure parts ----------------------------------------------------------------

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

std::set<int> TimeSeriesChart::loneSegments(const std::vector<ChartPoint> &points)
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

double TimeSeriesChart::autoDomain(const std::vector<ChartSeries> &series)
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

TimeSeriesChart::ValueRange TimeSeriesChart::yRange() const
{
    if (m_yDomain) {
        return *m_yDomain;
    }
    return { 0, autoDomain(m_series) };
}

TimeSeriesChart::TimeLabelStyle TimeSeriesChart::xLabelFormat(double rangeSeconds)
{
    if (rangeSeconds <= 3600) {
        return TimeLabelStyle::hourMinuteSecond;
    }
    if (rangeSeconds <= 129600) {
        return TimeLabelStyle::hourMinute;
    }
    return TimeLabelStyle::weekdayHour;
}

QString TimeSeriesChart::xLabel(Timestamp date, TimeLabelStyle style)
{
    static const TimeLabelFormats formats;
    return formats.format(date, style);
}

bool TimeSeriesChart::showsLabel(const GapBand &band) const
{
    return m_showsAxes && m_xDomain.length() > 0 && band.end - band.start >= gapLabelShare * m_xDomain.length();
}

bool TimeSeriesChart::marksNewest(const ChartSeries &series) const
{
    return !series.points.empty() && series.points.back().date >= m_xDomain.upper - nowWindowSeconds;
}

QString TimeSeriesChart::formatValue(double value) const
{
    return m_format ? m_format(value) : QString::number(value, 'g', 4);
}

// Memos hold a few hundred marks at most: a long-lived chart that pans
// through days starts over instead of growing.
constexpr std::size_t axisLabelMemo = 256;

const TimeSeriesChart::AxisLabel &TimeSeriesChart::valueLabel(double value) const
{
    if (m_valueLabels.size() >= axisLabelMemo) {
        m_valueLabels.clear();
    }
    auto [it, inserted] = m_valueLabels.try_emplace(value);
    if (inserted) {
        it->second.text = formatValue(value);
        it->second.width = QFontMetricsF(axisFont()).horizontalAdvance(it->second.text);
    }
    return it->second;
}

const TimeSeriesChart::AxisLabel &TimeSeriesChart::timeLabel(Timestamp date, TimeLabelStyle style) const
{
    if (m_timeLabels.size() >= axisLabelMemo) {
        m_timeLabels.clear();
    }
    auto [it, inserted] = m_timeLabels.try_emplace({ date, style });
    if (inserted) {
        it->second.text = xLabel(date, style);
        it->second.width = QFontMetricsF(axisFont()).horizontalAdvance(it->second.text);
    }
    return it->second;
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
        const QString value = formatValue(point->value);
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
                series.points, series.name, [this](double v) { return formatValue(v); }, now);
        }
        return parts.join(QLatin1Char(' '));
    }
    for (const ChartSeries &series : m_series) {
        if (const std::optional<ChartPoint> point = nearest(series.points, *selected)) {
            parts << series.name + QLatin1Char(' ') + formatValue(point->value);
        }
    }
    return Format::timestamp(*selected, now) + QStringLiteral(": ") + parts.join(QStringLiteral(", "));
}

std::vector<double> TimeSeriesChart::valueTicks(ValueRange range, int aim)
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

std::vector<double> TimeSeriesChart::valueTickMarks(ValueRange range) const
{
    // A coarse format (whole percent over 0–1) would write 0.5 as a second
    // "1%": fewer marks, each with its own label, read better.
    for (int aim = 3; aim > 1; --aim) {
        std::vector<double> ticks = valueTicks(range, aim);
        bool distinct = true;
        for (std::size_t i = 1; i < ticks.size() && distinct; ++i) {
            distinct = valueLabel(ticks[i]).text != valueLabel(ticks[i - 1]).text;
        }
        if (distinct) {
            return ticks;
        }
    }
    return valueTicks(range, 1);
}

std::vector<Timestamp> TimeSeriesChart::timeTicks(TimeRange range, int aim)
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

std::vector<std::vector<ChartPoint>> TimeSeriesChart::pieces(const std::vector<ChartPoint> &points)
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

std::vector<TimeSeriesChart::Curve> TimeSeriesChart::monotoneCurves(const std::vector<QPointF> &points)
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

std::vector<QPointF> TimeSeriesChart::thin(const std::vector<QPointF> &points, qreal columnWidth)
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

QPainterPath TimeSeriesChart::pathOf(const std::vector<Curve> &curves, std::size_t first, std::size_t last)
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

QPainterPath TimeSeriesChart::monotonePath(const std::vector<QPointF> &points)
{
    if (points.size() == 1) {
        QPainterPath path;
        path.moveTo(points.front());
        return path;
    }
    const std::vector<Curve> curves = monotoneCurves(points);
    return pathOf(curves, 0, curves.size());
}

qreal TimeSeriesChart::xPixel(const QRectF &plot, Timestamp date) const
{
    const double length = m_xDomain.length();
    if (!(length > 0)) {
        return plot.center().x();
    }
    return plot.left() + (date - m_xDomain.lower) / length * plot.width();
}

QPointF TimeSeriesChart::toPixel(const QRectF &plot, Timestamp date, double value, const ValueRange &y) const
{
    const double span = y.upper - y.lower;
    const double share = span > 0 ? (value - y.lower) / span : 0.0;
    return { xPixel(plot, date), plot.bottom() - share * plot.height() };
}

std::vector<std::vector<TimeSeriesChart::Curve>> TimeSeriesChart::pieceCurves(
    const ChartSeries &series, const QRectF &plot, const ValueRange &y) const
{
    std::vector<std::vector<Curve>> result;
    for (const std::vector<ChartPoint> &piece : pieces(series.points)) {
        if (piece.size() < 2) {
            continue; // a lone point is a dot, not a line
        }
        std::vector<QPointF> pixels;
        pixels.reserve(piece.size());
        for (const ChartPoint &point : piece) {
            pixels.push_back(toPixel(plot, point.date, point.value, y));
        }
        result.push_back(monotoneCurves(thin(pixels, thinningWidth)));
    }
    return result;
}

QPainterPath TimeSeriesChart::linePath(const ChartSeries &series, const QRectF &plot) const
{
    QPainterPath path;
    for (const std::vector<Curve> &piece : pieceCurves(series, plot, yRange())) {
        path.addPath(pathOf(piece, 0, piece.size()));
    }
    return path;
}

// ---- layout -------------------------------------------------------------------

qreal TimeSeriesChart::yLabelWidth() const
{
    qreal widest = 0;
    for (double tick : valueTickMarks(yRange())) {
        widest = std::max(widest, valueLabel(tick).width);
    }
    return std::ceil(widest);
}

QRectF TimeSeriesChart::plotRect() const
{
    const QRectF bounds(rect());
    if (!m_showsAxes) {
        // Room for half a glow line at the bottom and top, and for the newest
        // point's halo at the trailing edge.
        const qreal right = m_marksNow ? std::ceil(symbolDiameter(nowHaloSizeCompact) / 2) : 0;
        return bounds.adjusted(0, glowWidth / 2, -right, -glowWidth / 2);
    }
    const QFontMetricsF metrics(axisFont());
    const qreal top = axesMargin + std::ceil(metrics.height() / 2);
    const qreal bottom = axesMargin + std::ceil(metrics.height()) + 2;
    const qreal right = axesMargin + axisGap + yLabelWidth();
    return bounds.adjusted(axesMargin, top, -right, -bottom);
}

QSize TimeSeriesChart::sizeHint() const
{
    return m_showsAxes ? QSize(480, 220) : QSize(240, 60);
}

QSize TimeSeriesChart::minimumSizeHint() const
{
    return m_showsAxes ? QSize(160, 80) : QSize(40, 16);
}

// ---- painting -------------------------------------------------------------------

void TimeSeriesChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const ColorScheme scheme = Environment::colorScheme(this);
    const QRectF plot = plotRect();
    if (plot.width() <= 0 || plot.height() <= 0) {
        return;
    }
    const ValueRange y = yRange();
    if (m_showsAxes) {
        paintAxes(painter, plot, y, scheme);
    }
    paintGaps(painter, plot, scheme);
    paintSeriesLayer(painter, plot, y, scheme);
    if (const std::optional<Timestamp> selected = selectedDate()) {
        paintSelection(painter, plot, *selected, scheme);
    }
    const bool ringShown = m_showsAxes && (m_showingFocus || (m_focused && !Environment::staticRender(this)));
    if (ringShown) {
        const qreal inset = focusLineWidth / 2;
        painter.setPen(QPen(Theme::mint.resolve(scheme), focusLineWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), cornerRadius, cornerRadius);
    }
}

void TimeSeriesChart::paintGaps(QPainter &painter, const QRectF &plot, ColorScheme scheme) const
{
    if (m_gaps.empty()) {
        return;
    }
    painter.save();
    painter.setClipRect(plot);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::gapFill.resolve(scheme));
    for (const GapBand &band : m_gaps) {
        const qreal left = xPixel(plot, band.start);
        const qreal right = xPixel(plot, band.end);
        painter.drawRect(QRectF(QPointF(left, plot.top()), QPointF(right, plot.bottom())));
    }
    painter.setFont(gapLabelFont());
    painter.setPen(Theme::muted.resolve(scheme));
    const QFontMetricsF metrics(painter.font());
    for (const GapBand &band : m_gaps) {
        if (!showsLabel(band)) {
            continue;
        }
        const qreal middle = (xPixel(plot, band.start) + xPixel(plot, band.end)) / 2;
        const qreal textWidth = metrics.horizontalAdvance(band.label);
        // Over the middle of the band near its top, where lines rarely reach;
        // kept inside the plot when the band touches an edge.
        const qreal left
            = std::clamp(middle - textWidth / 2, plot.left(), std::max(plot.left(), plot.right() - textWidth));
        painter.drawText(QPointF(left, plot.top() + 3 + metrics.ascent()), band.label);
    }
    painter.restore();
}

void TimeSeriesChart::paintAxes(QPainter &painter, const QRectF &plot, const ValueRange &y, ColorScheme scheme) const
{
    painter.save();
    const QFont font = axisFont();
    painter.setFont(font);
    const QFontMetricsF metrics(font);
    const QColor grid = Theme::cardStroke.resolve(scheme);
    const QColor label = Theme::muted.resolve(scheme);
    const qreal hairline = 1;

    // y: grid lines across the plot, labels on the trailing side.
    for (double tick : valueTickMarks(y)) {
        const qreal py = std::round(toPixel(plot, m_xDomain.lower, tick, y).y()) + 0.5 * hairline;
        painter.setPen(QPen(grid, hairline));
        painter.drawLine(QPointF(plot.left(), py), QPointF(plot.right(), py));
        painter.setPen(label);
        painter.drawText(
            QPointF(plot.right() + axisGap, py - metrics.height() / 2 + metrics.ascent()), valueLabel(tick).text);
    }

    // x: as many round marks as fit (aiming at five) without labels touching.
    const TimeLabelStyle style = xLabelFormat(m_xDomain.length());
    std::vector<Timestamp> ticks;
    for (int aim = 5; aim >= 1; --aim) {
        ticks = timeTicks(m_xDomain, aim);
        qreal widest = 0;
        for (Timestamp t : ticks) {
            widest = std::max(widest, timeLabel(t, style).width);
        }
        if (static_cast<qreal>(ticks.size()) * (widest + 12) <= plot.width() + widest) {
            break;
        }
    }
    const qreal baseline = plot.bottom() + 2 + metrics.ascent();
    // Ticks fall where round times do, not evenly, and the end labels are
    // pulled inside the plot: a label that would run into the one before it
    // keeps its grid line and loses its text.
    constexpr qreal labelGap = 6;
    qreal previousRight = -std::numeric_limits<qreal>::infinity();
    for (Timestamp t : ticks) {
        const qreal px = std::round(xPixel(plot, t)) + 0.5 * hairline;
        painter.setPen(QPen(grid, hairline));
        painter.drawLine(QPointF(px, plot.top()), QPointF(px, plot.bottom()));
        const AxisLabel &mark = timeLabel(t, style);
        const qreal textWidth = mark.width;
        // The end labels stay under the plot, clear of the y labels and the focus ring.
        const qreal left = std::clamp(px - textWidth / 2, plot.left(), std::max(plot.left(), plot.right() - textWidth));
        if (left < previousRight + labelGap) {
            continue;
        }
        painter.setPen(label);
        painter.drawText(QPointF(left, baseline), mark.text);
        previousRight = left + textWidth;
    }
    painter.restore();
}

qreal TimeSeriesChart::targetPixelRatio(const QPainter &painter)
{
    // A widget rendered into an image paints through a redirection: the
    // engine's device is the image, with its own density.
    const QPaintEngine *engine = painter.paintEngine();
    const QPaintDevice *device = engine && engine->paintDevice() ? engine->paintDevice() : painter.device();
    return device ? device->devicePixelRatioF() : 1.0;
}

void TimeSeriesChart::paintSeriesLayer(QPainter &painter, const QRectF &plot, const ValueRange &y, ColorScheme scheme)
{
    if (m_series.empty()) {
        return;
    }
    // Moving the selection repaints the chart far more often than the data
    // changes, so the lines are kept as an image until an input changes.
    const LayerKey key { plot, size(), scheme, targetPixelRatio(painter) };
    if (m_layerDirty || !(key == m_layerKey) || m_layer.isNull()) {
        m_layer = QImage(size() * key.pixelRatio, QImage::Format_ARGB32_Premultiplied);
        m_layer.setDevicePixelRatio(key.pixelRatio);
        m_layer.fill(Qt::transparent);
        auto draw = [this, &plot, &y, scheme] {
            QPainter layerPainter(&m_layer);
            layerPainter.setRenderHint(QPainter::Antialiasing);
            paintSeries(layerPainter, plot, y, scheme);
        };
        // Qt's raster engine hands every fill of more than about a hundred
        // spans to the global thread pool and waits for it. The chart's many
        // short strips make that a stream of tiny hand-offs whose wake-ups
        // cost more than the filling (about half of the chart's CPU), while
        // painting on a pool thread fills inline. So one pool thread draws
        // the layer while this one waits: the same pixels, one hand-off.
        // With every pool thread busy (an export, say), it is drawn here.
        QSemaphore drawn;
        if (QThreadPool::globalInstance()->tryStart([&draw, &drawn] {
                draw();
                drawn.release();
            })) {
            drawn.acquire();
        } else {
            draw();
        }
        m_layerKey = key;
        m_layerDirty = false;
    }
    painter.drawImage(QPointF(0, 0), m_layer);
}

void TimeSeriesChart::paintSeries(QPainter &painter, const QRectF &plot, const ValueRange &y, ColorScheme scheme) const
{
    if (m_series.empty()) {
        return;
    }
    const bool dark = scheme == ColorScheme::dark;
    painter.save();
    // Lines may not wander over the axis labels; the margin keeps round caps
    // and the newest point's halo whole at the edges.
    const qreal spill = symbolDiameter(nowHaloSize) / 2;
    painter.setClipRect(plot.adjusted(-spill, -spill, spill, spill) & QRectF(rect()));

    std::vector<std::vector<std::vector<Curve>>> lines(m_series.size()); // per series, per piece
    std::size_t curveCount = 0;
    for (std::size_t s = 0; s < m_series.size(); ++s) {
        lines[s] = pieceCurves(m_series[s], plot, y);
        for (const std::vector<Curve> &piece : lines[s]) {
            curveCount += piece.size();
        }
    }

    // Qt's rasterizer slows down far more than linearly on long paths (an
    // hour of 2-second readings took ~40 ms for one wide stroke), so long
    // lines are drawn in vertical strips of a few dozen curves each. Strip
    // edges fall on device pixels and every strip's path reaches a glow's
    // width past its edges, so no cap, seam or overlap shows where they meet.
    const QRectF drawable = painter.clipBoundingRect();
    const int strips = std::max(1, static_cast<int>(curveCount / stripCurves));
    const qreal dpr = targetPixelRatio(painter);
    auto snap = [dpr](qreal x) { return std::round(x * dpr) / dpr; };
    const qreal floor = toPixel(plot, 0, y.lower, y).y();
    const double fillOpacity = (m_series.size() == 1 ? 0.34 : 0.18) * (dark ? 1.0 : 0.7);
    for (int k = 0; k < strips; ++k) {
        const qreal left = k == 0 ? drawable.left() : snap(plot.left() + plot.width() * k / strips);
        const qreal right = k == strips - 1 ? drawable.right() : snap(plot.left() + plot.width() * (k + 1) / strips);
        std::vector<std::vector<QPainterPath>> slices(m_series.size());
        for (std::size_t s = 0; s < m_series.size(); ++s) {
            for (const std::vector<Curve> &piece : lines[s]) {
                // x grows along a piece: the curves reaching into the strip are one run.
                const auto first = std::lower_bound(
                    piece.begin(), piece.end(), left - glowWidth, [](const Curve &c, qreal x) { return c.to.x() < x; });
                const auto last = std::upper_bound(
                    first, piece.end(), right + glowWidth, [](qreal x, const Curve &c) { return x < c.from.x(); });
                if (first < last) {
                    slices[s].push_back(pathOf(piece, static_cast<std::size_t>(first - piece.begin()),
                        static_cast<std::size_t>(last - piece.begin())));
                }
            }
        }
        if (strips > 1) {
            painter.setClipRect(QRectF(left, drawable.top(), right - left, drawable.height()));
        }
        if (m_fills) {
            painter.setPen(Qt::NoPen);
            for (std::size_t s = 0; s < m_series.size(); ++s) {
                const ThemeColor &color = m_series[s].color;
                QLinearGradient gradient(0, plot.top(), 0, plot.bottom());
                gradient.setColorAt(0, color.opacity(color.alpha * fillOpacity).resolve(scheme));
                gradient.setColorAt(1, color.opacity(0).resolve(scheme));
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
        for (std::size_t s = 0; s < m_series.size(); ++s) {
            const ThemeColor &color = m_series[s].color;
            painter.setPen(QPen(color.opacity(color.alpha * (dark ? 0.22 : 0.1)).resolve(scheme), glowWidth,
                Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            for (const QPainterPath &part : slices[s]) {
                painter.drawPath(part);
            }
        }
        for (std::size_t s = 0; s < m_series.size(); ++s) {
            painter.setPen(
                QPen(m_series[s].color.resolve(scheme), lineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
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
    for (const ChartSeries &series : m_series) {
        const std::set<int> lone = loneSegments(series.points);
        if (lone.empty()) {
            continue;
        }
        const QColor colour = series.color.resolve(scheme);
        for (const ChartPoint &point : series.points) {
            if (lone.count(point.segment)) {
                dot(toPixel(plot, point.date, point.value, y), loneDotSize, colour);
            }
        }
    }
    if (m_marksNow) {
        for (const ChartSeries &series : m_series) {
            if (!marksNewest(series)) {
                continue;
            }
            const ChartPoint &last = series.points.back();
            const QPointF centre = toPixel(plot, last.date, last.value, y);
            dot(centre, m_showsAxes ? nowHaloSize : nowHaloSizeCompact,
                series.color.opacity(series.color.alpha / 4).resolve(scheme));
            dot(centre, m_showsAxes ? nowDotSize : nowDotSizeCompact, series.color.resolve(scheme));
        }
    }
    painter.restore();
}

void TimeSeriesChart::paintSelection(QPainter &painter, const QRectF &plot, Timestamp date, ColorScheme scheme) const
{
    painter.save();
    const qreal x = xPixel(plot, date);
    QPen rule(Theme::muted.opacity(0.7).resolve(scheme), 1);
    rule.setDashPattern({ 3, 3 });
    painter.setPen(rule);
    painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));

    const Callout callout = selectionCallout(date);
    const QFont dateFont = axisFont();
    const QFont rowFont = calloutRowFont();
    const QFontMetricsF dateMetrics(dateFont);
    const QFontMetricsF rowMetrics(rowFont);
    constexpr qreal padX = 7;
    constexpr qreal padY = 5;
    constexpr qreal spacing = 2;
    constexpr qreal swatch = 6;
    constexpr qreal swatchGap = 4;
    qreal contentWidth = dateMetrics.horizontalAdvance(callout.date);
    qreal contentHeight = dateMetrics.height();
    for (const CalloutRow &row : callout.rows) {
        contentWidth = std::max(contentWidth, swatch + swatchGap + rowMetrics.horizontalAdvance(row.text));
        contentHeight += spacing + rowMetrics.height();
    }
    const QSizeF size(std::ceil(contentWidth + 2 * padX), std::ceil(contentHeight + 2 * padY));
    // Centred over the rule and kept inside the chart sideways. Above the
    // plot when there is room; a widget cannot draw outside itself, so
    // otherwise it comes down just far enough to stay whole.
    // The full chart keeps it off its focus ring.
    const qreal edge = m_showsAxes ? std::ceil(focusLineWidth) + 1 : 0;
    const qreal left = std::clamp(x - size.width() / 2, edge, std::max(edge, width() - edge - size.width()));
    qreal top = std::max(edge, plot.top() - 2 - size.height());
    // When it has to come down into the plot, it must not hide the readings
    // it describes: it goes to the bottom instead when they lie under it.
    const ValueRange y = yRange();
    auto coversReading = [&](qreal boxTop) {
        for (const ChartSeries &series : m_series) {
            if (const std::optional<ChartPoint> point = nearest(series.points, date)) {
                const qreal py = toPixel(plot, point->date, point->value, y).y();
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
    const bool dark = scheme == ColorScheme::dark;
    QColor material = (dark ? Theme::placeholder : Theme::cardFillTop).resolve(scheme);
    material.setAlphaF(0.92f);
    const QColor border = (dark ? Theme::cardBorderTop : Theme::cardStroke).resolve(scheme);
    painter.setPen(QPen(border, 1));
    painter.setBrush(material);
    painter.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius, cornerRadius);

    qreal cursor = box.top() + padY;
    painter.setFont(dateFont);
    painter.setPen(Theme::muted.resolve(scheme));
    painter.drawText(QPointF(box.left() + padX, cursor + dateMetrics.ascent()), callout.date);
    cursor += dateMetrics.height();
    painter.setFont(rowFont);
    for (const CalloutRow &row : callout.rows) {
        cursor += spacing;
        const qreal middle = cursor + rowMetrics.height() / 2;
        painter.setPen(Qt::NoPen);
        painter.setBrush(row.color.resolve(scheme));
        painter.drawEllipse(QRectF(box.left() + padX, middle - swatch / 2, swatch, swatch));
        painter.setPen(Theme::text.resolve(scheme));
        painter.drawText(QPointF(box.left() + padX + swatch + swatchGap, cursor + rowMetrics.ascent()), row.text);
        cursor += rowMetrics.height();
    }
    painter.restore();
}

// ---- events ---------------------------------------------------------------------

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

} // namespace voltmere
