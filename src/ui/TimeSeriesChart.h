#pragma once

#include "history/ChartSeries.h"
#include "history/GapBand.h"
#include "platform/Clock.h"
#include "ui/ChartLayer.h"

#include <QPainterPath>
#include <QPointF>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace voltmere {

class ChartAxes;

// The one chart of the program: value lines over a time axis with soft area
// fills, shaded gap bands, a mark on the newest reading and a selection moved
// by the pointer or the keyboard. Compact (no axes, no focus) in tiles and
// cards; full (axes, gap labels, keyboard) on the History page.
//
// Repaints only when an input changes: every setter returns early on an equal
// value. Main thread only.
//
// The widget holds the inputs and the selection (pointer and keyboard); its
// other parts have files of their own: ChartScale and ChartAxes (ranges, marks,
// labels, the plot rectangle), ChartCurves (the lines' shape), ChartPainter and
// ChartLayer (drawing), ChartAccessible (what screen readers see).
class TimeSeriesChart : public QWidget {
    Q_OBJECT
public:
    using ValueFormat = std::function<QString(double)>;
    // Told the new selected date (or none) every time it changes.
    using SelectHandler = std::function<void(std::optional<Timestamp>)>;

    struct TimeRange {
        Timestamp lower = 0;
        Timestamp upper = 0;
        double length() const { return upper - lower; }
        bool operator==(const TimeRange &) const = default;
    };
    struct ValueRange {
        double lower = 0;
        double upper = 1;
        bool operator==(const ValueRange &) const = default;
    };

    // How x-axis marks are written, chosen by the length of the time range.
    enum class TimeLabelStyle { hourMinuteSecond, hourMinute, weekdayHour };

    struct CalloutRow {
        ThemeColor color;
        QString text; // the value alone for one series, else "name value"
    };
    struct Callout {
        QString date;
        std::vector<CalloutRow> rows;
    };

    // Drawing sizes in points.
    static constexpr qreal lineWidth = 2;
    static constexpr qreal glowWidth = 6;
    static constexpr qreal loneDotSize = 14; // symbol sizes are areas
    static constexpr double gapLabelShare = 0.12;
    static constexpr double nowWindowSeconds = 30;
    static constexpr qreal focusLineWidth = 1.5;
    static constexpr qreal cornerRadius = 6;
    // Long lines are drawn in strips of about this many curves.
    static constexpr std::size_t stripCurves = 32;
    // Lines with more than one point per this many points of width are thinned.
    static constexpr qreal thinningWidth = 1.5;

    explicit TimeSeriesChart(QWidget *parent = nullptr);
    ~TimeSeriesChart() override;

    // Inputs.
    void setTitle(const QString &title); // the accessible name
    const QString &title() const { return m_title; }
    // Lines in drawing order; the first one drives keyboard stepping.
    void setSeries(const std::vector<ChartSeries> &series);
    const std::vector<ChartSeries> &series() const { return m_series; }
    void setXDomain(TimeRange domain);
    TimeRange xDomain() const { return m_xDomain; }
    // Absent: automatic, from 0 to 1.15 × the largest value.
    void setYDomain(std::optional<ValueRange> domain);
    void setGaps(const std::vector<GapBand> &gaps);
    // Fixes the widget's height (points).
    void setChartHeight(qreal height);
    // Full chart: axes, gap labels, focus and keyboard.
    void setShowsAxes(bool shows);
    bool showsAxes() const { return m_showsAxes; }
    // Writes values for the y labels, the callout and the accessible value.
    // A function cannot be compared, so this always repaints.
    void setFormat(ValueFormat format);
    void setOnSelect(SelectHandler handler) { m_onSelect = std::move(handler); }
    void setFills(bool fills);
    void setMarksNow(bool marks);
    // The "now" the callout and the accessible value write times against;
    // it must outlive the chart. The system clock by default.
    void setClock(const Clock &clock);

    // View state.
    std::optional<Timestamp> hoverDate() const { return m_hoverDate; }
    // The pointer's date; absent when the pointer leaves.
    void setHoverDate(std::optional<Timestamp> date);
    std::optional<int> keyIndex() const { return m_keyIndex; }
    // The keyboard index when it points into the first series, else the hover date.
    std::optional<Timestamp> selectedDate() const;
    // Shows the focus ring in a still render, where no widget has focus.
    void setShowingFocus(bool showing);

    // Keyboard stepping through the first series. The first step selects the
    // last point whatever the delta; later ones move and stop at either end.
    void step(int delta);
    // Escape, Home, End, Left/Right (×10 with Alt); true when handled.
    bool handle(int key, Qt::KeyboardModifiers modifiers);

    // Pure parts, testable without pixels.
    // The point nearest in time; on a tie the earlier one in the list.
    static std::optional<ChartPoint> nearest(const std::vector<ChartPoint> &points, Timestamp date);
    // Segment numbers that occur on exactly one point: drawn as dots.
    static std::set<int> loneSegments(const std::vector<ChartPoint> &points);
    // Upper bound of the automatic y range: 1.15 × the largest value, or 1.
    static double autoDomain(const std::vector<ChartSeries> &series);
    // The y range in use: the given one, else 0 … autoDomain.
    ValueRange yRange() const;
    static TimeLabelStyle xLabelFormat(double rangeSeconds);
    static QString xLabel(Timestamp date, TimeLabelStyle style);
    // Whether a gap band is wide enough to carry its label on this chart.
    bool showsLabel(const GapBand &band) const;
    // Whether a series' newest point is close enough to the range end to be marked.
    bool marksNewest(const ChartSeries &series) const;
    Callout selectionCallout(Timestamp date) const;
    QString accessibilityValue() const;

    // Axis marks at round values: about `aim` of them inside the range.
    static std::vector<double> valueTicks(ValueRange range, int aim = 3);
    // The y marks drawn: about three, fewer when `format` would write two alike.
    std::vector<double> valueTickMarks(ValueRange range) const;
    // Time marks at round local times, at most `aim` of them.
    static std::vector<Timestamp> timeTicks(TimeRange range, int aim = 5);
    // Points in order grouped by segment number, one list per segment in order
    // of first appearance: each becomes its own piece of line and area.
    static std::vector<std::vector<ChartPoint>> pieces(const std::vector<ChartPoint> &points);
    // One cubic Bézier per interval between two points.
    struct Curve {
        QPointF from, control1, control2, to;
    };
    // A monotone cubic (Steffen) through points with increasing x: it passes
    // through every point and never leaves the value span of each interval.
    static std::vector<Curve> monotoneCurves(const std::vector<QPointF> &points);
    static QPainterPath monotonePath(const std::vector<QPointF> &points);
    // Keeps, per column of `columnWidth` points, only the lowest and highest
    // point (and always the first and last): a line denser than the screen
    // can show is drawn as its envelope at a fraction of the cost.
    static std::vector<QPointF> thin(const std::vector<QPointF> &points, qreal columnWidth);
    // Curves [first, last) as one path.
    static QPainterPath pathOf(const std::vector<Curve> &curves, std::size_t first, std::size_t last);
    // The series' line in `plot` coordinates: one subpath per segment.
    QPainterPath linePath(const ChartSeries &series, const QRectF &plot) const;
    // Where the data is drawn, inside the widget's rectangle.
    QRectF plotRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void setKeyIndex(std::optional<int> index);
    // Calls onSelect and repaints when the selected date moved.
    void selectionMayHaveChanged();

    QString m_title;
    std::vector<ChartSeries> m_series;
    TimeRange m_xDomain { 0, 1 };
    std::optional<ValueRange> m_yDomain;
    std::vector<GapBand> m_gaps;
    bool m_showsAxes = false;
    SelectHandler m_onSelect;
    bool m_fills = true;
    bool m_marksNow = true;
    const Clock *m_clock;

    std::optional<Timestamp> m_hoverDate;
    std::optional<int> m_keyIndex;
    bool m_focused = false;
    bool m_showingFocus = false;
    std::optional<Timestamp> m_reportedSelection;

    // The value format and the axis marks written with it. Layout queries
    // that are const still remember the marks they write, hence a pointer.
    std::unique_ptr<ChartAxes> m_axes;
    // The drawn lines, areas and marks, reused while only the selection moves.
    ChartLayer m_layer;
};

} // namespace voltmere
