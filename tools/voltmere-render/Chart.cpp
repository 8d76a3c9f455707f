#include "Surface.h"

#include "history/HistoryGap.h"
#include "model/Format.h"
#include "ui/Card.h"
#include "ui/SectionLabel.h"
#include "ui/Theme.h"
#include "ui/TimeSeriesChart.h"

#include <QDateTime>
#include <QVBoxLayout>

#include <cmath>

namespace voltmere::render {

namespace {

// A fixed afternoon, so the pictures do not change from run to run.
Timestamp anchor()
{
    static const Timestamp t
        = static_cast<Timestamp>(QDateTime(QDate(2026, 3, 10), QTime(14, 30, 0)).toSecsSinceEpoch());
    return t;
}

class FixedClock final : public Clock {
public:
    Timestamp now() const override { return anchor(); }
    std::uint64_t awakeNanoseconds() const override { return 0; }
};

const Clock &fixedClock()
{
    static const FixedClock clock;
    return clock;
}

QString percent(double v)
{
    return Format::percent(v);
}

// A CPU-like wave: busy bursts over a quiet base, in 0–100.
double load(double t)
{
    const double wave = 18 + 14 * std::sin(t / 97.0) + 9 * std::sin(t / 23.0 + 1.3);
    const double burst = std::fmod(t, 900.0) < 120 ? 35 : 0;
    return std::clamp(wave + burst, 0.0, 100.0);
}

std::vector<ChartPoint> wave(Timestamp from, Timestamp to, double stride, int segment = 0, double lift = 0)
{
    std::vector<ChartPoint> points;
    for (Timestamp t = from; t <= to + 1e-6; t += stride) {
        points.push_back({ t, std::clamp(load(t - anchor()) + lift, 0.0, 100.0), segment });
    }
    return points;
}

TimeSeriesChart *chart(bool axes, qreal height, TimeSeriesChart::TimeRange range, std::vector<ChartSeries> series,
    std::vector<GapBand> gaps = {})
{
    auto *c = new TimeSeriesChart;
    c->setClock(fixedClock());
    c->setTitle(QStringLiteral("CPU"));
    c->setShowsAxes(axes);
    c->setChartHeight(height);
    c->setXDomain(range);
    c->setFormat(percent);
    c->setSeries(series);
    c->setGaps(gaps);
    return c;
}

ChartSeries cpuSeries(std::vector<ChartPoint> points)
{
    return { QStringLiteral("CPU"), Theme::mint, std::move(points) };
}

// A card with a caption per chart, the way the pages present them.
QWidget *card(std::initializer_list<std::pair<QString, QWidget *>> items, int width)
{
    auto *c = new Card(16);
    c->setFixedWidth(width);
    c->body()->setSpacing(8);
    for (const auto &[caption, widget] : items) {
        c->body()->addWidget(new SectionLabel(caption));
        c->body()->addWidget(widget);
    }
    return c;
}

QWidget *basics()
{
    const Timestamp end = anchor();
    const TimeSeriesChart::TimeRange hour { end - 3600, end };
    // A gap of eight minutes breaks the line; a single reading after it
    // stands alone as a dot before the line resumes.
    std::vector<ChartPoint> broken = wave(end - 3600, end - 2100, 15, 0);
    broken.push_back({ end - 1600, load(-1600), 1 });
    const auto rest = wave(end - 1200, end, 15, 2);
    broken.insert(broken.end(), rest.begin(), rest.end());
    return card(
        {
            { QStringLiteral("Empty"), chart(true, 150, hour, { cpuSeries({}) }) },
            { QStringLiteral("One point"), chart(true, 150, hour, { cpuSeries({ { end - 10, 42, 0 } }) }) },
            { QStringLiteral("Segments with a break and a lone point"),
                chart(true, 150, hour, { cpuSeries(broken) },
                    { { end - 2100, end - 1600, label(HistoryGap::Reason::asleep) },
                        { end - 1600, end - 1200, label(HistoryGap::Reason::noReadings) } }) },
        },
        640);
}

QWidget *gaps()
{
    const Timestamp end = anchor();
    const TimeSeriesChart::TimeRange range { end - 6 * 3600, end };
    // 10 % of the range: no label. 20 %: labelled, on the full chart only.
    const Timestamp narrowStart = end - 5 * 3600;
    const Timestamp wideStart = end - 3 * 3600;
    std::vector<ChartPoint> points = wave(range.lower, narrowStart, 90, 0);
    auto middle = wave(narrowStart + 2160, wideStart, 90, 1);
    auto last = wave(wideStart + 4320, end, 90, 2);
    points.insert(points.end(), middle.begin(), middle.end());
    points.insert(points.end(), last.begin(), last.end());
    const std::vector<GapBand> bands { { narrowStart, narrowStart + 2160, QStringLiteral("No readings") },
        { wideStart, wideStart + 4320, QStringLiteral("Voltmere not running") } };
    return card(
        {
            { QStringLiteral("Gaps with axes (10 % and 20 % of the range)"),
                chart(true, 180, range, { cpuSeries(points) }, bands) },
            { QStringLiteral("The same, compact"), chart(false, 60, range, { cpuSeries(points) }, bands) },
        },
        640);
}

QWidget *selection()
{
    const Timestamp end = anchor();
    const TimeSeriesChart::TimeRange range { end - 900, end };
    auto *one = chart(true, 170, range, { cpuSeries(wave(range.lower, end, 5)) });
    one->step(1); // the newest point
    one->step(-40); // then back a little
    one->setShowingFocus(true);
    std::vector<ChartPoint> user = wave(range.lower, end, 5, 0, -10);
    std::vector<ChartPoint> system = wave(range.lower, end, 5, 0, -25);
    auto *two = chart(true, 170, range,
        { { QStringLiteral("User"), Theme::mint, user }, { QStringLiteral("System"), Theme::slate, system } });
    two->setHoverDate(range.lower + 60); // near the leading edge: the callout stays inside
    return card(
        {
            { QStringLiteral("Keyboard selection, focused"), one },
            { QStringLiteral("Two series, pointer near the edge"), two },
        },
        640);
}

// A minute of 2-second readings as the panel sees them: a short burst.
std::vector<ChartPoint> lastMinute(Timestamp end, Timestamp newest)
{
    std::vector<ChartPoint> points;
    for (Timestamp t = end - 60; t <= newest + 1e-6; t += 2) {
        const double s = t - end + 60;
        const double value = 24 + 18 * std::sin(s / 6.0) + 9 * std::sin(s / 2.1) + (s > 36 ? 30 : 0);
        points.push_back({ t, std::clamp(value, 0.0, 100.0), 0 });
    }
    return points;
}

QWidget *compact()
{
    const Timestamp end = anchor();
    const TimeSeriesChart::TimeRange minute { end - 60, end };
    const auto points = lastMinute(end, end);
    auto *plain = chart(false, 60, minute, { cpuSeries(points) });
    plain->setYDomain(TimeSeriesChart::ValueRange { 0, 100 });
    auto *selected = chart(false, 60, minute, { cpuSeries(points) });
    selected->setYDomain(TimeSeriesChart::ValueRange { 0, 100 });
    selected->setHoverDate(end - 22);
    auto *stale = chart(false, 60, minute, { cpuSeries(lastMinute(end, end - 31)) });
    stale->setYDomain(TimeSeriesChart::ValueRange { 0, 100 });
    return card(
        {
            { QStringLiteral("Panel CPU, 60 s"), plain },
            { QStringLiteral("Pointer over it"), selected },
            { QStringLiteral("Newest 31 s old: no mark"), stale },
        },
        360);
}

} // namespace

std::vector<Surface> chartSurfaces()
{
    return {
        { QStringLiteral("chart-basics"), basics, nullptr, {} },
        { QStringLiteral("chart-gaps"), gaps, nullptr, {} },
        { QStringLiteral("chart-selection"), selection, nullptr, {} },
        { QStringLiteral("chart-compact"), compact, nullptr, {} },
    };
}

} // namespace voltmere::render
