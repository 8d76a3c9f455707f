#include "history/GapBand.h"
#include "history/HistoryMetric.h"
#include "history/SeriesSummary.h"

#include "model/Format.h"

#include <gtest/gtest.h>

#include <limits>

namespace voltmere {
namespace {

TEST(HistoryMetricTest, RawValuesRoundTripExactlyAndNameTheirColumns)
{
    for (HistoryMetric metric : allHistoryMetrics) {
        EXPECT_EQ(historyMetricFromRaw(rawValue(metric).toStdString()), metric);
    }
    EXPECT_FALSE(historyMetricFromRaw("CPU"));
    EXPECT_FALSE(historyMetricFromRaw("mem_pressure"));
    EXPECT_STREQ(column(HistoryMetric::memPressure), "mem_pressure");
    EXPECT_STREQ(column(HistoryMetric::swap), "swap_used");
    EXPECT_STREQ(column(HistoryMetric::netOut), "net_out");
    EXPECT_EQ(title(HistoryMetric::swap), "Swap used");
    EXPECT_EQ(title(HistoryMetric::battery), "Battery level");
    EXPECT_EQ(unitWord(HistoryMetric::diskRead), "bytes per second");
    EXPECT_EQ(unitWord(HistoryMetric::swap), "bytes");
    EXPECT_EQ(unitWord(HistoryMetric::battery), "percent");
}

TEST(HistoryMetricTest, FormatsPercentagesWholeAndByteCountsNeverNegative)
{
    EXPECT_EQ(format(HistoryMetric::cpu, 42.6), "43%");
    EXPECT_EQ(format(HistoryMetric::battery, 100), "100%");
    EXPECT_EQ(format(HistoryMetric::memPressure, std::nullopt), "\u2014");
    EXPECT_EQ(format(HistoryMetric::cpu, std::numeric_limits<double>::quiet_NaN()), "\u2014");
    EXPECT_EQ(format(HistoryMetric::netIn, std::numeric_limits<double>::infinity()), "\u2014");
    // Byte counts are whole, and a negative glitch reads as nothing moved.
    EXPECT_EQ(format(HistoryMetric::swap, 2048.9), Format::bytes(2048));
    EXPECT_EQ(format(HistoryMetric::swap, -5), Format::bytes(0));
    EXPECT_EQ(format(HistoryMetric::diskWrite, 1500.7), Format::rate(1500));
    EXPECT_EQ(format(HistoryMetric::netOut, -1), Format::rate(0));
    EXPECT_TRUE(format(HistoryMetric::netOut, 1500).endsWith("/s"));
}

TEST(HistoryMetricTest, SensorMetricsReadInDegreesAndRevolutions)
{
    EXPECT_STREQ(column(HistoryMetric::cpuTemperature), "cpu_temp");
    EXPECT_STREQ(column(HistoryMetric::fanSpeed), "fan_rpm");
    EXPECT_EQ(title(HistoryMetric::cpuTemperature), "CPU temperature");
    EXPECT_EQ(unitWord(HistoryMetric::fanSpeed), "revolutions per minute");
    EXPECT_FALSE(isPercent(HistoryMetric::cpuTemperature));
    EXPECT_EQ(format(HistoryMetric::cpuTemperature, 61.25), "61.2 \u00b0C"); // halves to even, as percentages
    EXPECT_EQ(format(HistoryMetric::fanSpeed, 0), "0 RPM"); // a stopped fan, not a dash
    EXPECT_EQ(format(HistoryMetric::fanSpeed, std::nullopt), "\u2014");
}

TEST(HistoryGapTest, BandsCarryTheReasonsLabel)
{
    const std::vector<HistoryGap> gaps { { 10, 200, HistoryGap::Reason::asleep },
        { 300, 400, HistoryGap::Reason::notRunning }, { 500, 530, HistoryGap::Reason::noReadings } };
    EXPECT_EQ(gapBands(gaps),
        (std::vector<GapBand> { { 10, 200, QStringLiteral("Computer asleep") },
            { 300, 400, QStringLiteral("Voltmere not running") }, { 500, 530, QStringLiteral("No readings") } }));
    for (const HistoryGap &gap : gaps) {
        EXPECT_EQ(gapReasonFromRaw(rawValue(gap.reason).toStdString()), gap.reason);
    }
    EXPECT_FALSE(gapReasonFromRaw("asleep "));
}

TEST(SeriesSummaryTest, NamesTheMeanTheFirstPeakAndTheLastValue)
{
    const Timestamp now = 1'800'000'000;
    const std::vector<ChartPoint> points { { now - 300, 10, 0 }, { now - 200, 30, 0 }, { now - 100, 30, 1 },
        { now, 20, 1 } };
    const auto oneDecimal = [](double v) { return QString::number(v, 'f', 1); };
    EXPECT_EQ(SeriesSummary::describe(points, QStringLiteral("CPU"), oneDecimal, now),
        QStringLiteral("CPU averaged 22.5 and peaked at 30.0 at ") + Format::timestamp(now - 200, now)
            + QStringLiteral(". Now 20.0."));
    EXPECT_EQ(SeriesSummary::describe({}, QStringLiteral("Battery"), oneDecimal, now),
        QStringLiteral("Battery: no readings yet."));
}

} // namespace
} // namespace voltmere
