#include "MonitorHarness.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace voltmere {
namespace {

using test::MonitorHarness;

class MonitorVisibilityTest : public ::testing::Test {
protected:
    MonitorHarness h;
    Monitor &monitor = *h.monitor;
    const QString panel = QStringLiteral("panel");
    const QString dashboard = QStringLiteral("dashboard");
};

TEST_F(MonitorVisibilityTest, APanelOnScreenSpeedsSamplingUpAndTicksAtOnce)
{
    monitor.start();
    EXPECT_EQ(h.ticks(), 1);
    EXPECT_EQ(monitor.interval(), 5.0);

    QSignalSpy intervalChanged(&monitor, &Monitor::intervalChanged);
    monitor.setSurfaceVisible(panel, true);
    EXPECT_EQ(monitor.interval(), 2.0);
    EXPECT_EQ(h.ticks(), 2); // rescheduled, with an immediate tick

    monitor.setSurfaceVisible(panel, false);
    EXPECT_EQ(monitor.interval(), 5.0);
    EXPECT_EQ(h.ticks(), 3);
    EXPECT_EQ(intervalChanged.count(), 2);
}

TEST_F(MonitorVisibilityTest, SameVisibilityTwiceDoesNotReschedule)
{
    monitor.start();
    monitor.setSurfaceVisible(panel, true);
    ASSERT_EQ(h.ticks(), 2);
    QSignalSpy visibleChanged(&monitor, &Monitor::visibleSurfacesChanged);
    QSignalSpy intervalChanged(&monitor, &Monitor::intervalChanged);
    monitor.setSurfaceVisible(panel, true);
    EXPECT_EQ(h.ticks(), 2);
    EXPECT_EQ(visibleChanged.count(), 0);
    EXPECT_EQ(intervalChanged.count(), 0);
    // Hiding something that was never shown changes nothing either.
    monitor.setSurfaceVisible(dashboard, false);
    EXPECT_EQ(h.ticks(), 2);
    EXPECT_EQ(visibleChanged.count(), 0);
}

TEST_F(MonitorVisibilityTest, ASecondSurfaceChangesNeitherPeriodNorTimer)
{
    monitor.start();
    monitor.setSurfaceVisible(panel, true);
    ASSERT_EQ(h.ticks(), 2);
    QSignalSpy intervalChanged(&monitor, &Monitor::intervalChanged);
    monitor.setSurfaceVisible(dashboard, true);
    monitor.setSurfaceVisible(panel, false); // the dashboard is still on screen
    EXPECT_EQ(h.ticks(), 2);
    EXPECT_EQ(intervalChanged.count(), 0);
    EXPECT_EQ(monitor.visibleSurfaces(), QSet<QString> { dashboard });
    monitor.setSurfaceVisible(dashboard, false);
    EXPECT_EQ(monitor.interval(), 5.0);
    EXPECT_EQ(h.ticks(), 3);
}

TEST_F(MonitorVisibilityTest, BeforeStartThePeriodChangesWithoutTicking)
{
    monitor.setSurfaceVisible(panel, true);
    EXPECT_EQ(monitor.interval(), 2.0);
    EXPECT_EQ(h.ticks(), 0);
    monitor.start(); // the timer starts with the period already chosen
    EXPECT_EQ(h.ticks(), 1);
}

TEST_F(MonitorVisibilityTest, OpenSurfacesChangeOnlyOnChange)
{
    QSignalSpy openChanged(&monitor, &Monitor::openSurfacesChanged);
    monitor.setSurfaceOpen(dashboard, true);
    monitor.setSurfaceOpen(dashboard, true);
    monitor.setSurfaceOpen(panel, false);
    EXPECT_EQ(openChanged.count(), 1);
    EXPECT_EQ(monitor.openSurfaces(), QSet<QString> { dashboard });
    EXPECT_EQ(monitor.interval(), 5.0); // open alone does not speed sampling up
    monitor.setSurfaceOpen(dashboard, false);
    EXPECT_TRUE(monitor.openSurfaces().isEmpty());
    EXPECT_EQ(openChanged.count(), 2);
}

Snapshot tick(double date, std::optional<double> selfCPUSeconds, double interval)
{
    Snapshot s;
    s.date = date;
    s.selfCPUSeconds = selfCPUSeconds;
    s.interval = interval;
    return s;
}

TEST_F(MonitorVisibilityTest, SelfUsageIsSplitByWhetherAnythingIsVisible)
{
    const double t = h.clock.now();
    QSignalSpy closedChanged(&monitor, &Monitor::selfClosedChanged);
    QSignalSpy openChanged(&monitor, &Monitor::selfOpenChanged);
    monitor.ingest(tick(t, 0.02, 5.0));
    monitor.ingest(tick(t + 5, 0.03, 5.0));
    monitor.setSurfaceVisible(panel, true);
    monitor.ingest(tick(t + 7, 0.1, 2.0));
    // Open but not visible counts as closed.
    monitor.setSurfaceVisible(panel, false);
    monitor.setSurfaceOpen(dashboard, true);
    monitor.ingest(tick(t + 12, 0.01, 5.0));

    EXPECT_DOUBLE_EQ(monitor.selfClosed().cpuSeconds, 0.06);
    EXPECT_DOUBLE_EQ(monitor.selfClosed().wallSeconds, 15.0);
    EXPECT_DOUBLE_EQ(monitor.selfOpen().cpuSeconds, 0.1);
    EXPECT_DOUBLE_EQ(monitor.selfOpen().wallSeconds, 2.0);
    EXPECT_EQ(closedChanged.count(), 3);
    EXPECT_EQ(openChanged.count(), 1);
}

TEST_F(MonitorVisibilityTest, TicksWithoutSelfUsageOrIntervalAddNothing)
{
    const double t = h.clock.now();
    QSignalSpy closedChanged(&monitor, &Monitor::selfClosedChanged);
    monitor.ingest(tick(t, 0.5, 0.0)); // first tick, or first after wake
    monitor.ingest(tick(t + 5, std::nullopt, 5)); // self usage unreadable
    EXPECT_EQ(monitor.selfClosed(), Monitor::UsageAccumulator {});
    EXPECT_EQ(monitor.selfOpen(), Monitor::UsageAccumulator {});
    EXPECT_EQ(closedChanged.count(), 0);
}

} // namespace
} // namespace voltmere
