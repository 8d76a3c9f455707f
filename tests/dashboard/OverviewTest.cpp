#include "SpokenTree.h"
#include "TestMonitor.h"

#include "dashboard/view/DashboardChrome.h"
#include "dashboard/view/MetricCard.h"
#include "dashboard/view/OverviewModel.h"
#include "dashboard/view/OverviewSkeleton.h"
#include "dashboard/view/OverviewView.h"
#include "dashboard/view/WindowPicker.h"
#include "model/Format.h"
#include "ui/DashboardScroll.h"
#include "ui/HeroNumber.h"
#include "ui/Theme.h"
#include "ui/TimeSeriesChart.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

namespace voltmere {
namespace {

using test::TestMonitor;

Snapshot reading(Timestamp date)
{
    Snapshot s;
    s.date = date;
    s.cpuTotal = 40;
    s.cpuUser = 30;
    s.cpuSystem = 10;
    s.memPressure = 35;
    s.memLevel = MemoryPressureLevel::normal;
    s.memUsed = 4.0 * 1024 * 1024 * 1024;
    s.memTotal = 16.0 * 1024 * 1024 * 1024;
    s.swapUsed = 0;
    s.swapTotal = 2.0 * 1024 * 1024 * 1024;
    s.diskRead = 1500;
    s.diskWrite = 3000;
    s.netIn = 800;
    s.netOut = 200;
    s.sensors = SensorReading{};
    s.sensors->cpuCelsius = 52.5;
    s.sensors->cpuCriticalCelsius = 100;
    s.sensors->cpuFile = QStringLiteral("/sys/class/hwmon/hwmon2/temp1_input");
    s.sensors->others = {{QStringLiteral("NVMe"), 41}, {QStringLiteral("Chipset"), 39}};
    s.sensors->fans = {{QStringLiteral("Fan 1"), 2400}};
    return s;
}

class OverviewTest : public ::testing::Test {
protected:
    Timestamp now() const { return t.clock.now(); }
    void ingest(const Snapshot &s) { t.monitor->ingest(s); }

    TestMonitor t;
};

TEST_F(OverviewTest, CopiedTextStartsWithTheWindowAndBeforeAnyReadingSaysOnlyThat)
{
    EXPECT_EQ(OverviewModel::headerLine(60), QStringLiteral("Overview, last hour."));
    EXPECT_EQ(OverviewModel::headerLine(5), QStringLiteral("Overview, last 5 min."));

    const QStringList lines = OverviewModel::build(*t.monitor, 60).summary.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 9);
    EXPECT_EQ(lines[0], QStringLiteral("Overview, last hour."));
    EXPECT_EQ(lines[1], QStringLiteral("CPU: no readings yet."));
    EXPECT_EQ(lines[7], QStringLiteral("Network out: no readings yet."));
    EXPECT_EQ(lines[8], QStringLiteral("CPU temperature: no readings yet."));
}

TEST_F(OverviewTest, ProcessLinesListFiveThenTheCombinedRowOrWaitForASecondSample)
{
    Snapshot s = reading(now());
    EXPECT_EQ(OverviewModel::processLines(s), QStringList{QStringLiteral("Top processes: waiting for a second sample.")});
    for (int i = 0; i < 7; ++i) {
        s.topProcesses.push_back({100 + i, QStringLiteral("p%1").arg(i), 12.34});
    }
    s.otherProcessesCPU = 3.5;
    s.unreadableProcessCount = 4;
    const QStringList lines = OverviewModel::processLines(s);
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[0], QStringLiteral("p0 12.3% of one core."));
    EXPECT_EQ(lines[5], QStringLiteral("System processes (4, combined) 3.5% of one core."));
}

TEST_F(OverviewTest, AHoleOfMoreThanTwentySecondsMakesALabelledBandAndANewSegmentInEveryChart)
{
    const Timestamp start = now() - 100;
    for (Timestamp date : {start, start + 2, start + 47, start + 49}) {
        ingest(reading(date));
    }
    const OverviewModel::Page page = OverviewModel::build(*t.monitor, 5);
    for (const OverviewModel::Card &card : page.cards) {
        ASSERT_EQ(card.gaps.size(), 1u) << card.title.toStdString();
        EXPECT_EQ(card.gaps[0].start, start + 2);
        EXPECT_EQ(card.gaps[0].end, start + 47);
        EXPECT_EQ(card.gaps[0].label, t.monitor->gapLabel(start + 2, start + 47));
        for (const ChartSeries &series : card.series) {
            ASSERT_EQ(series.points.size(), 4u);
            EXPECT_EQ(series.points[1].segment, 0);
            EXPECT_EQ(series.points[2].segment, 1) << series.name.toStdString();
        }
    }
    // A reading missing from one snapshot leaves no hole of its own, but the
    // snapshot still counts as the previous date.
    std::vector<Snapshot> snaps{reading(10), reading(25), reading(40)};
    snaps[1].cpuTotal.reset();
    const SnapshotSeries::Walk walk = SnapshotSeries::walk(
        snaps, {[](const Snapshot &s) { return s.cpuTotal; }}, [](Timestamp, Timestamp) { return QString(); });
    EXPECT_TRUE(walk.gaps.empty());
    ASSERT_EQ(walk.points[0].size(), 2u);
    EXPECT_EQ(walk.points[0][1].segment, 0);
}

TEST_F(OverviewTest, DiskCardNamesBothSidesWhenOneIsMissingAndIsUnavailableWhenBothAre)
{
    Snapshot s = reading(now());
    s.diskRead.reset();
    ingest(s);
    OverviewModel::Card disk = OverviewModel::build(*t.monitor, 5).cards[3];
    EXPECT_EQ(disk.value, QStringLiteral("Read \u2014 · Write ") + Format::rate(3000));

    s.date += 2;
    s.diskWrite.reset();
    ingest(s);
    disk = OverviewModel::build(*t.monitor, 5).cards[3];
    EXPECT_EQ(disk.value, std::nullopt);
    EXPECT_EQ(disk.unavailable, QStringLiteral("No disk statistics were found in /proc/diskstats."));
    // The chart and sentence still show the reading that exists.
    EXPECT_EQ(disk.series[1].points.size(), 1u);
}

TEST_F(OverviewTest, ElevatedMemoryPressureTurnsValueBadgeAndSwatchAmber)
{
    Snapshot s = reading(now());
    s.memLevel = MemoryPressureLevel::warning;
    ingest(s);
    const OverviewModel::Card memory = OverviewModel::build(*t.monitor, 5).cards[1];
    EXPECT_EQ(memory.badge, (OverviewModel::Badge{QStringLiteral("Elevated"), true}));
    EXPECT_EQ(memory.valueColor, Theme::amber);

    MetricCard card(memory);
    card.set(memory, now() - 300, now());
    EXPECT_EQ(card.badgeText(), QStringLiteral("Elevated"));
    EXPECT_TRUE(card.badgeIsAttention());
    EXPECT_EQ(card.legendColors(), std::vector<ThemeColor>{Theme::amber});
    EXPECT_EQ(card.chart()->series().front().color, Theme::amber);
}

TEST_F(OverviewTest, TemperaturesCardShowsTheProcessorTheHottestOtherSensorAndTheFans)
{
    Snapshot s = reading(now() - 2);
    s.sensors->cpuCelsius = 48.25;
    ingest(s);
    s = reading(now());
    ingest(s);
    OverviewModel::Page page = OverviewModel::build(*t.monitor, 5);
    OverviewModel::Card card = page.cards[5];
    EXPECT_EQ(card.anchor, OverviewAnchor::temperatures);
    EXPECT_EQ(card.value, QStringLiteral("52.5 \u00b0C"));
    EXPECT_EQ(card.detail, QStringLiteral("NVMe 41.0 \u00b0C · Fan 2400 RPM"));
    EXPECT_FALSE(card.badge);
    ASSERT_EQ(card.series.size(), 1u);
    EXPECT_EQ(card.series[0].points.size(), 2u);
    // The copied page gains the card's sentence after the network's.
    EXPECT_EQ(page.summary.split(QLatin1Char('\n'))[8], card.summary);
    EXPECT_TRUE(card.summary.startsWith(QStringLiteral("CPU temperature averaged 50.4 \u00b0C and peaked at 52.5")));

    // Within 5 °C of the critical value: amber, with a badge. Several fans
    // are summed up by the fastest; a stopped one counts, and a fan that
    // could not be read is named in the sentence.
    s.date += 2;
    s.sensors->cpuCelsius = 96;
    s.sensors->fans = {{QStringLiteral("Fan 1"), 0}, {QStringLiteral("Fan 2"), 3100}, {QStringLiteral("Fan 3"), 0}};
    s.sensors->unreadable = {QStringLiteral("/sys/class/hwmon/hwmon4/fan4_input")};
    ingest(s);
    card = OverviewModel::build(*t.monitor, 5).cards[5];
    EXPECT_EQ(card.badge, (OverviewModel::Badge{QStringLiteral("Near critical"), true}));
    EXPECT_EQ(card.valueColor, Theme::amber);
    EXPECT_EQ(card.detail, QStringLiteral("NVMe 41.0 \u00b0C · 3 fans, fastest 3100 RPM"));
    EXPECT_TRUE(card.summary.endsWith(QStringLiteral(" /sys/class/hwmon/hwmon4/fan4_input couldn't be read.")));
}

TEST_F(OverviewTest, TemperaturesCardSaysWhyTheProcessorsTemperatureIsMissing)
{
    Snapshot s = reading(now() - 4);
    ingest(s);
    s.date += 2;
    s.sensors->cpuCelsius.reset(); // its file failed this round
    s.sensors->unreadable = {s.sensors->cpuFile};
    ingest(s);
    OverviewModel::Card card = OverviewModel::build(*t.monitor, 5).cards[5];
    EXPECT_FALSE(card.value);
    EXPECT_EQ(card.unavailable, QStringLiteral("/sys/class/hwmon/hwmon2/temp1_input couldn't be read."));
    EXPECT_FALSE(card.summary.contains(s.sensors->cpuFile)) << "the reason is given once, by the card";
    EXPECT_EQ(card.series[0].points.size(), 1u) << "the earlier reading still shows";

    s.date += 2;
    s.sensors = SensorReading{}; // sensors, but none of them the processor's
    s.sensors->fans = {{QStringLiteral("Fan 1"), 900}};
    ingest(s);
    card = OverviewModel::build(*t.monitor, 5).cards[5];
    EXPECT_EQ(card.unavailable, QStringLiteral("No sensor in /sys/class/hwmon or /sys/class/thermal reports the "
                                               "processor's temperature."));
    EXPECT_EQ(card.detail, QStringLiteral("Fan 900 RPM"));

    // A virtual machine: no sensor at all, and nothing beside the marker.
    s.date += 2;
    s.sensors.reset();
    ingest(s);
    card = OverviewModel::build(*t.monitor, 5).cards[5];
    EXPECT_EQ(card.unavailable,
              QStringLiteral("No temperature or fan sensor was found in /sys/class/hwmon or /sys/class/thermal."));
    EXPECT_FALSE(card.detail);
}

// What a screen reader reaches in the card, with and without sensors.
TEST_F(OverviewTest, TemperaturesCardReadsOutItsValueDetailAndSentenceOrItsReason)
{
    ingest(reading(now()));
    OverviewView view(*t.monitor);
    view.resize(900, 1200);
    view.show();
    MetricCard *card = view.card(OverviewAnchor::temperatures);
    ASSERT_NE(card, nullptr);
    QStringList spoken = test::spoken(card);
    EXPECT_TRUE(spoken.contains(QStringLiteral("Temperatures: 52.5 \u00b0C"))) << spoken.join('|').toStdString();
    EXPECT_TRUE(spoken.contains(QStringLiteral("NVMe 41.0 \u00b0C · Fan 2400 RPM")));
    EXPECT_TRUE(spoken.contains(card->summaryText()->text()));

    Snapshot s = reading(now() + 2);
    s.sensors.reset();
    ingest(s);
    view.refresh();
    spoken = test::spoken(card);
    EXPECT_TRUE(spoken.contains(QStringLiteral("Unavailable. No temperature or fan sensor was found in "
                                               "/sys/class/hwmon or /sys/class/thermal.")))
        << spoken.join('|').toStdString();
    EXPECT_FALSE(spoken.contains(QStringLiteral("Temperatures: 52.5 \u00b0C"))) << "the old value is hidden";
}

QStringList accessibleNames(QAccessibleInterface *node)
{
    QStringList names;
    if (!node) {
        return names;
    }
    if (!node->state().invisible) {
        names << node->text(QAccessible::Name);
    }
    for (int i = 0; i < node->childCount(); ++i) {
        names << accessibleNames(node->child(i));
    }
    return names;
}

TEST_F(OverviewTest, EveryCardsValueIsReachableThroughTheAccessibilityTree)
{
    ingest(reading(now()));
    OverviewView view(*t.monitor);
    view.resize(900, 700);
    view.show();
    ASSERT_FALSE(view.isShowingSkeleton());
    const QString spoken = accessibleNames(QAccessible::queryAccessibleInterface(&view)).join(QLatin1Char('|'));
    for (const OverviewModel::Card &card : OverviewModel::build(*t.monitor, 5).cards) {
        ASSERT_TRUE(card.value);
        EXPECT_TRUE(spoken.contains(*card.value)) << card.value->toStdString() << " not in " << spoken.toStdString();
    }
}

TEST_F(OverviewTest, SkeletonUntilTheFirstReadingThenTheCards)
{
    OverviewView view(*t.monitor);
    view.show();
    EXPECT_TRUE(view.isShowingSkeleton());
    EXPECT_EQ(view.card(OverviewAnchor::cpu), nullptr);
    // One element for screen readers, not six empty placeholder cards.
    QAccessibleInterface *skeleton = QAccessible::queryAccessibleInterface(view.findChild<OverviewSkeleton *>());
    EXPECT_EQ(skeleton->text(QAccessible::Name), QStringLiteral("Loading readings"));
    EXPECT_EQ(skeleton->childCount(), 0);
    ingest(reading(now()));
    ASSERT_TRUE(test::waitFor([&] { return !view.isShowingSkeleton(); }));
    EXPECT_EQ(view.card(OverviewAnchor::cpu)->valueText()->text(), QStringLiteral("40%"));
}

TEST_F(OverviewTest, TypeSetAsTheLayoutAsks)
{
    ingest(reading(now()));
    OverviewView view(*t.monitor);
    DashboardChrome chrome(new OverviewView(*t.monitor));
    // The page title in the expanded width.
    // (The font keeps spacing in 64ths of a point.)
    EXPECT_NEAR(chrome.titleText()->textFont().letterSpacing(), Theme::expandedTracking * 18, 0.02);
    // Big values tight; the compact phrases of Disk and Network unspaced.
    EXPECT_NEAR(view.card(OverviewAnchor::cpu)->valueText()->textFont().letterSpacing(), -0.02 * 36, 0.02);
    EXPECT_DOUBLE_EQ(view.card(OverviewAnchor::disk)->valueText()->textFont().letterSpacing(), 0);
    EXPECT_DOUBLE_EQ(view.card(OverviewAnchor::network)->valueText()->textFont().letterSpacing(), 0);
}

TEST_F(OverviewTest, AnAnchorScrollsItsCardToTheTopOnceAndIsCleared)
{
    for (int i = 0; i < 3; ++i) {
        ingest(reading(now() - 10 + 2 * i));
    }
    OverviewView view(*t.monitor);
    view.resize(900, 500);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QScrollBar *bar = view.scroll()->scrollArea()->verticalScrollBar();
    ASSERT_EQ(bar->value(), 0);

    t.monitor->setOverviewAnchor(OverviewAnchor::network);
    ASSERT_TRUE(test::waitFor([&] { return !t.monitor->overviewAnchor(); }));
    QWidget *network = view.card(OverviewAnchor::network);
    const int top = network->mapTo(view.scroll()->content(), QPoint()).y();
    ASSERT_TRUE(test::waitFor([&] { return bar->value() == std::min(top, bar->maximum()); }, 2000));
    EXPECT_GT(bar->value(), 0);

    // Scrolling away afterwards is not undone by later rounds.
    bar->setValue(0);
    ingest(reading(now() + 2));
    test::settleFor(OverviewView::scrollMs + 100);
    EXPECT_EQ(bar->value(), 0);
}

TEST_F(OverviewTest, AnAnchorAskedForBeforeTheFirstReadingWaitsForTheCards)
{
    OverviewView view(*t.monitor);
    view.resize(900, 500);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    t.monitor->setOverviewAnchor(OverviewAnchor::processes);
    test::settleFor(50);
    EXPECT_EQ(t.monitor->overviewAnchor(), OverviewAnchor::processes) << "nothing to scroll to yet";

    ingest(reading(now()));
    ASSERT_TRUE(test::waitFor([&] { return !t.monitor->overviewAnchor(); }));
    QScrollBar *bar = view.scroll()->scrollArea()->verticalScrollBar();
    EXPECT_TRUE(test::waitFor([&] { return bar->value() > 0; }, 2000));
}

TEST_F(OverviewTest, WindowPickerWritesTheChoiceAndItsChipReadsTheWindow)
{
    EXPECT_EQ(WindowPicker::label(60), QStringLiteral("1 hour"));
    EXPECT_EQ(WindowPicker::label(1), QStringLiteral("1 min"));
    EXPECT_EQ(WindowPicker::label(15), QStringLiteral("15 min"));

    OverviewView view(*t.monitor);
    auto *picker = static_cast<WindowPicker *>(view.control());
    ASSERT_EQ(picker->segments().size(), 4);
    picker->segments().at(3)->click();
    EXPECT_EQ(t.prefs.overviewWindowMinutes(), 60);
    t.prefs.setOverviewWindowMinutes(15);
    EXPECT_EQ(picker->minutes(), 15);
    EXPECT_TRUE(picker->segments().at(2)->isChecked());
    EXPECT_TRUE(view.copyText().startsWith(QStringLiteral("Overview, last 15 min.")));
}

} // namespace
} // namespace voltmere
