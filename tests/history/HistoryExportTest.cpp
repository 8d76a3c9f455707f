#include "history/HistoryExport.h"
#include "history/HistoryStore.h"

#include "DatabaseProbe.h"
#include "FakeClock.h"
#include "PipesAndDevices.h"
#include "PlantedLink.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace voltmere {
namespace {

using test::FakeClock;

// 2027-03-28 00:59:50 UTC: ten seconds before central Europe moves its
// clocks from +01:00 to +02:00.
constexpr Timestamp t0 = 1806195590.0;

// Times are written in local time, so the tests fix the zone (a POSIX rule,
// which needs no time-zone database on the machine).
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char *zone)
    {
        if (const char *old = std::getenv("TZ")) {
            m_old = old;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone()
    {
        if (m_old) {
            setenv("TZ", m_old->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

private:
    std::optional<std::string> m_old;
};

class HistoryExportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = dir.filePath(QStringLiteral("history.sqlite"));
        store = std::make_unique<HistoryStore>(path, clock);
    }

    void sample(Timestamp date, std::optional<double> cpu, std::optional<double> awake)
    {
        Snapshot s;
        s.date = date;
        s.cpuTotal = cpu;
        s.awake = awake;
        store->record(s);
    }

    QString exportText(const HistoryExport::Request &request)
    {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        const HistoryExport::Result result = HistoryExport::toDevice(path, request, buffer);
        EXPECT_TRUE(result.ok()) << result.error.toStdString();
        return QString::fromUtf8(buffer.data());
    }

    QStringList filesInDir() const { return QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot); }

    ScopedTimeZone zone { "CET-1CEST,M3.5.0,M10.5.0/3" };
    QTemporaryDir dir;
    FakeClock clock { t0 + 3600 };
    QString path;
    std::unique_ptr<HistoryStore> store;
};

TEST_F(HistoryExportTest, WritesEverySampleWithLocalTimeAbsentValuesEmptyAndGapReasons)
{
    Snapshot first;
    first.date = t0;
    first.awake = 1000;
    first.cpuTotal = 12.5;
    first.swapUsed = 1048576;
    first.netIn = 0; // a real zero stays a zero
    first.battery = BatteryReading {};
    first.battery->level = 81;
    first.sensors = SensorReading {};
    first.sensors->cpuCelsius = 61.5;
    first.sensors->fans = { { QStringLiteral("Fan 1"), 0 } }; // stopped, not absent
    store->record(first);
    Snapshot second;
    second.date = t0 + 5.25;
    second.awake = 1005.25;
    second.memPressure = 33.3;
    second.diskWrite = 2048.5;
    store->record(second);
    sample(t0 + 15, 7, 1015); // after the clocks moved on; 9.75 s is no gap
    store->mark(HistoryEvent::stop, t0 + 20, false);
    store->mark(HistoryEvent::start, t0 + 99.5, false);
    sample(t0 + 100, 3, 2); // awake clock restarted with the program
    sample(t0 + 400, 4, 7); // 300 s of wall time, 5 s awake
    sample(t0 + 700, 5, std::nullopt); // nothing explains this one
    store->flush(true);

    EXPECT_EQ(exportText({}).toStdString(),
        "time,cpu,memPressure,swap,diskRead,diskWrite,netIn,netOut,battery,gap,cpuTemperature,fanSpeed\n"
        "2027-03-28T01:59:50.000+01:00,12.5,,1048576,,,0,,81,,61.5,0\n"
        "2027-03-28T01:59:55.250+01:00,,33.3,,,2048.5,,,,,,\n"
        "2027-03-28T03:00:05.000+02:00,7,,,,,,,,,,\n"
        "2027-03-28T03:01:30.000+02:00,3,,,,,,,,notRunning,,\n"
        "2027-03-28T03:06:30.000+02:00,4,,,,,,,,asleep,,\n"
        "2027-03-28T03:11:30.000+02:00,5,,,,,,,,noReadings,,\n");

    // One metric, and a range that cuts the first row off: the second row
    // has no predecessor in the range, so no gap; the end is exclusive.
    EXPECT_EQ(exportText({ HistoryMetric::memPressure, t0 + 1, t0 + 400 }).toStdString(),
        "time,memPressure,gap\n"
        "2027-03-28T01:59:55.250+01:00,33.3,\n"
        "2027-03-28T03:00:05.000+02:00,,\n"
        "2027-03-28T03:01:30.000+02:00,,notRunning\n");
}

// Times are worked out per quarter hour; a zone whose clocks change at an
// odd minute must still get every row right, as the C library reads it.
TEST_F(HistoryExportTest, EveryRowHasTheOffsetInForceEvenWhenClocksChangeMidQuarter)
{
    ScopedTimeZone oddZone("XST-1XDT,M3.5.0/2:07:30,M10.5.0/3");
    std::vector<Timestamp> dates;
    for (Timestamp t = t0 - 1800.5; t < t0 + 1800; t += 17.25) {
        dates.push_back(t);
        sample(t, 1, std::nullopt);
    }
    store->flush(true);

    const QStringList lines = exportText({ HistoryMetric::cpu }).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), static_cast<qsizetype>(dates.size() + 1));
    for (std::size_t i = 0; i < dates.size(); ++i) {
        const auto whole = static_cast<std::time_t>(std::floor(dates[i]));
        std::tm local {};
        localtime_r(&whole, &local);
        char expected[64];
        const long minutes = local.tm_gmtoff / 60;
        std::snprintf(expected, sizeof expected, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02ld:%02ld",
            local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
            static_cast<int>(std::lround((dates[i] - std::floor(dates[i])) * 1000)), minutes < 0 ? '-' : '+',
            std::labs(minutes) / 60, std::labs(minutes) % 60);
        EXPECT_EQ(lines[static_cast<qsizetype>(i) + 1].section(QLatin1Char(','), 0, 0).toStdString(), expected);
    }
}

// The export finds gaps while it streams instead of with the history's own
// query; both must name the same holes for the same reasons.
TEST_F(HistoryExportTest, GapColumnAgreesWithTheHistoryGaps)
{
    double awake = 0;
    Timestamp t = t0;
    for (int i = 0; i < 400; ++i) {
        const int kind = (i * 7919) % 23; // a fixed scramble of step kinds
        double step = 5;
        double awakeStep = 5;
        if (kind == 0) {
            step = 120; // asleep by the awake clock
        } else if (kind == 1) {
            step = 60;
            awakeStep = 60; // no readings
        } else if (kind == 2) {
            step = 90;
            awakeStep = 90;
            store->mark(HistoryEvent::stop, t + 1, false);
        } else if (kind == 3) {
            step = 45;
            awakeStep = 45;
            store->mark(HistoryEvent::wake, t + step + 0.5, false);
        } else if (kind == 4) {
            step = 20; // exactly the threshold: not a gap
            awakeStep = 20;
        }
        t += step;
        awake += awakeStep;
        sample(t, i, awake);
    }
    const std::vector<HistoryGap> expected = store->gaps(t0, t + 1);
    ASSERT_GT(expected.size(), 30U);

    const QStringList lines = exportText({ std::nullopt, t0, t + 1 }).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const int gapColumn = static_cast<int>(lines[0].split(QLatin1Char(',')).indexOf(QStringLiteral("gap")));
    std::vector<std::pair<int, QString>> found; // row index, reason
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString reason = lines[i].section(QLatin1Char(','), gapColumn, gapColumn);
        if (!reason.isEmpty()) {
            found.emplace_back(static_cast<int>(i - 1), reason);
        }
    }
    ASSERT_EQ(found.size(), expected.size());
    for (std::size_t k = 0; k < expected.size(); ++k) {
        // Row i is the sample recorded in round i, at the gap's end.
        EXPECT_EQ(found[k].second, rawValue(expected[k].reason)) << "gap " << k;
        const std::vector<QStringList> cpu
            = test::queryRows(path, "SELECT cpu FROM sample WHERE ts = " + std::to_string(expected[k].end));
        ASSERT_EQ(cpu.size(), 1U);
        EXPECT_EQ(found[k].first, cpu[0][0].toDouble());
    }
}

TEST_F(HistoryExportTest, AFailedOrCancelledWriteKeepsTheOldFileAndLeavesNoPartialOne)
{
    for (int i = 0; i < 20000; ++i) {
        sample(t0 + i * 5, i % 100, 1000 + i * 5);
    }
    store->flush(true);
    const QString target = dir.filePath(QStringLiteral("out.csv"));
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("earlier export\n");
    }
    const QStringList before = filesInDir();
    const auto oldContents = [&target] {
        QFile file(target);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    };

    // A folder that does not exist: fails at once with the path in the text.
    const QString nowhere = dir.filePath(QStringLiteral("missing/out.csv"));
    HistoryExport::Result result = HistoryExport::toFile(path, {}, nowhere);
    EXPECT_EQ(result.status, HistoryExport::Result::Status::failed);
    EXPECT_TRUE(result.error.contains(nowhere)) << result.error.toStdString();

    // The disk fills up part-way (a file-size limit holds even for root).
    {
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit oldLimit {};
        getrlimit(RLIMIT_FSIZE, &oldLimit);
        rlimit small = oldLimit;
        small.rlim_cur = 200 * 1024;
        setrlimit(RLIMIT_FSIZE, &small);
        result = HistoryExport::toFile(path, {}, target);
        setrlimit(RLIMIT_FSIZE, &oldLimit);
        std::signal(SIGXFSZ, oldHandler);
    }
    EXPECT_EQ(result.status, HistoryExport::Result::Status::failed);
    EXPECT_TRUE(result.error.contains(target)) << result.error.toStdString();
    EXPECT_EQ(oldContents(), QByteArray("earlier export\n"));
    EXPECT_EQ(filesInDir(), before);

    // Cancelled from the progress report.
    int reports = 0;
    result = HistoryExport::toFile(path, {}, target, [&reports](double) { return ++reports < 2; });
    EXPECT_EQ(result.status, HistoryExport::Result::Status::cancelled);
    EXPECT_EQ(oldContents(), QByteArray("earlier export\n"));
    EXPECT_EQ(filesInDir(), before);

    // Pointed at the database itself: refused, the history intact.
    result = HistoryExport::toFile(path, {}, path);
    EXPECT_EQ(result.status, HistoryExport::Result::Status::failed);
    EXPECT_EQ(test::queryRows(path, "SELECT COUNT(*) FROM sample"), (std::vector<QStringList> { { "20000" } }));

    // And when it can be written, the whole file replaces the old one.
    double last = 0;
    result = HistoryExport::toFile(path, {}, target, [&last](double fraction) {
        EXPECT_GE(fraction, last);
        last = fraction;
        return true;
    });
    ASSERT_TRUE(result.ok()) << result.error.toStdString();
    EXPECT_EQ(result.rows, 20000);
    EXPECT_EQ(last, 1.0);
    EXPECT_EQ(oldContents().count('\n'), 20001);
    EXPECT_EQ(filesInDir(), before);
}

// The running program keeps writing while an export reads: its flush must
// neither wait for the export nor be lost, and the export sees the history
// as it was when it began.
TEST_F(HistoryExportTest, ARunningExportDoesNotHoldUpTheProgramsFlush)
{
    for (int i = 0; i < 10000; ++i) {
        sample(t0 + i * 5, 1, std::nullopt);
    }
    store->flush(true);

    bool flushed = false;
    const HistoryExport::Result result = HistoryExport::toFile(path, {}, dir.filePath(QStringLiteral("out.csv")),
        [&](double) {
            if (!flushed) {
                sample(t0 + 100000, 2, std::nullopt);
                store->flush(true);
                flushed = true;
            }
            return true;
        });
    ASSERT_TRUE(flushed);
    ASSERT_TRUE(result.ok()) << result.error.toStdString();
    EXPECT_EQ(result.rows, 10000);
    EXPECT_EQ(test::queryRows(path, "SELECT cpu FROM sample WHERE ts = " + std::to_string(t0 + 100000)),
        (std::vector<QStringList> { { "2.0" } }));
}

TEST_F(HistoryExportTest, AMissingHistoryIsAnErrorNotAnEmptyFile)
{
    const QString target = dir.filePath(QStringLiteral("out.csv"));
    const HistoryExport::Result result
        = HistoryExport::toFile(dir.filePath(QStringLiteral("nothing.sqlite")), {}, target);
    EXPECT_EQ(result.status, HistoryExport::Result::Status::failed);
    EXPECT_TRUE(result.error.contains(QStringLiteral("nothing.sqlite")));
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("nothing.sqlite"))));
}

// A pipe or a device is written to where it is: replacing it with a plain
// file (the temporary file and rename a regular file gets) breaks whoever
// reads the pipe, and as root would replace a device node.
TEST_F(HistoryExportTest, APipeOrADeviceIsWrittenInPlaceNeverReplaced)
{
    sample(t0, 12.5, 1000);
    store->flush(true);
    const QString fifo = dir.filePath(QStringLiteral("pipe"));
    test::FifoReader reader(fifo);
    ASSERT_TRUE(reader.isOpen());
    HistoryExport::Result result = HistoryExport::toFile(path, { HistoryMetric::cpu }, fifo);
    ASSERT_TRUE(result.ok()) << result.error.toStdString();
    EXPECT_EQ(reader.readAll(), "time,cpu,gap\n2027-03-28T01:59:50.000+01:00,12.5,\n");
    EXPECT_TRUE(reader.isStillAPipe());

    const test::NullDevice device(dir.filePath(QStringLiteral("null")));
    if (device.isMade()) {
        result = HistoryExport::toFile(path, {}, dir.filePath(QStringLiteral("null")));
        EXPECT_TRUE(result.ok()) << result.error.toStdString();
        EXPECT_TRUE(device.isStillTheDevice());
    }
    // What cannot take a CSV is refused, and left as it was.
    result = HistoryExport::toFile(path, {}, dir.path());
    EXPECT_EQ(result.error, dir.path() + QStringLiteral(" is a folder; choose a file name."));
    EXPECT_EQ(filesInDir(),
        (QStringList { "history.sqlite", "history.sqlite-shm", "history.sqlite-wal", "history.sqlite.lock" }));
}

// In a shared sticky folder such as /tmp another user can leave a link
// named like the export; following it would overwrite any file of ours.
TEST_F(HistoryExportTest, ALinkAnotherUserLeftInASharedFolderIsRefused)
{
    sample(t0, 12.5, 1000);
    store->flush(true);
    const test::PlantedLink planted(dir.path());
    if (!planted.isReady()) {
        GTEST_SKIP() << "a link owned by another user can only be made as root";
    }
    HistoryExport::Result result = HistoryExport::toFile(path, {}, planted.link());
    EXPECT_EQ(result.status, HistoryExport::Result::Status::failed);
    EXPECT_TRUE(result.error.contains(QStringLiteral("another user"))) << result.error.toStdString();
    EXPECT_TRUE(planted.victimUntouched());

    // This user's own link is followed as before.
    ASSERT_TRUE(planted.adopt());
    result = HistoryExport::toFile(path, { HistoryMetric::cpu }, planted.link());
    EXPECT_TRUE(result.ok()) << result.error.toStdString();
    EXPECT_FALSE(planted.victimUntouched());
}

TEST_F(HistoryExportTest, TheLockFileIsRefusedLikeTheDatabase)
{
    sample(t0, 12.5, 1000);
    store->flush(true);
    const HistoryExport::Result result = HistoryExport::toFile(path, {}, path + QStringLiteral(".lock"));
    EXPECT_EQ(result.status, HistoryExport::Result::Status::failed);
    EXPECT_TRUE(result.error.contains(QStringLiteral("history database itself")));
    EXPECT_EQ(QFileInfo(path + QStringLiteral(".lock")).size(), 0);
    // Still locked: a second writer is still turned away.
    EXPECT_TRUE(HistoryStore(path, clock).openError());
}

// A database from elsewhere may hold any value in any column: times that
// no clock reads and cells that are not numbers export as empty cells.
TEST_F(HistoryExportTest, ForeignTimesAndCellsThatAreNotNumbersExportEmpty)
{
    const QString foreign = dir.filePath(QStringLiteral("foreign.sqlite"));
    ASSERT_TRUE(test::execute(foreign,
        "CREATE TABLE sample(ts, cpu, mem_pressure, mem_level, mem_used, swap_used, disk_read, disk_write, net_in, "
        "net_out, battery, plugged, charging, awake);"
        "CREATE TABLE event(ts, kind);"
        "INSERT INTO sample (ts, cpu, battery) VALUES (-5000000000, 1, 'full'), (-1, 2, x'00ff'),"
        " (1806195590, 'abc', '81.5'), (1806195595, '12e', ' 3'), (253402300799, 4, 5), (253402300800, 6, 7),"
        " (1e300, 8, 9);"));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const HistoryExport::Result result = HistoryExport::toDevice(foreign, { std::nullopt }, buffer);
    ASSERT_TRUE(result.ok()) << result.error.toStdString();
    QStringList lines = QString::fromUtf8(buffer.data()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    lines.removeFirst();
    // Each line: time, cpu, memPressure, swap, diskRead, diskWrite, netIn, netOut, battery, gap.
    const auto cells = [](const QString &line) {
        const QStringList all = line.split(QLatin1Char(','));
        return QStringList { all[0], all[1], all[8] };
    };
    ASSERT_EQ(lines.size(), 7);
    EXPECT_EQ(cells(lines[0]), (QStringList { "", "1", "" })); // 1811
    // A second before 1970 in UTC is already 1970 here, at +01:00.
    EXPECT_EQ(cells(lines[1]), (QStringList { "1970-01-01T00:59:59.000+01:00", "2", "" }));
    EXPECT_EQ(cells(lines[2]), (QStringList { "2027-03-28T01:59:50.000+01:00", "", "81.5" }));
    EXPECT_EQ(cells(lines[3]), (QStringList { "2027-03-28T01:59:55.000+01:00", "", "" }));
    EXPECT_EQ(cells(lines[4]).mid(1), (QStringList { "4", "5" }));
    EXPECT_TRUE(cells(lines[4])[0].isEmpty()) << "9999-12-31T23:59:59 UTC is year 10000 here";
    EXPECT_EQ(cells(lines[5]), (QStringList { "", "6", "7" }));
    EXPECT_EQ(cells(lines[6]), (QStringList { "", "8", "9" }));
}

// An export that could not be delivered is not reported as written, even
// when it is small enough to sit in a buffer until the end.
TEST_F(HistoryExportTest, AFailureToDeliverTheLastBufferIsAFailure)
{
    sample(t0, 12.5, 1000);
    store->flush(true);
    QFile full(QStringLiteral("/dev/full"));
    if (!full.open(QIODevice::WriteOnly)) {
        GTEST_SKIP() << "no /dev/full here";
    }
    const HistoryExport::Result result = HistoryExport::toDevice(path, {}, full);
    EXPECT_EQ(result.status, HistoryExport::Result::Status::failed);
    EXPECT_TRUE(result.error.startsWith(QStringLiteral("The export could not be written: ")))
        << result.error.toStdString();
}

} // namespace
} // namespace voltmere
