#include "app/CommandLine.h"
#include "history/HistoryStore.h"

#include "FakeClock.h"

#include <QBuffer>
#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace voltmere {
namespace {

using test::FakeClock;

class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = dir.filePath(QStringLiteral("history.sqlite"));
        HistoryStore store(path, clock);
        for (const double age : { 7200.0, 3601.0, 3600.0, 1800.0, 10.0 }) {
            Snapshot s;
            s.date = clock.now() - age;
            s.cpuTotal = age;
            store.record(s);
        }
        store.flush(true);
    }

    int run(const QStringList &options)
    {
        out.setData({});
        err.setData({});
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
        const int status = CommandLine::run(QStringList { QStringLiteral("voltmere") } + options, out, err, path, clock);
        out.close();
        err.close();
        return status;
    }

    // The cpu column of the CSV written to standard output.
    QStringList cpuColumn() const
    {
        QStringList values;
        const QStringList lines = QString::fromUtf8(out.data()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            values.append(lines[i].section(QLatin1Char(','), 1, 1));
        }
        return values;
    }

    QTemporaryDir dir;
    FakeClock clock;
    QString path;
    QBuffer out;
    QBuffer err;
};

TEST_F(CommandLineTest, SinceAnHourTakesTheSampleAnHourOldAndNothingOlder)
{
    EXPECT_EQ(run({ "--export-csv", "-", "--metric", "cpu", "--since", "1h" }), CommandLine::exitOK);
    EXPECT_EQ(cpuColumn(), (QStringList { "3600", "1800", "10" }));
    EXPECT_TRUE(err.data().isEmpty()) << err.data().toStdString();

    EXPECT_EQ(run({ "--export-csv=-", "--since=30m" }), CommandLine::exitOK);
    EXPECT_EQ(cpuColumn(), (QStringList { "1800", "10" }));
}

TEST_F(CommandLineTest, FromAndToTakeLocalDatesAndABareToDateIncludesThatDay)
{
    const QDateTime now = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(clock.now() * 1000));
    const QString today = now.date().toString(Qt::ISODate);
    const QString hourAgo = now.addSecs(-3600).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    EXPECT_EQ(run({ "--export-csv", "-", "--from", hourAgo, "--to", today }), CommandLine::exitOK);
    const QStringList lastHour { "3600", "1800", "10" };
    // Unless the hour straddles midnight, all three are today.
    if (now.addSecs(-3600).date() == now.date()) {
        EXPECT_EQ(cpuColumn(), lastHour);
    }
    EXPECT_EQ(run({ "--export-csv", "-", "--from", hourAgo }), CommandLine::exitOK);
    EXPECT_EQ(cpuColumn(), lastHour);
    EXPECT_EQ(CommandLine::parseDate(QStringLiteral("2026-12-07"), true),
        QDate(2026, 12, 8).startOfDay().toMSecsSinceEpoch() / 1000.0);
    EXPECT_EQ(CommandLine::parseDate(QStringLiteral("2026-12-07T10:00:00+01:00"), false), 1796634000.0);
    EXPECT_EQ(CommandLine::parseDuration(QStringLiteral("1h30m")), 5400.0);
}

TEST_F(CommandLineTest, MistakesAreExplainedAndWriteNothing)
{
    const QString target = dir.filePath(QStringLiteral("out.csv"));
    const std::vector<QStringList> mistakes {
        { "--export-csv", target, "--metric", "CPU" },
        { "--export-csv", target, "--since", "1h", "--from", "2026-12-01" },
        { "--export-csv", target, "--since", "0h" },
        { "--export-csv", target, "--since", "an hour" },
        { "--export-csv", target, "--from", "yesterday" },
        { "--export-csv", target, "--from", "2026-12-02", "--to", "2026-12-01" },
        { "--export-csv" },
        { "--metric", "cpu" },
        { "--export-csv", target, "voltmere://open" },
    };
    for (const QStringList &arguments : mistakes) {
        EXPECT_EQ(run(arguments), CommandLine::exitUsage) << arguments.join(' ').toStdString();
        EXPECT_TRUE(err.data().startsWith("voltmere: ")) << arguments.join(' ').toStdString();
        EXPECT_TRUE(out.data().isEmpty());
        EXPECT_FALSE(QFile::exists(target));
    }

    // A file that cannot be written is a failure, not a usage mistake.
    EXPECT_EQ(run({ "--export-csv", dir.filePath(QStringLiteral("no/such/folder.csv")) }), CommandLine::exitFailed);
    EXPECT_TRUE(err.data().contains("no/such/folder.csv"));
}

TEST_F(CommandLineTest, OnlyItsOwnOptionsKeepTheProgramFromStarting)
{
    EXPECT_TRUE(CommandLine::isCommand({ "voltmere", "--help" }));
    EXPECT_TRUE(CommandLine::isCommand({ "voltmere", "--export-csv=x.csv" }));
    EXPECT_FALSE(CommandLine::isCommand({ "voltmere" }));
    EXPECT_FALSE(CommandLine::isCommand({ "voltmere", "voltmere://open/battery" }));
    // Options meant for Qt itself still reach it.
    EXPECT_FALSE(CommandLine::isCommand({ "voltmere", "-platform", "offscreen" }));

    EXPECT_EQ(run({ "--version" }), CommandLine::exitOK);
    EXPECT_EQ(out.data(), QByteArray("voltmere " VOLTMERE_VERSION "\n"));
    EXPECT_EQ(run({ "--help" }), CommandLine::exitOK);
    EXPECT_TRUE(out.data().startsWith("Usage: voltmere"));
}

} // namespace
} // namespace voltmere
