#include "app/CommandLine.h"
#include "history/HistoryStore.h"

#include "FakeClock.h"
#include "PipesAndDevices.h"
#include "PlantedLink.h"

#include <QBuffer>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
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

// The names of standard output are standard output, as "-" is: never a file
// to replace.
TEST_F(CommandLineTest, DevStdoutIsStandardOutput)
{
    ASSERT_EQ(run({ "--export-csv", "-", "--metric", "cpu" }), CommandLine::exitOK);
    const QByteArray dash = out.data();
    for (const char *name : { "/dev/stdout", "/dev/fd/1", "/proc/self/fd/1" }) {
        EXPECT_EQ(run({ "--export-csv", name, "--metric", "cpu" }), CommandLine::exitOK) << name;
        EXPECT_EQ(out.data(), dash) << name;
        EXPECT_TRUE(err.data().isEmpty()) << err.data().toStdString();
    }
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

// The real program exporting from a terminal, into what a user may point it
// at: pipes, devices, standard output that fails, links in /tmp.
class CommandLineProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString database = dir.filePath(QStringLiteral("data/Voltmere/history.sqlite"));
        HistoryStore store(database);
        for (int i = 0; i < 3; ++i) {
            Snapshot s;
            s.date = 1'800'000'000.0 + 5 * i;
            s.cpuTotal = 10 + i;
            store.record(s);
        }
        store.finish();
    }

    // Runs `voltmere ARGUMENTS` to the end; its standard output to `output`
    // when given.
    int voltmere(const QStringList &arguments, const QString &output = {})
    {
        return runProgram(QStringLiteral(VOLTMERE_BINARY), arguments, output);
    }

    int runProgram(const QString &program, const QStringList &arguments, const QString &output = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", dir.path());
        env.insert("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")));
        env.insert("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")));
        env.insert("TZ", "UTC");
        process.setProcessEnvironment(env);
        if (!output.isEmpty()) {
            process.setStandardOutputFile(output);
        }
        process.start(program, arguments);
        if (!process.waitForFinished(30000)) {
            return -1;
        }
        standardError = QString::fromLocal8Bit(process.readAllStandardError());
        return process.exitCode();
    }

    static constexpr const char *csv
        = "time,cpu,gap\n2027-01-15T08:00:00.000+00:00,10,\n2027-01-15T08:00:05.000+00:00,11,\n"
          "2027-01-15T08:00:10.000+00:00,12,\n";

    QTemporaryDir dir;
    QProcess process;
    QString standardError;
};

TEST_F(CommandLineProcessTest, APipeADeviceAndStandardOutputAreWrittenToNotReplaced)
{
    const QString fifo = dir.filePath(QStringLiteral("pipe"));
    test::FifoReader reader(fifo);
    ASSERT_TRUE(reader.isOpen());
    EXPECT_EQ(voltmere({ "--export-csv", fifo, "--metric", "cpu" }), 0) << standardError.toStdString();
    EXPECT_EQ(reader.readAll(), csv);
    EXPECT_TRUE(reader.isStillAPipe());

    const test::NullDevice device(dir.filePath(QStringLiteral("null")));
    if (device.isMade()) {
        EXPECT_EQ(voltmere({ "--export-csv", dir.filePath(QStringLiteral("null")) }), 0)
            << standardError.toStdString();
        EXPECT_TRUE(device.isStillTheDevice());
    }

    EXPECT_EQ(voltmere({ "--export-csv", "/dev/stdout", "--metric", "cpu" }), 0) << standardError.toStdString();
    EXPECT_EQ(process.readAllStandardOutput(), csv);
}

TEST_F(CommandLineProcessTest, AnExportThatCannotReachStandardOutputFails)
{
    // A full disk: everything fits one buffer, which fails only at the end.
    EXPECT_EQ(voltmere({ "--export-csv", "-" }, QStringLiteral("/dev/full")), 1);
    EXPECT_TRUE(standardError.contains(QStringLiteral("No space left on device"))) << standardError.toStdString();

    // Standard output closed by the caller.
    process.setStandardOutputFile(QString());
    EXPECT_EQ(runProgram(QStringLiteral("/bin/sh"),
                  { "-c", "exec \"$0\" --export-csv - >&-", QStringLiteral(VOLTMERE_BINARY) }),
        1);
    EXPECT_EQ(standardError, QStringLiteral("voltmere: standard output is closed.\n"));
}

TEST_F(CommandLineProcessTest, ALinkAnotherUserLeftInASharedFolderIsNotFollowed)
{
    const test::PlantedLink planted(dir.path());
    if (!planted.isReady()) {
        GTEST_SKIP() << "a link owned by another user can only be made as root";
    }
    EXPECT_EQ(voltmere({ "--export-csv", planted.link() }), 1);
    EXPECT_TRUE(standardError.contains(QStringLiteral("another user"))) << standardError.toStdString();
    EXPECT_TRUE(planted.victimUntouched());
}

} // namespace
} // namespace voltmere
