#include "history/HistoryQueries.h"
#include "history/HistoryStore.h"

#include "DatabaseProbe.h"
#include "FakeClock.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

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

    // `load` answered by the grouped and window-function statements as
    // written, on a read-only connection of the test's own.
    HistorySeries byStatements(HistoryMetric metric, Timestamp from, Timestamp to, int buckets)
    {
        store->flush(true);
        sqlite3 *db = nullptr;
        HistorySeries series;
        if (sqlite3_open_v2(store->path().toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            series = HistoryQueries::loadByStatements(db, metric, from, to, buckets);
        }
        sqlite3_close(db);
        return series;
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

// Irregular recording (uneven ticks, silences of every length, missing and
// non-finite values, an awake clock that stalls, restarts or is absent,
// scattered events), answered by `load` and checked against a plain loop
// over what was recorded.
TEST_F(HistoryQueriesTest, MatchesABruteForceReadingOfIrregularRecording)
{
    struct Recorded {
        Timestamp ts;
        std::optional<double> cpu;
        bool plugged;
        std::optional<double> awake;
    };
    struct Marked {
        Timestamp at;
        std::string kind;
    };
    std::vector<Recorded> recorded;
    std::vector<Marked> marked;

    std::mt19937 random(3);
    std::uniform_real_distribution<double> unit(0, 1);
    const std::pair<HistoryEvent, const char *> kinds[] = { { HistoryEvent::start, "start" },
        { HistoryEvent::stop, "stop" }, { HistoryEvent::sleep, "sleep" }, { HistoryEvent::wake, "wake" } };
    Timestamp t = f;
    double awake = 1000;
    while (t < f + 6 * 3600) {
        Snapshot s;
        s.date = t;
        const double value = unit(random);
        if (value < 0.08) {
            s.cpuTotal = std::nullopt;
        } else if (value < 0.1) {
            s.cpuTotal = value < 0.09 ? std::nan("") : HUGE_VAL;
        } else {
            s.cpuTotal = unit(random) * 100;
        }
        if (unit(random) < 0.8) {
            s.battery = BatteryReading {};
            s.battery->isPluggedIn = unit(random) < 0.5;
        }
        if (unit(random) < 0.9) {
            s.awake = awake;
        }
        store->record(s);
        const bool finite = s.cpuTotal && std::isfinite(*s.cpuTotal);
        recorded.push_back({ t, finite ? s.cpuTotal : std::nullopt, s.battery && s.battery->isPluggedIn, s.awake });

        // Whole seconds, so that silences of exactly 20 s and gap ends on
        // bucket edges occur; many silences lie near the threshold.
        const double roll = unit(random);
        const double step = roll < 0.85 ? 2 + random() % 5 : roll < 0.93 ? 18 + random() % 5 : 23 + random() % 600;
        const double clock = unit(random);
        // Stalled (asleep), restarted, half the wall clock (exactly on the
        // asleep bound) or in step.
        awake = clock < 0.2 ? awake + random() % 3
            : clock < 0.3   ? unit(random) * 50
            : clock < 0.4   ? awake + step / 2
                            : awake + step;
        if (unit(random) < (step > 20 ? 0.5 : 0.02)) {
            const auto &[event, kind] = kinds[random() % 4];
            const double offsets[] = { -1.5, -1, unit(random) * step, step + 1, step + 1.5 };
            const Timestamp at = t + offsets[random() % 5];
            store->mark(event, at, false);
            marked.push_back({ at, kind });
        }
        t += step;
    }

    // Ranges that start and end on a sample, between samples or before the
    // first one; bucket widths fractional, whole, exactly as long as some
    // gaps (22 s), and the degenerate count 0.
    const std::size_t n = recorded.size();
    const std::vector<std::tuple<Timestamp, Timestamp, int>> queries {
        { recorded[n / 10].ts, recorded[n - n / 10].ts, 240 },
        { f + 100.5, f + 6 * 3600 - 77, 240 },
        { f - 50, recorded[n / 2].ts, 7 },
        { recorded[3].ts, recorded[n - 2].ts, 0 },
        { recorded[n / 3].ts, recorded[n / 3].ts + 3600, 240 },
        { recorded[n / 2].ts, recorded[n / 2].ts + 7200, 720 },
        { recorded[n / 4].ts, recorded[n / 4].ts + 240 * 22, 240 },
    };
    // What the data must exercise, or the comparison proves little.
    std::set<Reason> reasonsSeen;
    int exactlyTwenty = 0;
    int eventsOnAWindowEdge = 0;
    int longGapsEndingOnABucketEdge = 0;
    for (const auto &[from, to, count] : queries) {
        SCOPED_TRACE(testing::Message() << "+" << from - f << "…+" << to - f << ", " << count << " buckets");
        const double w = std::max((to - from) / std::max(count, 1), 1.0);

        // Expected gaps: consecutive samples in the range more than 20 s apart.
        std::vector<HistoryGap> gaps;
        const Recorded *previous = nullptr;
        for (const Recorded &r : recorded) {
            if (r.ts < from || r.ts > to) {
                continue;
            }
            exactlyTwenty += previous && r.ts - previous->ts == 20 ? 1 : 0;
            if (previous && r.ts - previous->ts > 20) {
                std::set<std::string> near;
                for (const Marked &m : marked) {
                    if (m.at >= previous->ts - 1 && m.at <= r.ts + 1) {
                        near.insert(m.kind);
                        eventsOnAWindowEdge += m.at == previous->ts - 1 || m.at == r.ts + 1 ? 1 : 0;
                    }
                }
                const double duration = r.ts - previous->ts;
                const bool stalled = previous->awake && r.awake && *previous->awake <= *r.awake
                    && duration - (*r.awake - *previous->awake) > std::max(duration / 2, 10.0);
                Reason reason = Reason::noReadings;
                if (stalled || near.count("sleep") || near.count("wake")) {
                    reason = Reason::asleep;
                } else if (near.count("start") || near.count("stop")) {
                    reason = Reason::notRunning;
                }
                gaps.push_back({ previous->ts, r.ts, reason });
                reasonsSeen.insert(reason);
                longGapsEndingOnABucketEdge
                    += duration > w && std::fmod(r.ts - from, w) == 0 && r.ts > from && r.ts < to ? 1 : 0;
            }
            previous = &r;
        }

        // Expected buckets: samples with a value, by whole widths from `from`.
        std::map<std::int64_t, std::vector<const Recorded *>> byIndex;
        int sampleCount = 0;
        for (const Recorded &r : recorded) {
            if (r.ts >= from && r.ts <= to && r.cpu) {
                byIndex[static_cast<std::int64_t>((r.ts - from) / w)].push_back(&r);
                ++sampleCount;
            }
        }
        std::vector<HistoryBucket> buckets;
        for (const auto &[index, members] : byIndex) {
            HistoryBucket bucket;
            bucket.start = from + w * static_cast<double>(index);
            bucket.max = -1;
            double sum = 0;
            double plugged = 0;
            for (const Recorded *r : members) {
                sum += *r->cpu;
                plugged += r->plugged ? 1 : 0;
                if (*r->cpu > bucket.max) {
                    bucket.max = *r->cpu;
                    bucket.maxAt = r->ts;
                }
            }
            bucket.avg = sum / static_cast<double>(members.size());
            bucket.pluggedFraction = plugged / static_cast<double>(members.size());
            for (const HistoryGap &gap : gaps) {
                bucket.segment += gap.end - gap.start > w && gap.end <= bucket.start + w ? 1 : 0;
            }
            buckets.push_back(bucket);
        }

        const HistorySeries series = store->load(HistoryMetric::cpu, from, to, count);
        // The statements' own answer, to the last bit.
        EXPECT_EQ(series, byStatements(HistoryMetric::cpu, from, to, count));
        EXPECT_EQ(series.bucketSeconds, w);
        EXPECT_EQ(series.sampleCount, sampleCount);
        EXPECT_EQ(series.gaps, gaps);
        EXPECT_EQ(store->gaps(from, to), gaps);
        ASSERT_EQ(series.buckets.size(), buckets.size());
        for (std::size_t i = 0; i < buckets.size(); ++i) {
            SCOPED_TRACE(testing::Message() << "bucket " << i);
            const HistoryBucket &actual = series.buckets[i];
            EXPECT_EQ(actual.start, buckets[i].start);
            EXPECT_NEAR(actual.avg, buckets[i].avg, 1e-9);
            EXPECT_EQ(actual.max, buckets[i].max);
            EXPECT_EQ(actual.maxAt, buckets[i].maxAt);
            EXPECT_NEAR(actual.pluggedFraction, buckets[i].pluggedFraction, 1e-12);
            EXPECT_EQ(actual.segment, buckets[i].segment);
        }
    }
    EXPECT_EQ(reasonsSeen, (std::set<Reason> { Reason::asleep, Reason::notRunning, Reason::noReadings }));
    EXPECT_GT(exactlyTwenty, 0);
    EXPECT_GT(eventsOnAWindowEdge, 0);
    EXPECT_GT(longGapsEndingOnABucketEdge, 0);
}

// What the ordered pass must survive to keep the statements' answer: rows
// whose rowid order is not their time order (a clock set back, a replaced
// sample), ties for a bucket's maximum, integer and NULL plug states, every
// metric column (the sensors' too, with their NULLs and stopped fans), and a
// value that is not a number (never ours), for which the statements' own
// type rules must decide.
TEST_F(HistoryQueriesTest, GivesTheStatementsAnswerForRowsOutOfOrderTiesAndOddValues)
{
    std::mt19937 random(11);
    std::uniform_real_distribution<double> unit(0, 1);
    std::vector<Timestamp> times;
    for (Timestamp t = f; t < f + 3 * 3600; t += 1 + random() % 40) {
        times.push_back(t);
    }
    // Every tenth sample is written late, after everything else.
    std::stable_partition(times.begin(), times.end(), [&](Timestamp) { return random() % 10 != 0; });
    const auto writeSample = [&](Timestamp t) {
        Snapshot s;
        s.date = t;
        // Few distinct values, so buckets often hold their maximum twice.
        s.cpuTotal = static_cast<double>(random() % 4) * 25;
        s.memPressure = unit(random) < 0.2 ? std::nullopt : std::optional<double>(random() % 3);
        s.swapUsed = 1e9 * unit(random);
        s.diskRead = s.diskWrite = s.netIn = s.netOut = 1e5 * unit(random);
        if (unit(random) < 0.7) {
            s.battery = BatteryReading {};
            s.battery->level = static_cast<int>(random() % 3) * 50;
            s.battery->isPluggedIn = unit(random) < 0.5;
        }
        if (unit(random) < 0.8) {
            s.sensors = SensorReading {};
            if (unit(random) < 0.9) {
                s.sensors->cpuCelsius = 40 + static_cast<double>(random() % 3) * 10;
            }
            if (unit(random) < 0.7) {
                s.sensors->fans = { { QStringLiteral("Fan 1"), static_cast<double>(random() % 3) * 1000 } };
            }
        }
        s.awake = unit(random) < 0.9 ? std::optional<double>(t - f + 1000 - unit(random) * 300) : std::nullopt;
        store->record(s);
    };
    for (const Timestamp t : times) {
        writeSample(t);
    }
    writeSample(times[times.size() / 2]); // replaces a sample: a new rowid for an old time
    store->mark(HistoryEvent::sleep, f + 600, false);
    store->mark(HistoryEvent::start, f + 4000, false);

    const std::vector<std::tuple<Timestamp, Timestamp, int>> ranges {
        { f, f + 3 * 3600, 240 },
        { f + 33.3, f + 3600 + 33.3, 240 },
        { f + 7000, f + 7000 + 240 * 7, 240 },
        { f - 3600, f + 30 * 86400, 240 },
        { f + 9000, f + 9000, 240 }, // at most one sample
    };
    for (const HistoryMetric metric : allHistoryMetrics) {
        for (const auto &[from, to, count] : ranges) {
            SCOPED_TRACE(testing::Message() << rawValue(metric).toStdString() << " +" << from - f << "…+" << to - f);
            EXPECT_EQ(store->load(metric, from, to, count), byStatements(metric, from, to, count));
        }
    }
    const HistorySeries whole = store->load(HistoryMetric::cpu, f, f + 3 * 3600, 240);
    EXPECT_GT(whole.sampleCount, 500);
    EXPECT_GT(whole.gaps.size(), 10u);

    // Text where a number belongs: SQLite orders text above every number.
    ASSERT_TRUE(test::execute(store->path(), "UPDATE sample SET cpu = 'busy' WHERE ts = " + std::to_string(times[5])));
    EXPECT_EQ(store->load(HistoryMetric::cpu, f, f + 3 * 3600, 240), byStatements(HistoryMetric::cpu, f, f + 3 * 3600, 240));
}

} // namespace
} // namespace voltmere
