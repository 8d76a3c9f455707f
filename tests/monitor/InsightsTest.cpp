#include "model/Format.h"
#include "monitor/Insights.h"

#include <gtest/gtest.h>

#include <functional>

namespace voltmere {
namespace {

using Status = ChargeReminderLogic::Status;

constexpr double now = 1'800'000'000;

class InsightsTest : public ::testing::Test {
protected:
    // Appends ticks every `step` seconds from now - `from` to now - `to`
    // (both inclusive), each shaped by `shape`.
    void ticks(double from, double to, const std::function<void(Snapshot &)> &shape, double step = 5)
    {
        for (double ago = from; ago >= to - 1e-9; ago -= step) {
            Snapshot s;
            s.date = now - ago;
            shape(s);
            snapshots.push_back(s);
        }
    }

    std::optional<Insight> evaluate() const { return Insights::evaluate(snapshots, battery, reminder, 80, now); }

    QString text() const
    {
        const auto insight = evaluate();
        return insight ? insight->text : QStringLiteral("<none>");
    }

    static void critical(Snapshot &s) { s.memLevel = MemoryPressureLevel::critical; }
    static void warning(Snapshot &s) { s.memLevel = MemoryPressureLevel::warning; }
    static std::function<void(Snapshot &)> top(std::int32_t pid, const QString &name, double cpu)
    {
        return [=](Snapshot &s) { s.topProcesses = { { pid, name, cpu } }; };
    }

    std::deque<Snapshot> snapshots;
    std::optional<BatteryReading> battery;
    Status reminder = Status::off();
};

TEST_F(InsightsTest, NothingToSayWithoutSnapshotsOrBattery)
{
    EXPECT_FALSE(evaluate());
}

TEST_F(InsightsTest, CriticalMemoryAfterAMinute)
{
    ticks(90, 0, critical);
    const auto insight = evaluate();
    ASSERT_TRUE(insight);
    EXPECT_EQ(insight->text, QStringLiteral("Memory pressure has been critical for 1 minute."));
    EXPECT_EQ(insight->severity, Insight::Severity::attention);
    EXPECT_EQ(insight->section, DashboardSection::overview);
    EXPECT_EQ(insight->anchor, OverviewAnchor::memory);
}

TEST_F(InsightsTest, CriticalMemoryThresholdIsSixtySeconds)
{
    ticks(60, 0, critical);
    EXPECT_EQ(text(), QStringLiteral("Memory pressure has been critical for 1 minute."));
    snapshots.clear();
    ticks(50, 0, critical); // too short for either memory rule
    EXPECT_FALSE(evaluate());
}

TEST_F(InsightsTest, ElevatedMemoryCountsFromTheFirstWarning)
{
    ticks(160, 35, warning);
    ticks(30, 0, critical);
    const auto insight = evaluate();
    ASSERT_TRUE(insight);
    EXPECT_EQ(insight->text, QStringLiteral("Memory pressure has been elevated for 2 minutes."));
    EXPECT_EQ(insight->anchor, OverviewAnchor::memory);
}

TEST_F(InsightsTest, ElevatedMemoryNeedsTwoMinutes)
{
    ticks(115, 0, warning);
    EXPECT_FALSE(evaluate());
    snapshots.clear();
    ticks(120, 0, warning);
    EXPECT_EQ(text(), QStringLiteral("Memory pressure has been elevated for 2 minutes."));
}

TEST_F(InsightsTest, AStreakMustBeFresherThanTwentySeconds)
{
    ticks(200, 20, critical);
    EXPECT_FALSE(evaluate());
    snapshots.clear();
    ticks(199.5, 19.5, critical);
    EXPECT_EQ(text(), QStringLiteral("Memory pressure has been critical for 3 minutes."));
}

TEST_F(InsightsTest, AHoleLongerThanTwentySecondsSplitsAStreak)
{
    ticks(200, 80, warning);
    ticks(55, 0, warning); // 25 s after the previous tick
    EXPECT_FALSE(evaluate());
    // A 20 s hole does not split it.
    snapshots.clear();
    ticks(200, 80, warning);
    ticks(60, 0, warning);
    EXPECT_EQ(text(), QStringLiteral("Memory pressure has been elevated for 3 minutes."));
}

TEST_F(InsightsTest, ProcessHoggingACore)
{
    ticks(130, 0, top(7, QStringLiteral("render"), 95));
    const auto insight = evaluate();
    ASSERT_TRUE(insight);
    EXPECT_EQ(insight->text, QStringLiteral("render has used about a full CPU core for 2 minutes."));
    EXPECT_EQ(insight->anchor, OverviewAnchor::processes);
    EXPECT_EQ(insight->severity, Insight::Severity::attention);
}

TEST_F(InsightsTest, ProcessCoresAreRoundedHalfAwayFromZero)
{
    const std::vector<std::pair<double, QString>> rows {
        { 149, QStringLiteral("a full CPU core") },
        { 150, QStringLiteral("2 full CPU cores") },
        { 249, QStringLiteral("2 full CPU cores") },
        { 250, QStringLiteral("3 full CPU cores") },
    };
    for (const auto &[cpu, cores] : rows) {
        snapshots.clear();
        ticks(130, 0, top(7, QStringLiteral("render"), cpu));
        EXPECT_EQ(text(), QStringLiteral("render has used about ") + cores + QStringLiteral(" for 2 minutes.")) << cpu;
    }
}

TEST_F(InsightsTest, ProcessBelowNinetyPercentOrTooShortIsNotReported)
{
    ticks(300, 0, top(7, QStringLiteral("render"), 89.9));
    EXPECT_FALSE(evaluate());
    snapshots.clear();
    ticks(115, 0, top(7, QStringLiteral("render"), 95));
    EXPECT_FALSE(evaluate());
}

TEST_F(InsightsTest, ANewTopProcessStartsItsOwnStreak)
{
    ticks(300, 10, top(7, QStringLiteral("render"), 95));
    ticks(5, 0, [](Snapshot &s) {
        s.topProcesses = { { 8, QStringLiteral("compile"), 99 }, { 7, QStringLiteral("render"), 95 } };
    });
    EXPECT_FALSE(evaluate());
}

TEST_F(InsightsTest, ATopProcessCountsFromWhenItWasFirstListedAboveNinety)
{
    // The process was busy but second; it counts from then, not from the
    // moment it took the top spot.
    ticks(200, 40, [](Snapshot &s) {
        s.topProcesses = { { 7, QStringLiteral("render"), 99 }, { 8, QStringLiteral("compile"), 92 } };
    });
    ticks(35, 0, top(8, QStringLiteral("compile"), 98));
    EXPECT_EQ(text(), QStringLiteral("compile has used about a full CPU core for 3 minutes."));
}

TEST_F(InsightsTest, SustainedCPUNamesTheLeader)
{
    ticks(125, 0, [](Snapshot &s) {
        s.cpuTotal = 85;
        s.topProcesses = { { 3, QStringLiteral("indexer"), 60 } };
    });
    const auto insight = evaluate();
    ASSERT_TRUE(insight);
    EXPECT_EQ(insight->text, QStringLiteral("CPU has been above 80% for 2 minutes, led by indexer."));
    EXPECT_EQ(insight->anchor, OverviewAnchor::cpu);
}

TEST_F(InsightsTest, SustainedCPUWithoutProcessesHasNoLeader)
{
    ticks(125, 0, [](Snapshot &s) { s.cpuTotal = 80; });
    EXPECT_EQ(text(), QStringLiteral("CPU has been above 80% for 2 minutes."));
}

TEST_F(InsightsTest, CPUBelowEightyOrAbsentBreaksTheStreak)
{
    ticks(125, 0, [](Snapshot &s) { s.cpuTotal = 79.9; });
    EXPECT_FALSE(evaluate());
    snapshots.clear();
    ticks(200, 50, [](Snapshot &s) { s.cpuTotal = 95; });
    ticks(45, 45, [](Snapshot &) {}); // no CPU reading
    ticks(40, 0, [](Snapshot &s) { s.cpuTotal = 95; });
    EXPECT_FALSE(evaluate());
}

// The processor at `celsius` against a chip whose critical value is `critical`.
std::function<void(Snapshot &)> hot(std::optional<double> celsius, std::optional<double> critical = 100)
{
    return [=](Snapshot &s) {
        s.sensors = SensorReading {};
        s.sensors->cpuCelsius = celsius;
        s.sensors->cpuCriticalCelsius = critical;
    };
}

TEST_F(InsightsTest, ProcessorNearItsCriticalTemperatureForTwoMinutes)
{
    ticks(125, 0, hot(95));
    const auto insight = evaluate();
    ASSERT_TRUE(insight);
    EXPECT_EQ(insight->text,
        QStringLiteral("The processor has been within 5 \u00b0C of its critical 100.0 \u00b0C for 2 minutes."));
    EXPECT_EQ(insight->severity, Insight::Severity::attention);
    EXPECT_EQ(insight->anchor, OverviewAnchor::temperatures);

    // Just outside the margin, a chip that states no critical value, too
    // short, or a moment unread: nothing.
    for (const auto &[from, shape] : std::vector<std::pair<double, std::function<void(Snapshot &)>>> {
             { 300, hot(94.9) }, { 300, hot(99, std::nullopt) }, { 115, hot(99) } }) {
        snapshots.clear();
        ticks(from, 0, shape);
        EXPECT_FALSE(evaluate());
    }
    snapshots.clear();
    ticks(200, 45, hot(99));
    ticks(40, 40, hot(std::nullopt));
    ticks(35, 0, hot(99));
    EXPECT_FALSE(evaluate());
}

TEST_F(InsightsTest, AHotProcessorRanksBelowSustainedCPUAndAboveSwap)
{
    ticks(600, 5, [](Snapshot &s) {
        hot(98)(s);
        s.swapUsed = 0;
    });
    ticks(0, 0, [](Snapshot &s) {
        hot(98)(s);
        s.swapUsed = 3e9; // swap grew too
    });
    EXPECT_EQ(evaluate()->anchor, OverviewAnchor::temperatures);
    for (Snapshot &s : snapshots) {
        s.cpuTotal = 90;
    }
    EXPECT_EQ(evaluate()->anchor, OverviewAnchor::cpu);
}

TEST_F(InsightsTest, SwapGrowthOfAGigabyteInTenMinutes)
{
    ticks(700, 605, [](Snapshot &s) { s.swapUsed = 0; }); // outside the window
    ticks(600, 5, [](Snapshot &s) { s.swapUsed = 2e9; });
    ticks(0, 0, [](Snapshot &s) { s.swapUsed = 3e9; });
    const auto insight = evaluate();
    ASSERT_TRUE(insight);
    EXPECT_EQ(insight->text,
        QStringLiteral("Swap grew by ") + Format::bytes(1e9) + QStringLiteral(" in the last 10 minutes."));
    EXPECT_EQ(insight->anchor, OverviewAnchor::swap);
}

TEST_F(InsightsTest, SwapGrowthJustUnderAGigabyteIsNotReported)
{
    ticks(600, 5, [](Snapshot &s) { s.swapUsed = 2e9; });
    ticks(0, 0, [](Snapshot &s) { s.swapUsed = 2e9 + 999'999'999; });
    EXPECT_FALSE(evaluate());
}

TEST_F(InsightsTest, SwapReferenceWithoutAReadingStopsTheRule)
{
    ticks(600, 600, [](Snapshot &) {});
    ticks(595, 5, [](Snapshot &s) { s.swapUsed = 0; });
    ticks(0, 0, [](Snapshot &s) { s.swapUsed = 5e9; });
    EXPECT_FALSE(evaluate());
}

TEST_F(InsightsTest, SwapNeedsASnapshotInTheWindow)
{
    ticks(900, 610, [](Snapshot &s) { s.swapUsed = 0; });
    // The newest snapshot itself is the only one inside, so there is no growth.
    snapshots.push_back(snapshots.back());
    snapshots.back().date = now - 601;
    snapshots.back().swapUsed = 5e9;
    EXPECT_FALSE(evaluate());
}

BatteryReading onBattery(std::optional<int> minutesLeft)
{
    BatteryReading b;
    b.level = 10;
    b.state = ChargingState::onBattery;
    b.timeToEmptyMinutes = minutesLeft;
    return b;
}

TEST_F(InsightsTest, BatteryRunningOut)
{
    battery = onBattery(20);
    const auto insight = evaluate();
    ASSERT_TRUE(insight);
    EXPECT_EQ(insight->text, QStringLiteral("About 20 minutes of battery left."));
    EXPECT_EQ(insight->severity, Insight::Severity::attention);
    EXPECT_EQ(insight->section, DashboardSection::battery);
    EXPECT_FALSE(insight->anchor);

    battery = onBattery(1);
    EXPECT_EQ(text(), QStringLiteral("About 1 minute of battery left."));
    battery = onBattery(21);
    EXPECT_FALSE(evaluate());
    battery = onBattery(std::nullopt);
    EXPECT_FALSE(evaluate());
}

BatteryReading pluggedIn(int level, ChargingState state)
{
    BatteryReading b;
    b.level = level;
    b.state = state;
    b.isPluggedIn = true;
    return b;
}

TEST_F(InsightsTest, ReminderDeliveredWhilePluggedIn)
{
    battery = pluggedIn(80, ChargingState::charging);
    reminder = Status::delivered(now - 30);
    const auto insight = evaluate();
    ASSERT_TRUE(insight);
    EXPECT_EQ(insight->text, QStringLiteral("Battery reached your 80% charge reminder just now."));
    EXPECT_EQ(insight->severity, Insight::Severity::info);
    EXPECT_EQ(insight->section, DashboardSection::battery);

    reminder = Status::delivered(now - 300);
    EXPECT_EQ(text(), QStringLiteral("Battery reached your 80% charge reminder 5 minutes ago."));
    reminder = Status::delivered(now + 100); // clock set back: elapsed counts as zero
    EXPECT_EQ(text(), QStringLiteral("Battery reached your 80% charge reminder just now."));

    battery->isPluggedIn = false;
    battery->state = ChargingState::onBattery;
    EXPECT_FALSE(evaluate());
}

TEST_F(InsightsTest, PluggedInButNotCharging)
{
    battery = pluggedIn(94, ChargingState::pluggedNotCharging);
    const auto insight = evaluate();
    ASSERT_TRUE(insight);
    EXPECT_EQ(insight->text, QStringLiteral("Plugged in but not charging at 94%. The battery's charge limit or the laptop's firmware is holding the charge."));
    EXPECT_EQ(insight->severity, Insight::Severity::info);
    battery = pluggedIn(95, ChargingState::pluggedNotCharging);
    EXPECT_FALSE(evaluate());
}

TEST_F(InsightsTest, BatteryRulesAreTriedInOrder)
{
    // Running out outranks the reminder, even with a reading that also
    // claims the adapter.
    battery = onBattery(10);
    battery->isPluggedIn = true;
    reminder = Status::delivered(now);
    EXPECT_EQ(text(), QStringLiteral("About 10 minutes of battery left."));
    // The reminder outranks holding the charge.
    battery = pluggedIn(90, ChargingState::pluggedNotCharging);
    EXPECT_EQ(text(), QStringLiteral("Battery reached your 80% charge reminder just now."));
    reminder = Status::armed();
    EXPECT_EQ(text(), QStringLiteral("Plugged in but not charging at 90%. The battery's charge limit or the laptop's firmware is holding the charge."));
}

TEST_F(InsightsTest, MachineRulesComeBeforeBatteryRules)
{
    battery = onBattery(5);
    ticks(90, 0, critical);
    EXPECT_EQ(text(), QStringLiteral("Memory pressure has been critical for 1 minute."));
    // With snapshots that trigger nothing, the battery still speaks.
    snapshots.clear();
    ticks(30, 0, [](Snapshot &s) { s.cpuTotal = 10; });
    EXPECT_EQ(text(), QStringLiteral("About 5 minutes of battery left."));
}

TEST_F(InsightsTest, MemoryRulesComeBeforeProcessAndCPU)
{
    ticks(200, 0, [](Snapshot &s) {
        s.memLevel = MemoryPressureLevel::warning;
        s.cpuTotal = 99;
        s.topProcesses = { { 7, QStringLiteral("render"), 180 } };
    });
    EXPECT_EQ(text(), QStringLiteral("Memory pressure has been elevated for 3 minutes."));
    for (Snapshot &s : snapshots) {
        s.memLevel = MemoryPressureLevel::normal;
    }
    EXPECT_EQ(text(), QStringLiteral("render has used about 2 full CPU cores for 3 minutes."));
}

} // namespace
} // namespace voltmere
