#include "model/Format.h"

#include <QDateTime>

#include <gtest/gtest.h>

#include <limits>

namespace voltmere {
namespace {

const QString dash = QStringLiteral("\u2014");
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

TEST(FormatTest, AbsentAndNonFiniteValuesGiveTheDash)
{
    EXPECT_EQ(Format::bytes(std::nullopt), dash);
    EXPECT_EQ(Format::bytes(nan), dash);
    EXPECT_EQ(Format::rate(std::nullopt), dash);
    EXPECT_EQ(Format::rate(inf), dash);
    EXPECT_EQ(Format::percent(std::nullopt, 1), dash);
    EXPECT_EQ(Format::percent(inf, 1), dash);
    EXPECT_EQ(Format::percent(-inf, 0), dash);
}

TEST(FormatTest, BytesUsePowersOf1024AndNeverGoNegative)
{
    EXPECT_EQ(Format::bytes(-5), Format::bytes(0));
    EXPECT_EQ(Format::bytes(1536), QStringLiteral("1.5 kB"));
    EXPECT_EQ(Format::bytes(8.0 * 1024 * 1024 * 1024), QStringLiteral("8.0 GB"));
    // The fraction is dropped before formatting.
    EXPECT_EQ(Format::bytes(1023.9), Format::bytes(1023));
    EXPECT_EQ(Format::bytes(1), QStringLiteral("1 byte"));
    EXPECT_EQ(Format::rate(1.5), QStringLiteral("1 byte/s"));
    EXPECT_EQ(Format::bytes(2), QStringLiteral("2 bytes"));
}

TEST(FormatTest, RatesUsePowersOf1000AndASuffix)
{
    EXPECT_EQ(Format::rate(1500), QStringLiteral("1.5 kB/s"));
    EXPECT_EQ(Format::rate(2'000'000), QStringLiteral("2.0 MB/s"));
    EXPECT_EQ(Format::rate(-1), Format::rate(0));
    EXPECT_TRUE(Format::rate(0).endsWith(QStringLiteral("/s")));
}

TEST(FormatTest, PercentRoundsToTheRequestedDecimals)
{
    EXPECT_EQ(Format::percent(42.345, 1), QStringLiteral("42.3%"));
    EXPECT_EQ(Format::percent(99.96, 1), QStringLiteral("100.0%"));
    EXPECT_EQ(Format::percent(7.5, 0), QStringLiteral("8%"));
    EXPECT_EQ(Format::percent(0, 2), QStringLiteral("0.00%"));
    EXPECT_EQ(Format::percent(12345.6, 0), QStringLiteral("12346%")); // no grouping
    // Exact halves round to even, as printf does.
    EXPECT_EQ(Format::percent(0.5, 0), QStringLiteral("0%"));
    EXPECT_EQ(Format::percent(2.5, 0), QStringLiteral("2%"));
    EXPECT_EQ(Format::percent(1.25, 1), QStringLiteral("1.2%"));
}

TEST(FormatTest, DurationInMinutes)
{
    EXPECT_EQ(Format::duration(59), QStringLiteral("59 min"));
    EXPECT_EQ(Format::duration(0), QStringLiteral("0 min"));
    EXPECT_EQ(Format::duration(60), QStringLiteral("1 h 0 min"));
    EXPECT_EQ(Format::duration(135), QStringLiteral("2 h 15 min"));
    EXPECT_FALSE(Format::duration(-1));
    EXPECT_FALSE(Format::duration(std::nullopt));
}

TEST(FormatTest, SpanRoundsSecondsAfterTheMinuteTest)
{
    EXPECT_EQ(Format::span(59.5), QStringLiteral("60 s"));
    EXPECT_EQ(Format::span(60), QStringLiteral("1 minute"));
    EXPECT_EQ(Format::span(0.4), QStringLiteral("0 s"));
    EXPECT_EQ(Format::span(2.5), QStringLiteral("3 s")); // halves away from zero
    EXPECT_EQ(Format::span(150), QStringLiteral("2 minutes"));
}

TEST(FormatTest, SpokenDurationsNeverSpeakSeconds)
{
    EXPECT_EQ(Format::durationSpoken(0), QStringLiteral("1 minute"));
    EXPECT_EQ(Format::durationSpoken(-30), QStringLiteral("1 minute"));
    EXPECT_EQ(Format::durationSpoken(59), QStringLiteral("1 minute"));
    EXPECT_EQ(Format::durationSpoken(119), QStringLiteral("1 minute"));
    EXPECT_EQ(Format::durationSpoken(120), QStringLiteral("2 minutes"));
    EXPECT_EQ(Format::durationSpoken(3599), QStringLiteral("59 minutes"));
    EXPECT_EQ(Format::durationSpoken(3600), QStringLiteral("1 hour"));
    EXPECT_EQ(Format::durationSpoken(3660), QStringLiteral("1 hour 1 minute"));
    EXPECT_EQ(Format::durationSpoken(7200), QStringLiteral("2 hours"));
    EXPECT_EQ(Format::durationSpoken(7260), QStringLiteral("2 hours 1 minute"));
    EXPECT_EQ(Format::durationSpoken(7500), QStringLiteral("2 hours 5 minutes"));
    EXPECT_EQ(Format::durationSpoken(30 * 3600), QStringLiteral("30 hours"));
}

TEST(FormatTest, TimestampShowsTimeAloneOnTheSameDay)
{
    // The tests run in UTC with the en_US locale.
    const Timestamp noon = QDateTime(QDate(2026, 3, 10), QTime(12, 0, 0), Qt::UTC).toSecsSinceEpoch();
    const Timestamp morning = noon - 3 * 3600 - 25;
    const QString sameDay = Format::timestamp(morning, noon);
    EXPECT_TRUE(sameDay.startsWith(QStringLiteral("8:59:35"))) << sameDay.toStdString();
    EXPECT_FALSE(sameDay.contains(QStringLiteral("Mar")));

    const QString yesterday = Format::timestamp(noon - 86400, noon);
    EXPECT_TRUE(yesterday.contains(QStringLiteral("Mon"))) << yesterday.toStdString();
    EXPECT_TRUE(yesterday.contains(QStringLiteral("Mar 9"))) << yesterday.toStdString();
    // The day form asks for 24-hour time with seconds.
    EXPECT_TRUE(yesterday.contains(QStringLiteral("12:00:00"))) << yesterday.toStdString();
}

} // namespace
} // namespace voltmere
