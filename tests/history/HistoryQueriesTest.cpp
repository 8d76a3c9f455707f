#include "history/HistoryStore.h"

#include "DatabaseProbe.h"
#include "FakeClock.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace voltmere {

inline void PrintTo(const HistoryGap &gap, std::ostream *os)
{
    *os << std::fixed << gap.start << "…" << gap.end << " " << rawValue(gap.reason).toStdString();
}

namespace {

using Reason = HistoryGap::Reason;
using test::FakeClock;

// Every query flushes first, so these tests record without flushing and
// rely on the query to put the readings on disk.
class HistoryQueriesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        store = std::make_unique<HistoryStore>(dir.filePath(QStringLiteral("history.sqlite")), clock);
    }

    void sample(Timestamp date, std::optional<double> cpu, std::optional<double> awake = std::nullopt,
        std::optional<bool> plugged = std::nullopt)
    {
        Snapshot s;
        s.date = date;
        s.cpuTotal = cpu;
        s.awake = awake;
        if (plugged) {
            s.battery = BatteryReading {};
            s.battery->isPluggedIn = *plugged;
        }
        store->record(s);
    }

    // Samples every 5 s from `from` to `to` inclusive, awake clock in step.
    void steady(Timestamp from, Timestamp to, double awakeAtFrom)
    {
        for (Timestamp t = from; t <= to; t += 5) {
            sample(t, 10, awakeAtFrom + (t - from));
        }
    }

    QTemporaryDir dir;
    FakeClock clock;
    std::unique_ptr<HistoryStore> store;
    const Timestamp f = clock.now() - 7200; // start of a test range
};

TEST_F(HistoryQueriesTest, AggregatesEachBucketAndPutsASampleAtTheEndInAnExtraBucket)
{
    sample(f - 1, 99); // before the range
    sample(f + 0, 10, std::nullopt, true);
    sample(f + 5, 30, std::nullopt, false);
    sample(f + 10, 20); // no battery: counts as not plugged
    sample(f + 15, 50, std::nullopt, true);
    sample(f + 3600, 70); // exactly at `to`
    sample(f + 3601, 99); // after the range

    const HistorySeries series = store->load(HistoryMetric::cpu, f, f + 3600, 240);
    EXPECT_EQ(series.bucketSeconds, 15);
    EXPECT_EQ(series.sampleCount, 5);
    ASSERT_EQ(series.buckets.size(), 3u);
    EXPECT_EQ(series.buckets[0], (HistoryBucket { f, 20, 30, f + 5, 1.0 / 3.0, 0 }));
    EXPECT_EQ(series.buckets[1], (HistoryBucket { f + 15, 50, 50, f + 15, 1, 0 }));
    // Index 240: one past the last regular bucket, so 241 buckets are possible.
    EXPECT_EQ(series.buckets[2].start, f + 240 * 15.0);
    // The silence between f + 15 and f + 3600 is one gap, but inside the range only.
    ASSERT_EQ(series.gaps.size(), 1u);
    EXPECT_EQ(series.gaps[0].start, f + 15);
    EXPECT_EQ(series.gaps[0].end, f + 3600);
}

TEST_F(HistoryQueriesTest, AMetricWithoutValuesHasNoBucketsButItsGapsAreStillReported)
{
    EXPECT_EQ(store->load(HistoryMetric::cpu, f, f + 3600, 240).sampleCount, 0);

    sample(f + 100, 10);
    sample(f + 130, 12);
    const HistorySeries battery = store->load(HistoryMetric::battery, f, f + 3600, 240);
    EXPECT_TRUE(battery.buckets.empty());
    EXPECT_EQ(battery.sampleCount, 0);
    EXPECT_EQ(battery.gaps, (std::vector<HistoryGap> { { f + 100, f + 130, Reason::noReadings } }));
}

TEST_F(HistoryQueriesTest, OnlyGapsWiderThanABucketBreakTheLine)
{
    steady(f, f + 100, 500);
    steady(f + 125, f + 200, 625); // 25 s without readings

    const HistorySeries hour = store->load(HistoryMetric::cpu, f, f + 3600, 240);
    ASSERT_EQ(hour.gaps.size(), 1u);
    for (const HistoryBucket &bucket : hour.buckets) {
        EXPECT_EQ(bucket.segment, bucket.start < f + 100 ? 0 : 1) << "bucket at +" << bucket.start - f;
    }

    const HistorySeries day = store->load(HistoryMetric::cpu, f, f + 86400, 240);
    EXPECT_EQ(day.bucketSeconds, 360);
    EXPECT_EQ(day.gaps.size(), 1u);
    for (const HistoryBucket &bucket : day.buckets) {
        EXPECT_EQ(bucket.segment, 0);
    }
}

TEST_F(HistoryQueriesTest, ClassifiesGapsByTheAwakeClockAndByNearbyEvents)
{
    // Asleep: 180 s of wall clock, 10 s of awake clock.
    sample(f, 1, 1000);
    sample(f + 180, 1, 1010);
    // Not running: the awake clock kept going, and a stop and a start lie inside.
    store->mark(HistoryEvent::stop, f + 200, false);
    store->mark(HistoryEvent::start, f + 370, false);
    sample(f + 375, 1, 1205);
    // No readings: 30 s with the awake clock in step and no events.
    sample(f + 405, 1, 1235);
    sample(f + 410, 1, 1240);
    // An event exactly a second before the gap still explains it...
    store->mark(HistoryEvent::sleep, f + 409, false);
    sample(f + 445, 1, 1275);
    // ...one a second and a half after it does not.
    store->mark(HistoryEvent::wake, f + 476.5, false);
    sample(f + 475, 1, 1305);
    // Exactly 20 s is not a gap.
    sample(f + 495, 1, 1325);
    // The awake clock went backwards (a restart) and nothing was marked: the
    // awake test cannot decide, so there were just no readings.
    sample(f + 600, 1, 3);
    // Backwards again, but a wake event lies at the gap's end.
    store->mark(HistoryEvent::wake, f + 701, false);
    sample(f + 700, 1, 1);

    const std::vector<HistoryGap> gaps = store->gaps(f, f + 3600);
    EXPECT_EQ(gaps,
        (std::vector<HistoryGap> {
            { f, f + 180, Reason::asleep },
            { f + 180, f + 375, Reason::notRunning },
            { f + 375, f + 405, Reason::noReadings },
            { f + 410, f + 445, Reason::asleep },
            { f + 445, f + 475, Reason::noReadings },
            { f + 495, f + 600, Reason::noReadings },
            { f + 600, f + 700, Reason::asleep },
        }));
}

TEST_F(HistoryQueriesTest, FindsTheProcessesOfTheNearestSampleWithinFifteenSeconds)
{
    const Timestamp t = f + 1000;
    Snapshot busy;
    busy.date = t;
    busy.topProcesses = { { 42, QStringLiteral("compiler"), 180 }, { 7, QStringLiteral("daemon"), 0.2 },
        { 9, QStringLiteral("browser"), 25 } };
    store->record(busy);
    sample(t + 60, 5); // no process at or above the threshold

    const auto near = store->processes(t + 2);
    ASSERT_TRUE(near);
    EXPECT_EQ(near->first, t);
    EXPECT_EQ(near->second,
        (std::vector<ProcessCPU> { { 42, QStringLiteral("compiler"), 180 }, { 9, QStringLiteral("browser"), 25 } }));

    const auto quiet = store->processes(t + 70);
    ASSERT_TRUE(quiet);
    EXPECT_EQ(quiet->first, t + 60);
    EXPECT_TRUE(quiet->second.empty());

    EXPECT_FALSE(store->processes(t + 16));
    EXPECT_FALSE(store->processes(t + 76));

    // A row without a name (not ours) reads as an empty name.
    ASSERT_TRUE(
        test::execute(store->path(), "INSERT INTO proc VALUES (" + std::to_string(t + 60) + ", 0, 3, NULL, 9)"));
    EXPECT_EQ(store->processes(t + 60)->second, (std::vector<ProcessCPU> { { 3, QString(), 9 } }));
}

// The store folds ordered rows itself rather than asking SQLite to GROUP BY
// the bucket and to pair rows with LAG(); both must give what those
// statements give, on messy data too.
TEST_F(HistoryQueriesTest, AgreesWithTheGroupedAndWindowedStatementsOnIrregularData)
{
    std::mt19937 random(3);
    std::uniform_real_distribution<double> unit(0, 1);
    Timestamp t = f;
    while (t < f + 6 * 3600) {
        Snapshot s;
        s.date = t;
        s.awake = t - f;
        s.cpuTotal = unit(random) < 0.1 ? std::nullopt : std::optional<double>(std::round(unit(random) * 8) * 12.5);
        if (unit(random) < 0.8) {
            s.battery = BatteryReading {};
            s.battery->isPluggedIn = unit(random) < 0.5;
        }
        store->record(s);
        const double roll = unit(random);
        t += roll < 0.9 ? 2 + unit(random) * 4 : 15 + unit(random) * 400;
    }
    const Timestamp from = f + 100.5;
    const Timestamp to = f + 6 * 3600 - 77;
    const HistorySeries series = store->load(HistoryMetric::cpu, from, to, 240);

    const double w = (to - from) / 240;
    const auto grouped = test::queryRows(store->path(),
        "SELECT CAST((ts - " + std::to_string(from) + ") / " + QString::number(w, 'g', 17).toStdString()
            + " AS INTEGER) AS b, AVG(cpu), MAX(cpu), ts, AVG(COALESCE(plugged, 0)), COUNT(*) "
              "FROM sample WHERE ts >= "
            + std::to_string(from) + " AND ts <= " + std::to_string(to) + " AND cpu IS NOT NULL GROUP BY b ORDER BY b");
    ASSERT_EQ(series.buckets.size(), grouped.size());
    int count = 0;
    for (std::size_t i = 0; i < grouped.size(); ++i) {
        const HistoryBucket &bucket = series.buckets[i];
        EXPECT_DOUBLE_EQ(bucket.start, from + w * grouped[i][0].toDouble());
        EXPECT_NEAR(bucket.avg, grouped[i][1].toDouble(), 1e-9);
        EXPECT_EQ(bucket.max, grouped[i][2].toDouble());
        EXPECT_NEAR(bucket.maxAt, grouped[i][3].toDouble(), 1e-4);
        EXPECT_NEAR(bucket.pluggedFraction, grouped[i][4].toDouble(), 1e-9);
        count += grouped[i][5].toInt();
    }
    EXPECT_EQ(series.sampleCount, count);

    const auto paired = test::queryRows(store->path(),
        "SELECT prev, ts FROM (SELECT ts, LAG(ts) OVER (ORDER BY ts) AS prev FROM sample WHERE ts >= "
            + std::to_string(from) + " AND ts <= " + std::to_string(to)
            + ") WHERE prev IS NOT NULL AND ts - prev > 20");
    ASSERT_EQ(series.gaps.size(), paired.size());
    ASSERT_GT(paired.size(), 10u);
    for (std::size_t i = 0; i < paired.size(); ++i) {
        EXPECT_NEAR(series.gaps[i].start, paired[i][0].toDouble(), 1e-4);
        EXPECT_NEAR(series.gaps[i].end, paired[i][1].toDouble(), 1e-4);
    }
    EXPECT_EQ(store->gaps(from, to), series.gaps);
}

} // namespace
} // namespace voltmere
