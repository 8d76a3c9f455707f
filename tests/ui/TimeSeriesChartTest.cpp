#include "ui/TimeSeriesChart.h"

#include "FakeClock.h"
#include "history/SeriesSummary.h"
#include "model/Format.h"
#include "ui/Environment.h"
#include "ui/Theme.h"

#include <QAccessible>
#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>

#include <random>

namespace voltmere {
namespace {

constexpr Timestamp t0 = 1'800'000'000.0;

QString percent(double v)
{
    return Format::percent(v);
}

std::vector<ChartPoint> evenPoints(int count, double stride = 2, int segment = 0)
{
    std::vector<ChartPoint> points;
    for (int i = 0; i < count; ++i) {
        points.push_back({ t0 + i * stride, 10.0 + i, segment });
    }
    return points;
}

ChartSeries cpu(std::vector<ChartPoint> points)
{
    return { QStringLiteral("CPU"), Theme::mint, std::move(points) };
}

class TimeSeriesChartTest : public ::testing::Test {
protected:
    TimeSeriesChartTest()
    {
        chart.setClock(clock);
        chart.setFormat(percent);
        chart.setShowsAxes(true);
        chart.setOnSelect([this](std::optional<Timestamp> date) { reported.push_back(date); });
    }

    test::FakeClock clock { t0 + 100 };
    TimeSeriesChart chart;
    std::vector<std::optional<Timestamp>> reported;
};

// ---- keyboard and selection ----

TEST_F(TimeSeriesChartTest, FirstRightPressSelectsTheLastPointThenStepsAndClamps)
{
    chart.setSeries({ cpu(evenPoints(30)) });
    EXPECT_TRUE(chart.handle(Qt::Key_Right, Qt::NoModifier));
    EXPECT_EQ(chart.keyIndex(), 29);
    EXPECT_EQ(chart.selectedDate(), t0 + 58);

    chart.handle(Qt::Key_Left, Qt::NoModifier);
    EXPECT_EQ(chart.keyIndex(), 28);
    chart.handle(Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(chart.keyIndex(), 18);
    chart.handle(Qt::Key_Right, Qt::AltModifier); // 28
    chart.handle(Qt::Key_Right, Qt::AltModifier); // would be 38
    EXPECT_EQ(chart.keyIndex(), 29);

    chart.handle(Qt::Key_Home, Qt::NoModifier);
    EXPECT_EQ(chart.keyIndex(), 0);
    chart.handle(Qt::Key_Left, Qt::NoModifier);
    EXPECT_EQ(chart.keyIndex(), 0);
    chart.handle(Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(chart.keyIndex(), 0);
    chart.handle(Qt::Key_End, Qt::NoModifier);
    EXPECT_EQ(chart.keyIndex(), 29);
}

TEST_F(TimeSeriesChartTest, FirstPressIgnoresItsDeltaEvenWhenGoingLeft)
{
    chart.setSeries({ cpu(evenPoints(5)) });
    chart.step(-10);
    EXPECT_EQ(chart.keyIndex(), 4);
}

TEST_F(TimeSeriesChartTest, KeysOnAChartWithoutPoints)
{
    chart.step(1);
    EXPECT_FALSE(chart.keyIndex());
    chart.setSeries({ cpu({}) });
    EXPECT_TRUE(chart.handle(Qt::Key_Right, Qt::NoModifier));
    EXPECT_FALSE(chart.keyIndex());
    EXPECT_TRUE(chart.handle(Qt::Key_Home, Qt::NoModifier));
    EXPECT_TRUE(chart.handle(Qt::Key_End, Qt::NoModifier));
    EXPECT_FALSE(chart.keyIndex());
    EXPECT_FALSE(chart.handle(Qt::Key_Up, Qt::NoModifier));
    EXPECT_TRUE(reported.empty());
}

TEST_F(TimeSeriesChartTest, EscapeClearsOnlyAKeyboardIndexAndHoverComesBack)
{
    chart.setSeries({ cpu(evenPoints(10)) });
    EXPECT_FALSE(chart.handle(Qt::Key_Escape, Qt::NoModifier)); // left to the window
    chart.setHoverDate(t0 + 3);
    chart.step(1);
    // The keyboard wins over the pointer, and the pointer moving changes nothing.
    EXPECT_EQ(chart.selectedDate(), t0 + 18);
    chart.setHoverDate(t0 + 5);
    EXPECT_EQ(chart.selectedDate(), t0 + 18);
    EXPECT_TRUE(chart.handle(Qt::Key_Escape, Qt::NoModifier));
    EXPECT_FALSE(chart.keyIndex());
    EXPECT_EQ(chart.selectedDate(), t0 + 5);
    EXPECT_FALSE(chart.handle(Qt::Key_Escape, Qt::NoModifier));
}

TEST_F(TimeSeriesChartTest, OnSelectHearsEveryChangeOfTheSelectedDateAndNothingElse)
{
    chart.setSeries({ cpu(evenPoints(10)) });
    chart.setHoverDate(t0 + 3);
    chart.setHoverDate(t0 + 3); // same date: no call
    chart.step(1); // keyboard: t0 + 18
    chart.setHoverDate(t0 + 7); // hidden behind the index: no call
    chart.step(1); // clamped at the end: no call
    chart.step(-1); // t0 + 16
    chart.handle(Qt::Key_Escape, Qt::NoModifier); // back to the hover date
    chart.setHoverDate(std::nullopt);
    const std::vector<std::optional<Timestamp>> expected { t0 + 3, t0 + 18, t0 + 16, t0 + 7, std::nullopt };
    EXPECT_EQ(reported, expected);
}

TEST_F(TimeSeriesChartTest, AKeyboardIndexPastTheEndOfShrunkenDataFallsBackToHover)
{
    chart.setSeries({ cpu(evenPoints(10)) });
    chart.setHoverDate(t0 + 1);
    chart.handle(Qt::Key_End, Qt::NoModifier);
    chart.setSeries({ cpu(evenPoints(3)) });
    EXPECT_EQ(chart.selectedDate(), t0 + 1);
    // The next step moves from a valid place again.
    chart.step(-1);
    EXPECT_EQ(chart.keyIndex(), 2);
}

// A page refreshing in place moves every point along by a bucket or so; the
// reading a keyboard user stepped to stays the one selected.
TEST_F(TimeSeriesChartTest, AKeyboardSelectionStaysOnItsReadingWhenTheDataMovesOn)
{
    chart.setSeries({ cpu(evenPoints(10)) });
    chart.handle(Qt::Key_End, Qt::NoModifier);
    chart.step(-4);
    ASSERT_EQ(chart.selectedDate(), t0 + 10);
    std::vector<ChartPoint> later = evenPoints(11);
    later.erase(later.begin(), later.begin() + 2); // two older points fell out of the range
    chart.setSeries({ cpu(later) });
    EXPECT_EQ(chart.selectedDate(), t0 + 10);
    EXPECT_EQ(chart.keyIndex(), 3);
}

TEST_F(TimeSeriesChartTest, OnlyTheChartWithAxesTakesFocusAndKeys)
{
    TimeSeriesChart compact;
    compact.setSeries({ cpu(evenPoints(5)) });
    EXPECT_EQ(compact.focusPolicy(), Qt::NoFocus);
    QTest::keyClick(&compact, Qt::Key_Right);
    EXPECT_FALSE(compact.keyIndex());

    chart.setSeries({ cpu(evenPoints(5)) });
    EXPECT_NE(chart.focusPolicy(), Qt::NoFocus);
    QTest::keyClick(&chart, Qt::Key_Right);
    EXPECT_EQ(chart.keyIndex(), 4);
}

TEST_F(TimeSeriesChartTest, PointerHoverFollowsTheTimeUnderIt)
{
    chart.resize(400, 200);
    chart.setXDomain({ t0, t0 + 100 });
    chart.setSeries({ cpu(evenPoints(50)) });
    const QRectF plot = chart.plotRect();
    const QPointF middle(plot.left() + plot.width() / 2, 50);
    QMouseEvent move(QEvent::MouseMove, middle, chart.mapToGlobal(middle), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&chart, &move);
    ASSERT_TRUE(chart.hoverDate());
    EXPECT_NEAR(*chart.hoverDate(), t0 + 50, 100.0 / plot.width());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&chart, &leave);
    EXPECT_FALSE(chart.hoverDate());
}

// ---- pure parts ----

TEST(TimeSeriesChartLogicTest, NearestPrefersTheEarlierPointOnATie)
{
    const std::vector<ChartPoint> points { { 10, 1, 0 }, { 20, 2, 0 }, { 30, 3, 0 } };
    EXPECT_EQ(TimeSeriesChart::nearest(points, 15)->value, 1);
    EXPECT_EQ(TimeSeriesChart::nearest(points, 16)->value, 2);
    EXPECT_EQ(TimeSeriesChart::nearest(points, 99)->value, 3);
    EXPECT_EQ(TimeSeriesChart::nearest(points, -5)->value, 1);
    EXPECT_FALSE(TimeSeriesChart::nearest({}, 15));
}

TEST(TimeSeriesChartLogicTest, LoneSegmentsHoldASinglePoint)
{
    const std::vector<ChartPoint> points { { 1, 1, 0 }, { 2, 1, 0 }, { 3, 1, 1 }, { 4, 1, 2 }, { 5, 1, 2 },
        { 6, 1, 3 } };
    EXPECT_EQ(TimeSeriesChart::loneSegments(points), (std::set<int> { 1, 3 }));
    EXPECT_TRUE(TimeSeriesChart::loneSegments({}).empty());
}

TEST(TimeSeriesChartLogicTest, AutomaticYRange)
{
    EXPECT_DOUBLE_EQ(TimeSeriesChart::autoDomain({}), 1);
    EXPECT_DOUBLE_EQ(TimeSeriesChart::autoDomain({ cpu({}) }), 1);
    EXPECT_DOUBLE_EQ(TimeSeriesChart::autoDomain({ cpu({ { 1, 50, 0 }, { 2, 20, 0 } }) }), 57.5);
    // The largest value of all series counts.
    EXPECT_DOUBLE_EQ(TimeSeriesChart::autoDomain({ cpu({ { 1, 10, 0 } }), cpu({ { 1, 80, 0 } }) }), 92);
    EXPECT_DOUBLE_EQ(TimeSeriesChart::autoDomain({ cpu({ { 1, 0.5, 0 } }) }), 1); // 0.575 is under 1
    EXPECT_DOUBLE_EQ(TimeSeriesChart::autoDomain({ cpu({ { 1, 0, 0 } }) }), 1);

    TimeSeriesChart chart;
    EXPECT_EQ(chart.yRange(), (TimeSeriesChart::ValueRange { 0, 1 }));
    chart.setSeries({ cpu({ { 1, 50, 0 } }) });
    EXPECT_EQ(chart.yRange(), (TimeSeriesChart::ValueRange { 0, 57.5 }));
    chart.setYDomain(TimeSeriesChart::ValueRange { 0, 100 });
    EXPECT_EQ(chart.yRange(), (TimeSeriesChart::ValueRange { 0, 100 }));
}

TEST(TimeSeriesChartLogicTest, XLabelFormatByRangeLength)
{
    using Style = TimeSeriesChart::TimeLabelStyle;
    EXPECT_EQ(TimeSeriesChart::xLabelFormat(60), Style::hourMinuteSecond);
    EXPECT_EQ(TimeSeriesChart::xLabelFormat(3600), Style::hourMinuteSecond);
    EXPECT_EQ(TimeSeriesChart::xLabelFormat(3601), Style::hourMinute);
    EXPECT_EQ(TimeSeriesChart::xLabelFormat(129600), Style::hourMinute);
    EXPECT_EQ(TimeSeriesChart::xLabelFormat(129601), Style::weekdayHour);

    // 2027-01-15 08:00:05 UTC, a Friday; the tests run in UTC and en_US.
    auto label
        = [](Style style) { return TimeSeriesChart::xLabel(t0 + 5, style).replace(QChar(0x202F), QLatin1Char(' ')); };
    EXPECT_EQ(label(Style::hourMinuteSecond), QStringLiteral("8:00:05 AM"));
    EXPECT_EQ(label(Style::hourMinute), QStringLiteral("8:00 AM"));
    EXPECT_EQ(label(Style::weekdayHour), QStringLiteral("Fri, 8 AM"));
}

TEST(TimeSeriesChartLogicTest, AxisMarksAtRoundValues)
{
    using Values = std::vector<double>;
    EXPECT_EQ(TimeSeriesChart::valueTicks({ 0, 57.5 }), (Values { 0, 20, 40 }));
    EXPECT_EQ(TimeSeriesChart::valueTicks({ 0, 1 }), (Values { 0, 0.5, 1 }));
    EXPECT_EQ(TimeSeriesChart::valueTicks({ 0, 100 }), (Values { 0, 50, 100 }));

    // A minute aims at five marks on round seconds; an hour on round quarters.
    const auto minute = TimeSeriesChart::timeTicks({ t0 - 60, t0 });
    EXPECT_EQ(minute, (std::vector<Timestamp> { t0 - 60, t0 - 45, t0 - 30, t0 - 15, t0 }));
    const auto hour = TimeSeriesChart::timeTicks({ t0 - 3600 + 7, t0 + 7 });
    ASSERT_EQ(hour.size(), 4u);
    for (Timestamp t : hour) {
        EXPECT_EQ(std::fmod(t, 900.0), 0.0);
    }
    EXPECT_TRUE(TimeSeriesChart::timeTicks({ t0, t0 }).empty());
}

TEST(TimeSeriesChartLogicTest, PercentLabelsNeverRepeatOnTheEmptyRange)
{
    TimeSeriesChart chart;
    chart.setFormat(percent); // 0.5 would read "1%" like 1 does
    EXPECT_EQ(chart.valueTickMarks({ 0, 1 }), (std::vector<double> { 0, 1 }));
    EXPECT_EQ(chart.valueTickMarks({ 0, 57.5 }), (std::vector<double> { 0, 20, 40 }));
}

TEST_F(TimeSeriesChartTest, GapLabelsNeedTwelvePercentOfTheRangeAndAxes)
{
    chart.setXDomain({ t0, t0 + 1000 });
    const GapBand tenth { t0 + 100, t0 + 200, QStringLiteral("No readings") };
    const GapBand wide { t0 + 400, t0 + 520, QStringLiteral("Mac asleep") };
    EXPECT_FALSE(chart.showsLabel(tenth));
    EXPECT_TRUE(chart.showsLabel(wide));
    chart.setShowsAxes(false);
    EXPECT_FALSE(chart.showsLabel(wide));
}

TEST_F(TimeSeriesChartTest, NewestPointMarkedWithinThirtySecondsOfTheRangeEnd)
{
    chart.setXDomain({ t0, t0 + 600 });
    EXPECT_TRUE(chart.marksNewest(cpu({ { t0, 1, 0 }, { t0 + 570, 1, 0 } })));
    EXPECT_FALSE(chart.marksNewest(cpu({ { t0, 1, 0 }, { t0 + 569, 1, 0 } })));
    EXPECT_FALSE(chart.marksNewest(cpu({})));
}

TEST_F(TimeSeriesChartTest, CalloutRowsForOneAndTwoSeries)
{
    chart.setSeries({ cpu({ { t0, 12, 0 }, { t0 + 10, 40, 0 } }) });
    TimeSeriesChart::Callout callout = chart.selectionCallout(t0 + 7);
    EXPECT_EQ(callout.date, Format::timestamp(t0 + 7, clock.now()));
    ASSERT_EQ(callout.rows.size(), 1u);
    EXPECT_EQ(callout.rows[0].text, QStringLiteral("40%"));
    EXPECT_EQ(callout.rows[0].color, Theme::mint);

    chart.setSeries(
        { { QStringLiteral("User"), Theme::mint, { { t0, 12, 0 } } }, { QStringLiteral("Idle"), Theme::amber, {} },
            { QStringLiteral("System"), Theme::slate, { { t0 + 1, 5, 0 } } } });
    callout = chart.selectionCallout(t0);
    ASSERT_EQ(callout.rows.size(), 2u); // a series without points has no row
    EXPECT_EQ(callout.rows[0].text, QStringLiteral("User 12%"));
    EXPECT_EQ(callout.rows[1].text, QStringLiteral("System 5%"));
    EXPECT_EQ(callout.rows[1].color, Theme::slate);
}

TEST_F(TimeSeriesChartTest, AccessibleValueSummarisesOrReadsTheSelection)
{
    chart.setTitle(QStringLiteral("CPU load"));
    const std::vector<ChartPoint> user { { t0, 10, 0 }, { t0 + 10, 30, 0 } };
    const std::vector<ChartPoint> system { { t0, 4, 0 }, { t0 + 10, 6, 0 } };
    chart.setSeries(
        { { QStringLiteral("User"), Theme::mint, user }, { QStringLiteral("System"), Theme::slate, system } });
    EXPECT_EQ(chart.accessibilityValue(),
        SeriesSummary::describe(user, QStringLiteral("User"), percent, clock.now()) + QLatin1Char(' ')
            + SeriesSummary::describe(system, QStringLiteral("System"), percent, clock.now()));
    chart.step(1);
    EXPECT_EQ(
        chart.accessibilityValue(), Format::timestamp(t0 + 10, clock.now()) + QStringLiteral(": User 30%, System 6%"));

    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(&chart);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("CPU load"));
    EXPECT_EQ(accessible->text(QAccessible::Value), chart.accessibilityValue());
    ASSERT_NE(accessible->actionInterface(), nullptr);
    accessible->actionInterface()->doAction(QAccessibleActionInterface::decreaseAction());
    EXPECT_EQ(chart.keyIndex(), 0);
}

// ---- geometry ----

// Counts the pieces of a path: each starts with a move.
int subpaths(const QPainterPath &path)
{
    int count = 0;
    for (int i = 0; i < path.elementCount(); ++i) {
        count += path.elementAt(i).isMoveTo() ? 1 : 0;
    }
    return count;
}

TEST_F(TimeSeriesChartTest, SegmentsAreNeverJoinedAndLonePointsDrawNoLine)
{
    chart.setXDomain({ t0, t0 + 50 });
    // Segments 2 and 3 follow each other directly; segment 5 is a single point.
    const ChartSeries series
        = cpu({ { t0, 10, 2 }, { t0 + 10, 20, 2 }, { t0 + 20, 30, 3 }, { t0 + 30, 25, 3 }, { t0 + 40, 40, 5 } });
    const QRectF plot(0, 0, 500, 100);
    const QPainterPath path = chart.linePath(series, plot);
    EXPECT_EQ(subpaths(path), 2);
    // The second piece starts at the first point of segment 3, not from the
    // end of segment 2.
    int moves = 0;
    for (int i = 0; i < path.elementCount(); ++i) {
        if (path.elementAt(i).isMoveTo() && ++moves == 2) {
            EXPECT_DOUBLE_EQ(path.elementAt(i).x, 200);
        }
    }
    EXPECT_LE(path.boundingRect().right(), 300 + 1e-9); // nothing reaches the lone point at 400

    const auto pieces = TimeSeriesChart::pieces(series.points);
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces[2].size(), 1u);
}

TEST(TimeSeriesChartPaintTest, AreasStopAtALineBreak)
{
    TimeSeriesChart chart;
    Environment::setColorScheme(&chart, ColorScheme::light);
    chart.setMarksNow(false);
    chart.resize(300, 100);
    chart.setXDomain({ t0, t0 + 30 });
    chart.setYDomain(TimeSeriesChart::ValueRange { 0, 100 });
    chart.setSeries({ cpu({ { t0, 80, 0 }, { t0 + 10, 80, 0 }, { t0 + 20, 80, 1 }, { t0 + 30, 80, 1 } }) });
    QImage image(chart.size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    chart.render(&image, QPoint(), QRegion(), QWidget::DrawChildren); // no window background
    const QRectF plot = chart.plotRect();
    const int y = static_cast<int>(plot.top() + plot.height() * 0.5); // under the line, inside the area
    auto at = [&](double seconds) { return image.pixelColor(int(plot.left() + plot.width() * seconds / 30), y); };
    EXPECT_NE(at(5).rgb(), QColor(Qt::white).rgb());
    EXPECT_NE(at(25).rgb(), QColor(Qt::white).rgb());
    EXPECT_EQ(at(15).rgb(), QColor(Qt::white).rgb()); // between the segments
}

// Evaluates every cubic of `path` at many places; calls check(y, lo, hi).
void forEachCurveSample(const QPainterPath &path, const std::function<void(double, double, double)> &check)
{
    QPointF start;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.isMoveTo() || e.isLineTo()) {
            start = e;
            continue;
        }
        if (e.type != QPainterPath::CurveToElement) {
            continue;
        }
        const QPointF c1 = e;
        const QPointF c2 = path.elementAt(i + 1);
        const QPointF end = path.elementAt(i + 2);
        const double lo = std::min(start.y(), end.y());
        const double hi = std::max(start.y(), end.y());
        for (int k = 0; k <= 64; ++k) {
            const double t = k / 64.0;
            const double u = 1 - t;
            const double y
                = u * u * u * start.y() + 3 * u * u * t * c1.y() + 3 * u * t * t * c2.y() + t * t * t * end.y();
            check(y, lo, hi);
        }
        start = end;
        i += 2;
    }
}

TEST(TimeSeriesChartCurveTest, InterpolationNeverOvershootsTheData)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<double> value(0, 100);
    std::uniform_real_distribution<double> gap(0.5, 30);
    for (int round = 0; round < 50; ++round) {
        std::vector<QPointF> points;
        double x = 0;
        for (int i = 0; i < 40; ++i) {
            // Spikes, plateaus and uneven spacing: the cases that make
            // ordinary splines ring.
            const double y = i % 7 == 0 ? points.empty() ? 0 : points.back().y() : value(random);
            points.emplace_back(x, y);
            x += gap(random);
        }
        const QPainterPath path = TimeSeriesChart::monotonePath(points);
        int curves = 0;
        forEachCurveSample(path, [&](double y, double lo, double hi) {
            ++curves;
            ASSERT_GE(y, lo - 1e-9);
            ASSERT_LE(y, hi + 1e-9);
        });
        EXPECT_EQ(curves, 39 * 65);
        // It still passes through every point.
        EXPECT_EQ(path.elementAt(0).x, 0);
        EXPECT_DOUBLE_EQ(path.elementAt(path.elementCount() - 1).y, points.back().y());
    }
    // Monotone data gives a monotone curve: a ramp then a plateau never dips.
    const std::vector<QPointF> ramp { { 0, 100 }, { 10, 60 }, { 20, 10 }, { 30, 10 }, { 40, 10 } };
    double previous = 100;
    forEachCurveSample(TimeSeriesChart::monotonePath(ramp), [&](double y, double, double) {
        EXPECT_LE(y, previous + 1e-9);
        previous = y;
    });
    EXPECT_EQ(TimeSeriesChart::monotonePath({}).elementCount(), 0);
    EXPECT_EQ(TimeSeriesChart::monotonePath({ { 3, 4 } }).elementCount(), 1);
}

TEST(TimeSeriesChartCurveTest, ThinningKeepsEveryColumnsExtremesAndTheEnds)
{
    // Ten points per 1-point column, y swinging: a dense hour on a small chart.
    std::vector<QPointF> dense;
    for (int i = 0; i < 100; ++i) {
        dense.emplace_back(i * 0.1, i % 10 == 3 ? 0.0 : (i % 10 == 7 ? 90.0 : 40.0 + i % 3));
    }
    const std::vector<QPointF> thinned = TimeSeriesChart::thin(dense, 1.0);
    EXPECT_LT(thinned.size(), 25u);
    EXPECT_EQ(thinned.front(), dense.front());
    EXPECT_EQ(thinned.back(), dense.back());
    for (int column = 1; column < 9; ++column) {
        // Each column's top and bottom survive, in their own order.
        const QPointF top(column + 0.3, 0.0);
        const QPointF bottom(column + 0.7, 90.0);
        const auto topAt = std::find_if(thinned.begin(), thinned.end(),
            [&](const QPointF &p) { return std::abs(p.x() - top.x()) < 1e-9 && p.y() == top.y(); });
        const auto bottomAt = std::find_if(thinned.begin(), thinned.end(),
            [&](const QPointF &p) { return std::abs(p.x() - bottom.x()) < 1e-9 && p.y() == bottom.y(); });
        ASSERT_NE(topAt, thinned.end()) << column;
        ASSERT_NE(bottomAt, thinned.end()) << column;
        EXPECT_LT(topAt, bottomAt);
    }
    // Points already a column or more apart are left alone.
    const std::vector<QPointF> sparse { { 0, 1 }, { 2, 5 }, { 4, 0 }, { 6, 3 } };
    EXPECT_EQ(TimeSeriesChart::thin(sparse, 1.0), sparse);
}

TEST(TimeSeriesChartPaintTest, KeptLinesAreRedrawnWhenDataOrSchemeChange)
{
    QWidget host;
    Environment::setColorScheme(&host, ColorScheme::light);
    auto *chart = new TimeSeriesChart(&host);
    chart->setMarksNow(false);
    chart->setFills(false);
    chart->resize(200, 100);
    chart->setXDomain({ t0, t0 + 10 });
    chart->setYDomain(TimeSeriesChart::ValueRange { 0, 100 });
    chart->setSeries({ cpu({ { t0, 50, 0 }, { t0 + 10, 50, 0 } }) });
    auto draw = [&] {
        QImage image(chart->size(), QImage::Format_ARGB32);
        image.fill(Qt::white);
        chart->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        return image;
    };
    const QRectF plot = chart->plotRect();
    const QPoint middle(int(plot.center().x()), int(plot.center().y()));
    const QPoint high(middle.x(), int(plot.top() + plot.height() * 0.2));
    EXPECT_EQ(draw().pixelColor(middle).rgb(), Theme::mint.resolve(ColorScheme::light).rgb());
    chart->setHoverDate(t0 + 9.5); // only the selection moves: the kept lines stay right
    const QPoint leading(int(plot.left() + plot.width() * 0.2), middle.y()); // clear of the callout
    EXPECT_EQ(draw().pixelColor(leading).rgb(), Theme::mint.resolve(ColorScheme::light).rgb());

    chart->setSeries({ cpu({ { t0, 80, 0 }, { t0 + 10, 80, 0 } }) });
    QImage moved = draw();
    EXPECT_EQ(moved.pixelColor(high).rgb(), Theme::mint.resolve(ColorScheme::light).rgb());
    EXPECT_EQ(moved.pixelColor(middle).rgb(), QColor(Qt::white).rgb());

    Environment::setColorScheme(&host, ColorScheme::dark);
    EXPECT_EQ(draw().pixelColor(high).rgb(), Theme::mint.resolve(ColorScheme::dark).rgb());
}

TEST_F(TimeSeriesChartTest, ValueMarksFollowANewFormat)
{
    chart.resize(400, 150);
    chart.setYDomain(TimeSeriesChart::ValueRange { 0, 100 });
    const qreal narrow = chart.plotRect().right();
    chart.setFormat([](double v) { return QString::number(v) + QStringLiteral(" widgets per second"); });
    EXPECT_LT(chart.plotRect().right(), narrow - 40); // the longer marks take room from the plot
}

// ---- repainting ----

class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

TEST(TimeSeriesChartPaintTest, RepaintsOnlyWhenAnInputChanges)
{
    TimeSeriesChart chart;
    PaintCounter counter;
    chart.installEventFilter(&counter);
    chart.resize(328, 60);
    chart.setXDomain({ t0, t0 + 60 });
    chart.setSeries({ cpu(evenPoints(30)) });
    chart.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
    QApplication::processEvents();
    counter.paints = 0;

    // The panel hands the chart its inputs on every tick, mostly unchanged.
    chart.setSeries({ cpu(evenPoints(30)) });
    chart.setXDomain({ t0, t0 + 60 });
    chart.setYDomain(std::nullopt);
    chart.setGaps({});
    chart.setFills(true);
    chart.setMarksNow(true);
    chart.setShowsAxes(false);
    chart.setTitle(QStringLiteral("CPU"));
    chart.setHoverDate(std::nullopt);
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 0);

    std::vector<ChartPoint> moved = evenPoints(30);
    moved.back().value = 90;
    chart.setSeries({ cpu(moved) });
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 1);

    chart.setHoverDate(t0 + 5);
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 2);
}

} // namespace
} // namespace voltmere
