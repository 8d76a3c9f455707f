#include "monitor/Monitor.h"

#include "EventLoop.h"
#include "MonitorHarness.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QThread>

#include <gtest/gtest.h>

namespace voltmere {
namespace {

using test::FakeClock;
using test::settleFor;
using test::waitFor;

class MonitorTest : public ::testing::Test {
protected:
    Snapshot snapshotAt(Timestamp date, std::optional<double> awake = std::nullopt)
    {
        Snapshot snapshot;
        snapshot.date = date;
        snapshot.awake = awake;
        return snapshot;
    }

    test::MonitorHarness harness;
    FakeClock &clock = harness.clock;
    test::FakeHistoryRecorder &recorder = harness.history;
    test::FakeCPU *cpu = harness.cpu;
    test::FakeBattery *battery = harness.battery;
    test::FakeSystemEvents *events = harness.events;
    std::unique_ptr<Monitor> &monitor = harness.monitor;
};

TEST_F(MonitorTest, StartsWithTheDocumentedState)
{
    EXPECT_TRUE(monitor->snapshots().empty());
    EXPECT_FALSE(monitor->latest());
    EXPECT_TRUE(monitor->hasBattery());
    EXPECT_EQ(monitor->interval(), 5.0);
    EXPECT_EQ(monitor->section(), DashboardSection::overview);
    EXPECT_FALSE(monitor->overviewAnchor());
    EXPECT_EQ(monitor->historyEpoch(), 0);
    EXPECT_EQ(monitor->selfClosed(), Monitor::UsageAccumulator{});
}

TEST_F(MonitorTest, StartTwiceWritesOneStartEventAndTicksOnce)
{
    QSignalSpy ticks(monitor.get(), &Monitor::latestChanged);
    monitor->start();
    monitor->start();
    ASSERT_EQ(recorder.marks.size(), 1u);
    EXPECT_EQ(recorder.marks[0].event, HistoryEvent::start);
    EXPECT_EQ(recorder.marks[0].at, clock.now());
    EXPECT_FALSE(recorder.marks[0].flush);
    EXPECT_EQ(events->starts, 1);

    // The first tick runs at once; a second timer would add a second one.
    ASSERT_TRUE(waitFor([&] { return ticks.count() >= 1; }));
    settleFor(300);
    EXPECT_EQ(ticks.count(), 1);
    EXPECT_EQ(recorder.recorded.size(), 1u);
}

TEST_F(MonitorTest, PeriodFollowsVisibilityAndEachChangeTicksAtOnce)
{
    QSignalSpy ticks(monitor.get(), &Monitor::latestChanged);
    QSignalSpy intervals(monitor.get(), &Monitor::intervalChanged);
    monitor->start();
    ASSERT_TRUE(waitFor([&] { return ticks.count() == 1; }));

    monitor->setSurfaceVisible(QStringLiteral("panel"), true);
    EXPECT_EQ(monitor->interval(), 2.0);
    ASSERT_TRUE(waitFor([&] { return ticks.count() == 2; }, 1500)) << "no immediate tick";

    // Same visibility again, and a second surface: no reschedule, no tick.
    monitor->setSurfaceVisible(QStringLiteral("panel"), true);
    monitor->setSurfaceVisible(QStringLiteral("dashboard"), true);
    settleFor(400);
    EXPECT_EQ(ticks.count(), 2);
    EXPECT_EQ(intervals.count(), 1);

    monitor->setSurfaceVisible(QStringLiteral("panel"), false);
    EXPECT_EQ(monitor->interval(), 2.0);
    monitor->setSurfaceVisible(QStringLiteral("dashboard"), false);
    EXPECT_EQ(monitor->interval(), 5.0);
    ASSERT_TRUE(waitFor([&] { return ticks.count() == 3; }, 1500));
    EXPECT_EQ(intervals.count(), 2);
}

TEST_F(MonitorTest, OpenSurfacesChangeOnlyOnRealChanges)
{
    QSignalSpy spy(monitor.get(), &Monitor::openSurfacesChanged);
    monitor->setSurfaceOpen(QStringLiteral("dashboard"), true);
    monitor->setSurfaceOpen(QStringLiteral("dashboard"), true);
    monitor->setSurfaceOpen(QStringLiteral("about"), false);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_TRUE(monitor->openSurfaces().contains(QStringLiteral("dashboard")));
    EXPECT_EQ(monitor->interval(), 5.0); // open is not visible
}

TEST_F(MonitorTest, KeepsOneHourByTimeAndTheCutoffItselfStays)
{
    const Timestamp t0 = 1'800'000'000;
    for (int i = 0; i <= 1800; ++i) {
        monitor->ingest(snapshotAt(t0 + 2.0 * i));
    }
    // Newest is t0 + 3600: the first snapshot sits exactly at the cutoff.
    ASSERT_EQ(monitor->snapshots().size(), 1801u);
    EXPECT_EQ(monitor->snapshots().front().date, t0);
    EXPECT_EQ(monitor->latest()->date, t0 + 3600);

    monitor->ingest(snapshotAt(t0 + 3601));
    EXPECT_EQ(monitor->snapshots().front().date, t0 + 2);
    EXPECT_EQ(monitor->snapshots().back().date, t0 + 3601);
    EXPECT_EQ(recorder.recorded.size(), 1802u);
}

TEST_F(MonitorTest, RecentSnapshotsAreTheTailBeforeTheNewest)
{
    EXPECT_TRUE(monitor->snapshots(10).empty());
    const Timestamp t0 = 1'800'000'000;
    for (int i = 0; i <= 300; ++i) {
        monitor->ingest(snapshotAt(t0 + 5.0 * i)); // 25 minutes
    }
    const auto lastTen = monitor->snapshots(10);
    ASSERT_FALSE(lastTen.empty());
    EXPECT_EQ(lastTen.front().date, t0 + 1500 - 600);
    EXPECT_EQ(lastTen.back().date, t0 + 1500);
    EXPECT_EQ(lastTen.size(), 121u);
    EXPECT_EQ(monitor->snapshots(60).size(), 301u);
}

TEST_F(MonitorTest, SleepIntervalsAreTrimmedAtTheNextTick)
{
    clock.setNow(1000);
    monitor->willSleep();
    clock.setNow(1100);
    monitor->didWake();
    clock.setNow(2000);
    monitor->willSleep();
    clock.setNow(2050);
    monitor->didWake();
    ASSERT_EQ(monitor->sleepIntervals().size(), 2u);

    // Cutoff 1100: the wake exactly at the cutoff stays.
    monitor->ingest(snapshotAt(4700));
    EXPECT_EQ(monitor->sleepIntervals().size(), 2u);
    // Cutoff 1101: that wake is now 3,601 s before the newest snapshot.
    monitor->ingest(snapshotAt(4701));
    ASSERT_EQ(monitor->sleepIntervals().size(), 1u);
    EXPECT_EQ(monitor->sleepIntervals()[0], (Monitor::SleepInterval{2000, 2050}));
}

TEST_F(MonitorTest, SleepAndWakeWriteEventsResetBaselinesAndRefreshBattery)
{
    clock.setNow(500);
    monitor->willSleep();
    clock.setNow(800);
    monitor->didWake();
    ASSERT_EQ(recorder.marks.size(), 2u);
    EXPECT_EQ(recorder.marks[0].event, HistoryEvent::sleep);
    // The sleep waits for the write: readings must be on disk before it.
    EXPECT_EQ(recorder.flushes, std::vector<bool>{true});
    EXPECT_EQ(recorder.marks[1].event, HistoryEvent::wake);
    EXPECT_EQ(recorder.marks[1].at, 800);
    EXPECT_FALSE(recorder.marks[1].flush);
    ASSERT_TRUE(waitFor([&] { return cpu->resets == 1 && battery->reads == 1; }));
    EXPECT_EQ(monitor->sleepIntervals(), (std::vector<Monitor::SleepInterval>{{500, 800}}));
}

TEST_F(MonitorTest, WakeWithoutSleepStillDoesEverythingButRecordAnInterval)
{
    monitor->didWake();
    EXPECT_TRUE(monitor->sleepIntervals().empty());
    ASSERT_EQ(recorder.marks.size(), 1u);
    EXPECT_EQ(recorder.marks[0].event, HistoryEvent::wake);
    EXPECT_TRUE(waitFor([&] { return cpu->resets == 1 && battery->reads == 1; }));
}

TEST_F(MonitorTest, WakeBeforeTheRecordedSleepStartAddsNoInterval)
{
    clock.setNow(1000);
    monitor->willSleep();
    clock.setNow(900); // clock set back while asleep
    monitor->didWake();
    EXPECT_TRUE(monitor->sleepIntervals().empty());
    EXPECT_EQ(recorder.marks.back().event, HistoryEvent::wake);
}

TEST_F(MonitorTest, SystemEventsReachTheMonitorAfterStart)
{
    monitor->start();
    Q_EMIT events->willSleep();
    Q_EMIT events->didWake();
    Q_EMIT events->powerSourceChanged();
    ASSERT_GE(recorder.marks.size(), 3u);
    EXPECT_EQ(recorder.marks[1].event, HistoryEvent::sleep);
    EXPECT_EQ(recorder.marks[2].event, HistoryEvent::wake);
    EXPECT_TRUE(waitFor([&] { return battery->reads >= 3; })); // tick, wake, power change
}

TEST_F(MonitorTest, StopWritesTheStopEventThenWaitsForTheFlush)
{
    monitor->stop();
    ASSERT_EQ(recorder.marks.size(), 1u);
    EXPECT_EQ(recorder.marks[0].event, HistoryEvent::stop);
    EXPECT_FALSE(recorder.marks[0].flush);
    EXPECT_EQ(recorder.flushes, std::vector<bool>{true});
}

// Logout sends SIGTERM then SIGHUP, and a lost display may follow: every
// path calls stop(), and only the first may write.
TEST_F(MonitorTest, StopRunsOnceAndEndsSamplingForGood)
{
    monitor->start();
    ASSERT_TRUE(waitFor([&] { return !recorder.recorded.empty(); }));
    monitor->stop();
    monitor->stop();
    EXPECT_TRUE(monitor->engine().queue().isStopped());
    const int ticks = static_cast<int>(std::count(harness.log.calls.begin(), harness.log.calls.end(), "cpu"));
    monitor->setSurfaceVisible(QStringLiteral("panel"), true); // would reschedule a live timer
    monitor->refreshBattery();
    QThread::msleep(50);
    QCoreApplication::processEvents();
    EXPECT_EQ(std::count(harness.log.calls.begin(), harness.log.calls.end(), "cpu"), ticks);
    ASSERT_EQ(recorder.marks.size(), 2u);
    EXPECT_EQ(recorder.marks.back().event, HistoryEvent::stop);
    EXPECT_EQ(recorder.flushes, std::vector<bool>{true});
}

TEST_F(MonitorTest, GapLabelTellsSleepFromMissingReadings)
{
    const Timestamp t = 1'800'000'000;
    // A 30-second hole with the awake clock advancing 4 s: slept 26 > 15.
    monitor->ingest(snapshotAt(t, 100));
    monitor->ingest(snapshotAt(t + 30, 104));
    EXPECT_EQ(monitor->gapLabel(t, t + 30), "Computer asleep");
    // Advancing 20 s: slept 10 is not more than half of 30.
    monitor->ingest(snapshotAt(t + 60, 124));
    EXPECT_EQ(monitor->gapLabel(t + 30, t + 60), "No readings");
    // A 12-second hole (half is under 10 s) with 1 s awake: slept 11 > 10.
    monitor->ingest(snapshotAt(t + 72, 125));
    EXPECT_EQ(monitor->gapLabel(t + 60, t + 72), "Computer asleep");
    // Awake time going backwards (a restart) says nothing about sleep.
    monitor->ingest(snapshotAt(t + 200, 3));
    EXPECT_EQ(monitor->gapLabel(t + 72, t + 200), "No readings");
    // Missing awake readings give no evidence either.
    monitor->ingest(snapshotAt(t + 400));
    EXPECT_EQ(monitor->gapLabel(t + 200, t + 400), "No readings");
}

TEST_F(MonitorTest, GapLabelTrustsRecordedSleepEvenAfterARestartedClock)
{
    const Timestamp t = 1'800'000'000;
    monitor->ingest(snapshotAt(t, 500));
    clock.setNow(t + 10);
    monitor->willSleep();
    clock.setNow(t + 100);
    monitor->didWake();
    monitor->ingest(snapshotAt(t + 120, 2));
    EXPECT_EQ(monitor->gapLabel(t, t + 120), "Computer asleep");
    // A range touching the interval only at its end still overlaps.
    EXPECT_EQ(monitor->gapLabel(t + 100, t + 120), "Computer asleep");
    EXPECT_EQ(monitor->gapLabel(t + 101, t + 120), "No readings");
}

TEST_F(MonitorTest, SelfUsageGoesToTheAccumulatorOfThePresentVisibility)
{
    Snapshot snapshot = snapshotAt(1000);
    snapshot.selfCPUSeconds = 0.02;
    snapshot.interval = 5;
    monitor->ingest(snapshot);

    snapshot.date = 1002;
    snapshot.interval = 0; // first tick after a wake: adds nothing
    monitor->ingest(snapshot);

    snapshot.date = 1004;
    snapshot.interval = 2;
    snapshot.selfCPUSeconds.reset();
    monitor->ingest(snapshot);

    monitor->setSurfaceVisible(QStringLiteral("panel"), true);
    snapshot.date = 1006;
    snapshot.selfCPUSeconds = 0.05;
    monitor->ingest(snapshot);

    EXPECT_DOUBLE_EQ(monitor->selfClosed().cpuSeconds, 0.02);
    EXPECT_DOUBLE_EQ(monitor->selfClosed().wallSeconds, 5);
    EXPECT_DOUBLE_EQ(monitor->selfOpen().cpuSeconds, 0.05);
    EXPECT_DOUBLE_EQ(monitor->selfOpen().wallSeconds, 2);
}

TEST_F(MonitorTest, BatteryIsPublishedOnlyWhenItChanges)
{
    QSignalSpy batterySpy(monitor.get(), &Monitor::batteryChanged);
    QSignalSpy hasBatterySpy(monitor.get(), &Monitor::hasBatteryChanged);
    BatteryReading reading;
    reading.level = 70;
    monitor->applyBattery(reading);
    monitor->applyBattery(reading);
    EXPECT_EQ(batterySpy.count(), 1);
    EXPECT_EQ(hasBatterySpy.count(), 0);

    monitor->applyBattery(std::nullopt);
    EXPECT_FALSE(monitor->hasBattery());
    EXPECT_FALSE(monitor->battery());
    EXPECT_EQ(batterySpy.count(), 2);
    EXPECT_EQ(hasBatterySpy.count(), 1);
}

TEST_F(MonitorTest, NavigationStateNotifiesOnlyOnChange)
{
    QSignalSpy sections(monitor.get(), &Monitor::sectionChanged);
    QSignalSpy anchors(monitor.get(), &Monitor::overviewAnchorChanged);
    monitor->setSection(DashboardSection::overview);
    monitor->setSection(DashboardSection::battery);
    monitor->setOverviewAnchor(OverviewAnchor::swap);
    monitor->setOverviewAnchor(OverviewAnchor::swap);
    monitor->setOverviewAnchor(std::nullopt);
    EXPECT_EQ(sections.count(), 1);
    EXPECT_EQ(anchors.count(), 2);
    monitor->bumpHistoryEpoch();
    EXPECT_EQ(monitor->historyEpoch(), 1);
}

TEST_F(MonitorTest, TickArrivingAfterTheMonitorIsGoneIsDropped)
{
    monitor->start();
    monitor.reset(); // cancels the timer; anything in flight finds no Monitor
    const auto recordedBefore = recorder.recorded.size();
    settleFor(200);
    EXPECT_EQ(recorder.recorded.size(), recordedBefore);
}

} // namespace
} // namespace voltmere
