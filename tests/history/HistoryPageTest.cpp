#include "history/HistoryPage.h"

#include "model/Format.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace voltmere {
namespace {

using namespace HistoryPage;

TEST(HistoryPageTest, DescribesTheBucketsOfEachRange)
{
    // 240 buckets over 1 h, 6 h, 24 h and 7 days.
    EXPECT_EQ(bucketDescription(15), "15 s buckets");
    EXPECT_EQ(bucketDescription(90), "1 min buckets");
    EXPECT_EQ(bucketDescription(360), "6 min buckets");
    EXPECT_EQ(bucketDescription(2520), "42 min buckets");
    EXPECT_EQ(bucketDescription(0), "1 s buckets"); // nothing loaded yet
    EXPECT_EQ(inspectionLabel(1'800'000'000, 360, 1'800'000'100),
        "peak at " + Format::timestamp(1'800'000'000, 1'800'000'100) + " (within a 6 min bucket)");
}

TEST(HistoryPageTest, SpikesMustLieMoreThanATwentiethOfTheRangeApart)
{
    const Timestamp t = 1'800'000'000;
    // 24 h: 72 minutes apart is too close, 73 minutes is not.
    const std::vector<ChartPoint> peaks { { t, 90, 0 }, { t + 72 * 60, 80, 0 }, { t + 73 * 60, 70, 0 },
        { t + 10 * 3600, 60, 0 }, { t + 12 * 3600, 60, 0 }, { t + 14 * 3600, 50, 0 }, { t + 16 * 3600, 40, 0 } };
    EXPECT_EQ(spikes(peaks, 24),
        (std::vector<ChartPoint> { { t, 90, 0 }, { t + 73 * 60, 70, 0 }, { t + 10 * 3600, 60, 0 },
            { t + 12 * 3600, 60, 0 }, { t + 14 * 3600, 50, 0 } }));
    // Over 7 days the same moments are all within 8.4 hours of the first.
    EXPECT_EQ(spikes(peaks, 168).size(), 2u);
}

class HistoryPageTextTest : public ::testing::Test {
protected:
    static HistoryGap gap(Timestamp start, double length, HistoryGap::Reason reason)
    {
        return { start, start + length, reason };
    }
    const Timestamp now = 1'800'000'000;
    HistorySeries series;
};

TEST_F(HistoryPageTextTest, SummaryAndCopiedTextCountTheGaps)
{
    series.sampleCount = 700;
    series.bucketSeconds = 15;
    series.buckets = { { now - 3000, 20, 30, now - 2990, 0, 0 }, { now - 2000, 40, 70, now - 1990, 0, 0 },
        { now - 1000, 30, 70, now - 995, 0, 0 } };
    const auto peaks = peakPoints(series);
    const auto averages = averagePoints(series);
    const QString peakTime = Format::timestamp(now - 1990, now); // the first of the two 70s

    EXPECT_EQ(summary(HistoryMetric::cpu, 1, series, peaks, averages, now),
        "CPU averaged 30% over the last 1 h, peaking at 70% at " + peakTime + ". 700 readings, no gaps.");
    EXPECT_EQ(copyText(HistoryMetric::cpu, 1, series, peaks, averages, now),
        summary(HistoryMetric::cpu, 1, series, peaks, averages, now));

    series.gaps = { gap(now - 2500, 90, HistoryGap::Reason::asleep) };
    EXPECT_TRUE(summary(HistoryMetric::cpu, 168, series, peaks, averages, now)
                    .endsWith("over the last 7 days, peaking at 70% at " + peakTime + ". 700 readings, 1 gap totaling "
                        + Format::span(90) + "."));

    // Nine gaps: the summary totals all of them, the copy lists the first eight.
    series.gaps.clear();
    for (int i = 0; i < 9; ++i) {
        series.gaps.push_back(gap(now - 3000 + i * 200, 30, i == 0 ? HistoryGap::Reason::notRunning
                                                                  : HistoryGap::Reason::noReadings));
    }
    const QString text = copyText(HistoryMetric::cpu, 24, series, peaks, averages, now);
    const QStringList lines = text.split('\n');
    ASSERT_EQ(lines.size(), 9);
    EXPECT_TRUE(lines[0].endsWith("700 readings, 9 gaps totaling " + Format::span(270) + "."));
    EXPECT_EQ(lines[1],
        "Voltmere not running: " + Format::timestamp(now - 3000, now) + " \u2013 " + Format::timestamp(now - 2970, now));
    EXPECT_TRUE(lines[8].startsWith("No readings: " + Format::timestamp(now - 3000 + 7 * 200, now)));
    EXPECT_EQ(gapFootnote(9), "1 earlier gaps not listed.");
    EXPECT_EQ(gapFootnote(8), "");

    EXPECT_EQ(summary(HistoryMetric::cpu, 1, {}, {}, {}, now), "No cpu readings in this range yet.");
}

TEST_F(HistoryPageTextTest, StorageFooterSaysWhereTheHistoryIsOrWhyItIsNot)
{
    EXPECT_EQ(storageFooter(QStringLiteral("unable to open database file"), false, {}, {}, 0, 7),
        "History is unavailable: unable to open database file.");
    EXPECT_EQ(storageFooter(std::nullopt, false, {}, {}, 0, 7),
        "History is unavailable: the database couldn't be opened.");
    EXPECT_EQ(storageFooter(std::nullopt, true, "/home/ada/.local/share/Voltmere/history.sqlite", "/home/ada",
                  3 * 1024 * 1024, 30),
        "Stored on this computer at ~/.local/share/Voltmere/history.sqlite \u00b7 " + Format::bytes(3 * 1024 * 1024)
            + " \u00b7 keeps 30 days \u00b7 written in batches every 2 minutes.");
    // Readings that cannot be written yet are said, after where they go.
    EXPECT_TRUE(storageFooter(std::nullopt, true, "/d/h.sqlite", "/home/ada", 0, 7, QStringLiteral("database or disk is full"))
                    .endsWith("every 2 minutes. New readings can't be saved right now: database or disk is full."));
    // A folder that merely starts like the home folder is not inside it.
    EXPECT_TRUE(storageFooter(std::nullopt, true, "/home/adam/h.sqlite", "/home/ada", -5, 1)
                    .startsWith("Stored on this computer at /home/adam/h.sqlite \u00b7 " + Format::bytes(0)));
}

} // namespace
} // namespace voltmere
