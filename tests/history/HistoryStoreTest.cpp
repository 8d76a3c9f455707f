#include "history/HistoryExport.h"
#include "history/HistoryStore.h"

#include "DatabaseProbe.h"
#include "EventLoop.h"
#include "FailingDisk.h"
#include "FakeClock.h"
#include "LogCapture.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <limits>

namespace voltmere {
namespace {

using test::countRows;
using test::FailingDisk;
using test::FakeClock;
using test::queryRows;

constexpr double day = 86400;

class HistoryStoreTest : public ::testing::Test {
protected:
    QString path() const { return dir.filePath(QStringLiteral("Voltmere/history.sqlite")); }
    std::unique_ptr<HistoryStore> openStore() { return std::make_unique<HistoryStore>(path(), clock); }

    Snapshot snapshotAt(Timestamp date) const
    {
        Snapshot s;
        s.date = date;
        s.cpuTotal = 12.5;
        return s;
    }

    // Waits until everything submitted so far has run on the store's queue.
    static void drain(HistoryStore &store) { (void)store.retentionDays(); }

    QTemporaryDir dir;
    FakeClock clock;
};

TEST_F(HistoryStoreTest, KeepsReadingsInMemoryUntil120SecondsAfterTheLastFlush)
{
    auto store = openStore();
    const Timestamp t0 = clock.now();
    clock.advance(60);
    store->record(snapshotAt(t0 + 60));
    clock.advance(59.5);
    store->record(snapshotAt(t0 + 119.5));
    drain(*store);
    EXPECT_EQ(countRows(path(), "sample"), 0);

    clock.advance(0.5); // exactly 120 s: the rule is "at least"
    store->record(snapshotAt(t0 + 120));
    drain(*store);
    EXPECT_EQ(countRows(path(), "sample"), 3);

    // The next batch waits another 120 s from that flush.
    clock.advance(100);
    store->record(snapshotAt(t0 + 220));
    drain(*store);
    EXPECT_EQ(countRows(path(), "sample"), 3);
}

TEST_F(HistoryStoreTest, AnEmptyFlushStillRestartsTheBatchingClock)
{
    auto store = openStore();
    const Timestamp t0 = clock.now();
    clock.advance(100);
    store->flush(true);
    clock.advance(100); // 200 s after opening, only 100 s after the empty flush
    store->record(snapshotAt(t0 + 200));
    drain(*store);
    EXPECT_EQ(countRows(path(), "sample"), 0);
    EXPECT_EQ(countRows(path(), "event"), 0);
}

TEST_F(HistoryStoreTest, WritesEveryColumnAndNullForWhatIsAbsentOrNotFinite)
{
    auto store = openStore();
    Snapshot full;
    full.date = 1'800'000'000.25;
    full.awake = 5000.5;
    full.cpuTotal = 42.5;
    full.memPressure = 61;
    full.memLevel = MemoryPressureLevel::warning;
    full.memUsed = 8e9;
    full.swapUsed = 1e6;
    full.diskRead = 1000;
    full.diskWrite = 2000;
    full.netIn = std::numeric_limits<double>::quiet_NaN();
    full.netOut = std::numeric_limits<double>::infinity();
    full.battery = BatteryReading {};
    full.battery->level = 77;
    full.battery->state = ChargingState::charging;
    full.battery->isPluggedIn = true;
    full.sensors = SensorReading {}; // sensors, but the processor's unread and no fan
    store->record(full);

    Snapshot noBattery;
    noBattery.date = full.date + 5;
    store->record(noBattery);

    Snapshot pluggedIdle;
    pluggedIdle.date = full.date + 10;
    pluggedIdle.battery = BatteryReading {};
    pluggedIdle.battery->state = ChargingState::pluggedNotCharging;
    pluggedIdle.battery->isPluggedIn = true;
    store->record(pluggedIdle);

    Snapshot unknownState;
    unknownState.date = full.date + 15;
    unknownState.battery = BatteryReading {};
    store->record(unknownState);
    store->flush(true);

    const auto rows = queryRows(path(),
        "SELECT ts, cpu, mem_pressure, mem_level, typeof(mem_level), mem_used, swap_used, "
        "disk_read, disk_write, net_in, net_out, battery, plugged, charging, awake "
        "FROM sample ORDER BY ts");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0],
        (QStringList { "1800000000.25", "42.5", "61.0", "2", "integer", "8000000000.0", "1000000.0", "1000.0", "2000.0",
            "NULL", "NULL", "77.0", "1", "1", "5000.5" }));
    // No battery reading: level, plugged and charging are all unknown.
    EXPECT_EQ(rows[1].mid(11), (QStringList { "NULL", "NULL", "NULL", "NULL" }));
    EXPECT_EQ(rows[1][1], "NULL");
    // Plugged in but not charging is "not charging", not unknown.
    EXPECT_EQ(rows[2].mid(11, 3), (QStringList { "NULL", "1", "0" }));
    // A reading without a state leaves charging unknown.
    EXPECT_EQ(rows[3].mid(11, 3), (QStringList { "NULL", "0", "NULL" }));
    EXPECT_EQ(queryRows(path(), "SELECT DISTINCT cpu_temp, fan_rpm FROM sample"),
        (std::vector<QStringList> { { "NULL", "NULL" } }));
}

TEST_F(HistoryStoreTest, StoresAtMostFiveBusyProcessesWithTheirListPositions)
{
    auto store = openStore();
    Snapshot s = snapshotAt(clock.now());
    for (double cpu : { 12.0, 3.0, 0.4, 0.3, 0.2, 0.1, 99.0 }) {
        s.topProcesses.push_back({ static_cast<std::int32_t>(100 + s.topProcesses.size()), QStringLiteral("p"), cpu });
    }
    s.topProcesses[4].cpu = 0.5; // the threshold itself is kept
    s.topProcesses[1].name = QStringLiteral("Zoë's tool"); // text is copied, not borrowed
    store->record(s);
    store->flush(true);

    const auto rows = queryRows(path(), "SELECT rank, pid, name, cpu FROM proc ORDER BY rank");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (QStringList { "0", "100", "p", "12.0" }));
    EXPECT_EQ(rows[1], (QStringList { "1", "101", QStringLiteral("Zoë's tool"), "3.0" }));
    EXPECT_EQ(rows[2], (QStringList { "4", "104", "p", "0.5" })); // the 99 % seventh entry is never considered
}

TEST_F(HistoryStoreTest, ASecondSnapshotWithTheSameTimeReplacesTheSampleButKeepsBothProcessLists)
{
    auto store = openStore();
    Snapshot first = snapshotAt(clock.now());
    first.cpuTotal = 10;
    first.topProcesses = { { 1, QStringLiteral("a"), 5 } };
    Snapshot second = first;
    second.cpuTotal = 20;
    second.topProcesses = { { 2, QStringLiteral("b"), 6 } };
    store->record(first);
    store->record(second);
    store->flush(true);

    EXPECT_EQ(queryRows(path(), "SELECT cpu FROM sample"), (std::vector<QStringList> { { "20.0" } }));
    EXPECT_EQ(countRows(path(), "proc"), 2);
}

TEST_F(HistoryStoreTest, WritesEventsInOrderAndASleepMarkFlushesAtOnce)
{
    auto store = openStore();
    const Timestamp t0 = clock.now();
    store->mark(HistoryEvent::start, t0, false);
    store->record(snapshotAt(t0 + 1));
    drain(*store);
    EXPECT_EQ(countRows(path(), "event"), 0);

    store->mark(HistoryEvent::sleep, t0 + 2, true);
    drain(*store);
    EXPECT_EQ(countRows(path(), "sample"), 1);
    store->mark(HistoryEvent::wake, t0 + 3, false);
    store->mark(HistoryEvent::stop, t0 + 4, false);
    store->flush(true);
    EXPECT_EQ(queryRows(path(), "SELECT kind FROM event ORDER BY rowid"),
        (std::vector<QStringList> { { "start" }, { "sleep" }, { "wake" }, { "stop" } }));
}

TEST_F(HistoryStoreTest, PrunesPastTheRetentionAtMostHourlyAndAtOnceWhenTheRetentionChanges)
{
    auto store = openStore();
    store->setRetentionDays(1);
    const Timestamp t0 = clock.now();
    // Two days of readings ten minutes apart, up to now.
    for (Timestamp t = t0 - 2 * day; t <= t0; t += 600) {
        store->record(snapshotAt(t));
    }
    store->mark(HistoryEvent::start, t0 - day - 1, false);
    // The first flush that writes anything prunes; a reading exactly a day
    // old stays.
    store->flush(true);
    EXPECT_EQ(queryRows(path(), "SELECT COUNT(*), MIN(ts) FROM sample"),
        (std::vector<QStringList> { { "145", "1799913600.0" } }));
    EXPECT_EQ(countRows(path(), "event"), 0);

    // Within the hour, old rows written by a flush stay.
    clock.advance(1800);
    Snapshot old = snapshotAt(t0 - day - 300);
    old.topProcesses = { { 7, QStringLiteral("old"), 50 } };
    store->record(old);
    store->flush(true);
    EXPECT_EQ(countRows(path(), "sample"), 146);
    EXPECT_EQ(countRows(path(), "proc"), 1);

    // More than an hour after the last prune, a flush prunes all three tables.
    clock.advance(1801);
    store->record(snapshotAt(clock.now()));
    store->mark(HistoryEvent::wake, clock.now(), true);
    drain(*store);
    EXPECT_EQ(queryRows(path(), "SELECT COUNT(*) FROM sample WHERE ts < " + std::to_string(clock.now() - day)),
        (std::vector<QStringList> { { "0" } }));
    EXPECT_EQ(countRows(path(), "sample"), 139);
    EXPECT_EQ(countRows(path(), "proc"), 0);
    EXPECT_EQ(countRows(path(), "event"), 1);

    // A new retention prunes without waiting for a flush.
    store->setRetention(30);
    drain(*store);
    EXPECT_EQ(countRows(path(), "sample"), 139);
    clock.advance(6 * 3600);
    store->setRetention(1);
    drain(*store);
    EXPECT_EQ(countRows(path(), "sample"), 103);
}

TEST_F(HistoryStoreTest, AddsTheAwakeColumnToAnOldDatabaseAndKeepsItsRows)
{
    QDir().mkpath(QFileInfo(path()).path());
    ASSERT_TRUE(test::execute(path(),
        "CREATE TABLE sample(ts REAL PRIMARY KEY, cpu REAL, mem_pressure REAL, "
        "mem_level INTEGER, mem_used REAL, swap_used REAL, disk_read REAL, "
        "disk_write REAL, net_in REAL, net_out REAL, battery REAL, plugged INTEGER, "
        "charging INTEGER); INSERT INTO sample (ts, cpu) VALUES (1799999000, 33);"));
    {
        auto store = openStore();
        EXPECT_FALSE(store->openError());
        Snapshot s = snapshotAt(1'799'999'010);
        s.awake = 42;
        store->record(s);
        store->flush(true);
    }
    EXPECT_EQ(queryRows(path(), "SELECT ts, cpu, awake FROM sample ORDER BY ts"),
        (std::vector<QStringList> { { "1799999000.0", "33.0", "NULL" }, { "1799999010.0", "12.5", "42.0" } }));

    // Opening again finds the column and changes nothing.
    auto again = openStore();
    EXPECT_FALSE(again->openError());
    EXPECT_EQ(queryRows(path(), "SELECT COUNT(*) FROM pragma_table_info('sample') WHERE name = 'awake'"),
        (std::vector<QStringList> { { "1" } }));
    EXPECT_EQ(countRows(path(), "sample"), 2);
}

// The file as the version before the sensors left it: the awake column
// added, no sensor columns, one sample written with that version's insert.
constexpr const char *previousSchema = "CREATE TABLE sample(ts REAL PRIMARY KEY, cpu REAL, mem_pressure REAL, "
                                       "mem_level INTEGER, mem_used REAL, swap_used REAL, disk_read REAL, "
                                       "disk_write REAL, net_in REAL, net_out REAL, battery REAL, plugged INTEGER, "
                                       "charging INTEGER); ALTER TABLE sample ADD COLUMN awake REAL; "
                                       "CREATE TABLE proc(ts REAL, rank INTEGER, pid INTEGER, name TEXT, cpu REAL); "
                                       "CREATE TABLE event(ts REAL, kind TEXT);";
std::string previousInsert(Timestamp ts)
{
    return "INSERT OR REPLACE INTO sample (ts, cpu, mem_pressure, mem_level, mem_used, swap_used, disk_read, "
           "disk_write, net_in, net_out, battery, plugged, charging, awake) VALUES ("
        + std::to_string(ts) + ", 33, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, 7);";
}

QString exported(const QString &path)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const HistoryExport::Result result = HistoryExport::toDevice(path, { std::nullopt, 0, 2e9 }, buffer);
    return result.ok() ? QString::fromUtf8(buffer.data()).section(QLatin1Char('\n'), 1) : result.error;
}

TEST_F(HistoryStoreTest, ADatabaseFromBeforeTheSensorsOpensRecordsLoadsAndExports)
{
    QDir().mkpath(QFileInfo(path()).path());
    ASSERT_TRUE(test::execute(path(), std::string(previousSchema) + previousInsert(1'799'999'000)));
    // Exporting changes nothing in the file, so its missing columns read as empty.
    const QString oldRow = QStringLiteral(",33") + QString(10, QLatin1Char(',')) + QLatin1Char('\n');
    EXPECT_TRUE(exported(path()).endsWith(oldRow)) << exported(path()).toStdString();
    {
        auto store = openStore();
        EXPECT_FALSE(store->openError());
        Snapshot s = snapshotAt(1'799'999'010);
        s.sensors = SensorReading {};
        s.sensors->cpuCelsius = 70.5;
        s.sensors->fans = { { QStringLiteral("Fan 1"), 0 }, { QStringLiteral("Fan 2"), 1200 } };
        store->record(s);
        const HistorySeries temperature
            = store->load(HistoryMetric::cpuTemperature, 1'799'998'000, 1'800'000'000, 240);
        ASSERT_EQ(temperature.sampleCount, 1);
        EXPECT_EQ(temperature.buckets.front().max, 70.5);
        EXPECT_EQ(store->load(HistoryMetric::fanSpeed, 1'799'998'000, 1'800'000'000, 240).buckets.front().max, 1200);
        EXPECT_EQ(store->load(HistoryMetric::cpu, 1'799'998'000, 1'800'000'000, 240).sampleCount, 2);
    }
    const QStringList rows = exported(path()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_TRUE((rows[0] + QLatin1Char('\n')).endsWith(oldRow)) << rows[0].toStdString();
    EXPECT_TRUE(rows[1].endsWith(QStringLiteral(",12.5") + QString(8, QLatin1Char(',')) + QStringLiteral(",70.5,1200")))
        << rows[1].toStdString();

    // The previous version names its columns, so it goes on writing and
    // reading the file; the new columns were added at the end.
    ASSERT_TRUE(test::execute(path(), previousInsert(1'799'999'020)));
    EXPECT_EQ(queryRows(path(), "SELECT ts, cpu, awake, cpu_temp, fan_rpm FROM sample ORDER BY ts"),
        (std::vector<QStringList> { { "1799999000.0", "33.0", "7.0", "NULL", "NULL" },
            { "1799999010.0", "12.5", "NULL", "70.5", "1200.0" },
            { "1799999020.0", "33.0", "7.0", "NULL", "NULL" } }));
    EXPECT_EQ(queryRows(path(), "SELECT group_concat(name) FROM pragma_table_info('sample') WHERE cid >= 13"),
        (std::vector<QStringList> { { "awake,cpu_temp,fan_rpm" } }));
}

TEST_F(HistoryStoreTest, DeleteAllEmptiesTablesBuffersAndTheWriteAheadLog)
{
    auto store = openStore();
    for (int i = 0; i < 500; ++i) {
        Snapshot s = snapshotAt(clock.now() - 5.0 * i);
        s.topProcesses = { { 1, QStringLiteral("busy"), 40 } };
        store->record(s);
    }
    store->mark(HistoryEvent::start, clock.now(), false);
    store->flush(true);
    store->record(snapshotAt(clock.now() + 1)); // buffered, must not survive either
    const QString wal = path() + QStringLiteral("-wal");
    ASSERT_GT(QFileInfo(wal).size(), 0);

    store->deleteAll();
    store->flush(true);
    EXPECT_EQ(countRows(path(), "sample"), 0);
    EXPECT_EQ(countRows(path(), "proc"), 0);
    EXPECT_EQ(countRows(path(), "event"), 0);
    EXPECT_EQ(QFileInfo(wal).size(), 0);
    EXPECT_EQ(store->fileSize(), QFileInfo(path()).size());

    // Recording carries on after a delete.
    store->record(snapshotAt(clock.now() + 2));
    store->flush(true);
    EXPECT_EQ(countRows(path(), "sample"), 1);
}

TEST_F(HistoryStoreTest, FileSizeCountsTheDatabaseAndItsLogOnly)
{
    auto store = openStore();
    store->record(snapshotAt(clock.now()));
    store->flush(true);
    const QFileInfo main(path());
    const QFileInfo wal(path() + QStringLiteral("-wal"));
    EXPECT_EQ(store->fileSize(), main.size() + wal.size());
    EXPECT_GT(wal.size(), 0);
    EXPECT_GT(QFileInfo(path() + QStringLiteral("-shm")).size(), 0); // exists, yet not counted
}

TEST_F(HistoryStoreTest, AFolderThatCannotBeCreatedLeavesTheStoreRunningWithoutADatabase)
{
    QFile blocker(dir.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    HistoryStore store(dir.filePath(QStringLiteral("file/Voltmere/history.sqlite")), clock);
    ASSERT_TRUE(store.openError());
    EXPECT_EQ(*store.openError(), QStringLiteral("Not a directory"));

    for (int i = 0; i < 3; ++i) {
        clock.advance(200);
        store.record(snapshotAt(clock.now()));
    }
    store.mark(HistoryEvent::sleep, clock.now(), true);
    store.setRetention(1);
    store.deleteAll();
    EXPECT_EQ(store.load(HistoryMetric::cpu, clock.now() - 3600, clock.now(), 240), HistorySeries {});
    EXPECT_FALSE(store.processes(clock.now()));
    EXPECT_TRUE(store.gaps(0, clock.now()).empty());
    EXPECT_EQ(store.fileSize(), 0);
}

// Garbage, or a database cut short: either is kept beside the new one under
// a name that says what it is, and recording starts again at once.
TEST_F(HistoryStoreTest, ADamagedFileIsKeptAsideAndANewHistoryStarts)
{
    QDir().mkpath(QFileInfo(path()).path());
    {
        auto store = openStore();
        for (int i = 0; i < 3000; ++i) {
            store->record(snapshotAt(clock.now() - 3000 * 5 + 5.0 * i));
        }
        store->flush(true);
    }
    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray whole = file.readAll();
    file.close();
    ASSERT_GT(whole.size(), 3 * 4096);

    struct Damage {
        const char *name;
        QByteArray contents;
        QString reason;
    };
    for (const Damage &damage : { Damage { "garbage", QByteArray(8192, 'x'), "file is not a database" },
             Damage { "truncated", whole.left(whole.size() / 3), "database disk image is malformed" } }) {
        SCOPED_TRACE(damage.name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(damage.contents);
        file.close();

        test::LogCapture log;
        auto store = openStore();
        EXPECT_FALSE(store->openError());
        ASSERT_TRUE(store->setAside());
        const QString keptAs = store->setAside()->keptAs;
        EXPECT_EQ(store->setAside()->reason, damage.reason);
        EXPECT_EQ(QFileInfo(keptAs).path(), QFileInfo(path()).path());
        EXPECT_TRUE(QFileInfo(keptAs).fileName().startsWith(
            QStringLiteral("history-damaged-") + QDateTime::fromSecsSinceEpoch(1'800'000'000).toString("yyyy-MM-dd")))
            << keptAs.toStdString();
        QFile kept(keptAs);
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), damage.contents);

        store->record(snapshotAt(clock.now()));
        store->flush(true);
        EXPECT_EQ(countRows(path(), "sample"), 1);
        EXPECT_EQ(store->load(HistoryMetric::cpu, clock.now() - 60, clock.now(), 240).sampleCount, 1);
        EXPECT_EQ(log.lines(keptAs).size(), 1);
        QFile::remove(keptAs);
    }

    // Found only while writing (every page but the schema's spoiled): the
    // batch goes into the new history.
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(whole.left(4096) + QByteArray(whole.size() - 4096, '\xff'));
    file.close();
    auto store = openStore();
    ASSERT_FALSE(store->openError());
    store->record(snapshotAt(clock.now()));
    store->flush(true);
    EXPECT_TRUE(store->setAside());
    EXPECT_FALSE(store->writeError());
    EXPECT_EQ(countRows(path(), "sample"), 1);
}

TEST_F(HistoryStoreTest, AnotherConnectionHoldingTheWriteLockBrieflyDoesNotFailTheBatch)
{
    auto store = openStore();
    const test::HeldWriteLock other(path(), std::chrono::milliseconds(300));
    ASSERT_TRUE(other.isHeld());
    store->record(snapshotAt(clock.now()));
    store->flush(true); // waits for the lock instead of failing at once
    EXPECT_FALSE(store->writeError());
    EXPECT_EQ(queryRows(path(), "SELECT ts FROM sample"), (std::vector<QStringList> { { "1800000000.0" } }));
}

// Makes a file or folder unwritable for this process: by permission bits,
// and, since root ignores those, by the immutable attribute where the file
// system has one. Undone on destruction so the temporary folder can go.
class ReadOnly {
public:
    explicit ReadOnly(const QString &path, mode_t mode)
        : m_path(path.toStdString())
    {
        chmod(m_path.c_str(), mode);
        setImmutable(true);
    }
    ~ReadOnly()
    {
        setImmutable(false);
        chmod(m_path.c_str(), 0700);
    }

private:
    void setImmutable(bool on) const
    {
        if (geteuid() != 0) {
            return;
        }
        const int fd = open(m_path.c_str(), O_RDONLY | O_NONBLOCK);
        if (fd < 0) {
            return;
        }
        int flags = 0;
        if (ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            ioctl(fd, FS_IOC_SETFLAGS, &flags);
        }
        close(fd);
    }

    std::string m_path;
};

TEST_F(HistoryStoreTest, AReadOnlyDatabaseIsNeverChangedAndNothingBreaks)
{
    {
        auto store = openStore();
        store->record(snapshotAt(clock.now() - 60));
        store->flush(true);
    } // closed cleanly: no -wal or -shm left beside it
    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    for (const bool folderToo : { true, false }) {
        SCOPED_TRACE(folderToo ? "read-only file and folder" : "read-only file");
        const ReadOnly lockedFile(path(), 0444);
        std::optional<ReadOnly> lockedFolder;
        if (folderToo) {
            lockedFolder.emplace(QFileInfo(path()).path(), 0555);
        }
        if (QFile(path()).open(QIODevice::Append)) {
            GTEST_SKIP() << "cannot make a file read-only here";
        }

        auto store = openStore();
        for (int i = 0; i < 3; ++i) {
            clock.advance(200);
            store->record(snapshotAt(clock.now()));
        }
        store->mark(HistoryEvent::sleep, clock.now(), true);
        store->setRetention(1);
        const HistorySeries series = store->load(HistoryMetric::cpu, clock.now() - 7200, clock.now(), 240);
        store->deleteAll();
        if (folderToo) {
            // Without its shared-memory file a WAL database cannot even be read.
            EXPECT_EQ(store->openError(), QStringLiteral("unable to open database file"));
            EXPECT_EQ(series, HistorySeries {});
        } else {
            // The past stays readable; nothing new can be stored, and that is said.
            EXPECT_EQ(store->openError(), QStringLiteral("the database file is read-only"));
            EXPECT_EQ(series.sampleCount, 1);
        }
        store.reset();
        clock.advance(-600);

        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), before);
        file.close();
    }
}

// A read-only file from before the sensors cannot be given their columns;
// it is still read, not refused as a file that is not ours.
TEST_F(HistoryStoreTest, AReadOnlyDatabaseFromBeforeTheSensorsStaysReadable)
{
    QDir().mkpath(QFileInfo(path()).path());
    ASSERT_TRUE(test::execute(path(), std::string(previousSchema) + previousInsert(clock.now() - 60)));
    const ReadOnly lockedFile(path(), 0444);
    if (QFile(path()).open(QIODevice::Append)) {
        GTEST_SKIP() << "cannot make a file read-only here";
    }
    auto store = openStore();
    EXPECT_EQ(store->openError(), QStringLiteral("the database file is read-only"));
    EXPECT_EQ(store->load(HistoryMetric::cpu, clock.now() - 3600, clock.now(), 240).sampleCount, 1);
    const HistorySeries temperature = store->load(HistoryMetric::cpuTemperature, clock.now() - 3600, clock.now(), 240);
    EXPECT_EQ(temperature.sampleCount, 0);
    EXPECT_TRUE(temperature.buckets.empty());
}

TEST_F(HistoryStoreTest, ABatchThatCannotBeCommittedIsKeptAndWrittenOnceWhenSpaceComesBack)
{
    FailingDisk disk;
    auto store = openStore();
    std::vector<QThread *> announcedOn;
    QObject receiver;
    QObject::connect(store.get(), &HistoryStore::writeErrorChanged, &receiver,
        [&announcedOn] { announcedOn.push_back(QThread::currentThread()); });

    store->mark(HistoryEvent::start, clock.now(), false);
    for (int i = 0; i < 49; ++i) {
        Snapshot s = snapshotAt(clock.now() + i);
        s.topProcesses = { { 7, QStringLiteral("busy"), 30 } };
        store->record(s);
    }
    disk.setFull(true);
    store->flush(true);
    EXPECT_EQ(store->writeError(), QStringLiteral("database or disk is full"));
    clock.advance(240);
    store->flush(true); // still full: kept again, nothing half-written
    disk.setFull(false);
    EXPECT_EQ(countRows(path(), "sample"), 0);
    EXPECT_EQ(countRows(path(), "proc"), 0);

    store->record(snapshotAt(clock.now()));
    store->flush(true);
    EXPECT_FALSE(store->writeError());
    EXPECT_EQ(countRows(path(), "sample"), 50);
    EXPECT_EQ(countRows(path(), "proc"), 49);
    EXPECT_EQ(queryRows(path(), "SELECT kind FROM event"), (std::vector<QStringList> { { "start" } }));
    // Set, then cleared: both changes reach a receiver on the main thread.
    ASSERT_TRUE(test::waitFor([&] { return announcedOn.size() == 2; }));
    EXPECT_EQ(announcedOn, (std::vector<QThread *> { QThread::currentThread(), QThread::currentThread() }));
}

TEST_F(HistoryStoreTest, ReadingsWaitingForTheDiskAreBoundedToTheNewest)
{
    FailingDisk disk;
    auto store = openStore();
    disk.setFull(true);
    const std::size_t extra = 25;
    for (std::size_t i = 0; i < HistoryStore::pendingLimit + extra; ++i) {
        store->record(snapshotAt(clock.now() + static_cast<double>(i)));
        if (i % 300 == 0) {
            store->flush(false);
        }
    }
    store->flush(true);
    disk.setFull(false);
    store->flush(true);
    EXPECT_EQ(queryRows(path(), "SELECT COUNT(*), MIN(ts), MAX(ts) FROM sample"),
        (std::vector<QStringList> { { QString::number(HistoryStore::pendingLimit),
            QString::number(clock.now() + static_cast<double>(extra), 'f', 1),
            QString::number(clock.now() + static_cast<double>(HistoryStore::pendingLimit + extra - 1), 'f', 1) } }));
}

TEST_F(HistoryStoreTest, ADiskFullAtLaunchIsReportedAndRecordingStartsOnceItIsFreed)
{
    QDir().mkpath(QFileInfo(path()).path());
    QFile empty(path());
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly)); // what a full disk leaves: a 0-byte file
    empty.close();
    FailingDisk disk;
    disk.setFull(true);
    auto store = openStore();
    EXPECT_EQ(store->openError(), QStringLiteral("database or disk is full"));
    store->mark(HistoryEvent::start, clock.now(), false);
    clock.advance(130);
    store->record(snapshotAt(clock.now())); // a periodic flush: still full
    drain(*store);
    EXPECT_TRUE(store->openError());

    disk.setFull(false);
    clock.advance(130);
    store->record(snapshotAt(clock.now()));
    drain(*store);
    EXPECT_FALSE(store->openError());
    EXPECT_EQ(countRows(path(), "sample"), 2);
    EXPECT_EQ(countRows(path(), "event"), 1);
}

TEST_F(HistoryStoreTest, SettingTheWallClockBackDoesNotHoldBackTheBatch)
{
    auto store = openStore();
    store->mark(HistoryEvent::start, clock.now(), true);
    drain(*store);
    clock.setNow(clock.now() - 3600);
    for (int i = 1; i <= 24; ++i) {
        clock.advance(5);
        store->record(snapshotAt(clock.now()));
        drain(*store);
    }
    drain(*store);
    EXPECT_EQ(countRows(path(), "sample"), 24);
}

TEST_F(HistoryStoreTest, ASecondStoreOnTheSameHistoryWritesNothingUntilTheFirstIsGone)
{
    auto first = openStore();
    auto second = openStore();
    ASSERT_TRUE(second->openError());
    EXPECT_EQ(*second->openError(), QStringLiteral("another Voltmere process is recording into this history"));
    second->mark(HistoryEvent::start, clock.now(), true);
    first->mark(HistoryEvent::start, clock.now(), true);
    drain(*first);
    drain(*second);
    EXPECT_EQ(countRows(path(), "event"), 1);

    first.reset();
    second->flush(true);
    EXPECT_FALSE(second->openError());
    EXPECT_EQ(countRows(path(), "event"), 2);
}

// A clock set weeks ahead (a reset RTC before the network corrects it) must
// not make the whole record look old: nothing is pruned across the jump,
// however long the wrong clock lasts and however often the program starts,
// and what it dated goes once it is put right.
TEST_F(HistoryStoreTest, AClockWeeksAheadNeverPrunesTheRecordAndWhatItDatedGoesOnceRight)
{
    const Timestamp real = clock.now();
    QDir().mkpath(QFileInfo(path()).path());
    { // three days of readings, a minute apart, up to now
        auto store = openStore();
        for (Timestamp t = real - 3 * day; t < real; t += 60) {
            store->record(snapshotAt(t));
        }
        store->finish();
    }
    ASSERT_EQ(countRows(path(), "sample"), 4320);

    test::LogCapture log;
    clock.setNow(real + 30 * day);
    auto store = openStore();
    store->mark(HistoryEvent::start, clock.now(), false);
    store->record(snapshotAt(clock.now()));
    store->flush(true); // the first flush prunes
    EXPECT_EQ(countRows(path(), "sample"), 4321);
    EXPECT_EQ(log.lines(QStringLiteral("the clock reads 30 days past the newest stored reading")).size(), 1);

    // Hours later, and after a restart, the clock still wrong.
    for (int hour = 0; hour < 3; ++hour) {
        clock.advance(3601);
        store->record(snapshotAt(clock.now()));
        store->flush(true);
    }
    EXPECT_EQ(log.lines(QStringLiteral("the clock reads")).size(), 1) << "said once, not at every flush";
    store.reset();
    store = openStore();
    clock.advance(5);
    store->record(snapshotAt(clock.now()));
    store->flush(true);
    EXPECT_EQ(countRows(path(), "sample"), 4325);

    // The network puts it right: the readings it dated weeks ahead go, the
    // record stays, and recording goes on.
    clock.setNow(real + 4 * 3600);
    store->record(snapshotAt(clock.now()));
    store->flush(true);
    EXPECT_EQ(queryRows(path(), "SELECT COUNT(*), MAX(ts) FROM sample"),
        (std::vector<QStringList> { { "4321", QString::number(clock.now(), 'f', 1) } }));
    EXPECT_EQ(queryRows(path(), "SELECT COUNT(*) FROM event WHERE ts > " + std::to_string(clock.now())),
        (std::vector<QStringList> { { "0" } }));
    EXPECT_EQ(log.lines(QStringLiteral("readings it had dated while it was ahead were removed")).size(), 1);
}

// Rows that cannot be read give no cut at all: a cut from the clock alone is
// what a clock weeks ahead must never get.
TEST_F(HistoryStoreTest, AHistoryThatCannotBeReadGivesNoCutoffRatherThanTheClocks)
{
    const Timestamp real = clock.now();
    QDir().mkpath(QFileInfo(path()).path());
    {
        auto store = openStore();
        for (Timestamp t = real - 3 * day; t < real; t += 600) {
            store->record(snapshotAt(t));
        }
        store->finish();
    }
    FailingDisk disk;
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(path().toUtf8().constData(), &db), SQLITE_OK);
    ASSERT_TRUE(HistoryRetention::cutoff(db, real + 30 * day, 7).has_value()) << "readable, it is cut";
    sqlite3_close(db);
    ASSERT_EQ(sqlite3_open(path().toUtf8().constData(), &db), SQLITE_OK);
    disk.setUnreadable(true);
    EXPECT_FALSE(HistoryRetention::cutoff(db, real + 30 * day, 7).has_value());
    EXPECT_FALSE(HistoryRetention::loss(db, real + 30 * day, 7).has_value());
    disk.setUnreadable(false);
    sqlite3_close(db);
}

// The other reading of the same jump: the program was simply not run for
// longer than the retention. The old readings go once the new ones span it.
TEST_F(HistoryStoreTest, AfterABreakLongerThanTheRetentionTheOldReadingsGoOnceTheNewOnesSpanIt)
{
    const Timestamp start = clock.now();
    {
        auto store = openStore();
        store->setRetentionDays(1);
        for (Timestamp t = start - day; t < start; t += 600) {
            store->record(snapshotAt(t));
        }
        store->finish();
    }
    clock.advance(3 * day);
    auto store = openStore();
    store->setRetentionDays(1);
    for (int i = 0; i <= 24; ++i) {
        store->record(snapshotAt(clock.now()));
        store->flush(true);
        const auto old = queryRows(path(), "SELECT COUNT(*) FROM sample WHERE ts < " + std::to_string(start));
        EXPECT_EQ(old, (std::vector<QStringList> { { i < 24 ? "144" : "0" } })) << "after " << i << " hours";
        clock.advance(3600.5);
    }
}

TEST_F(HistoryStoreTest, FinishingLeavesTheDatabaseFileCompleteOnItsOwn)
{
    auto store = openStore();
    store->mark(HistoryEvent::start, clock.now(), false);
    store->record(snapshotAt(clock.now()));
    store->mark(HistoryEvent::stop, clock.now(), false);
    store->finish();
    EXPECT_EQ(QFileInfo(path() + QStringLiteral("-wal")).size(), 0);

    // What a backup or a file manager copies: the one file.
    const QString copy = dir.filePath(QStringLiteral("copy.sqlite"));
    ASSERT_TRUE(QFile::copy(path(), copy));
    EXPECT_EQ(queryRows(copy, "SELECT COUNT(*) FROM sample"), (std::vector<QStringList> { { "1" } }));
    EXPECT_EQ(queryRows(copy, "SELECT kind FROM event ORDER BY rowid"),
        (std::vector<QStringList> { { "start" }, { "stop" } }));

    // A reader holding a snapshot keeps the newest readings in the log past
    // the stop: said, never a silent incomplete file.
    test::LogCapture log;
    sqlite3 *reader = nullptr;
    ASSERT_EQ(sqlite3_open(path().toUtf8().constData(), &reader), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(reader, "BEGIN; SELECT COUNT(*) FROM sample;", nullptr, nullptr, nullptr), SQLITE_OK);
    store->record(snapshotAt(clock.now() + 1));
    store->finish();
    sqlite3_exec(reader, "COMMIT;", nullptr, nullptr, nullptr);
    sqlite3_close(reader);
    EXPECT_GT(QFileInfo(path() + QStringLiteral("-wal")).size(), 0);
    EXPECT_EQ(log.lines(QStringLiteral("the newest readings are still in history.sqlite-wal, not yet in history.sqlite "
                                       "itself (another program is reading the history)"))
                  .size(),
        1);
}

// The data folder deleted under the running program: the next flush makes
// it again, writes what was waiting into it, says so once, and the queries
// read the new file.
TEST_F(HistoryStoreTest, AFolderRemovedWhileRecordingIsMadeAgainAtTheNextFlush)
{
    auto store = openStore();
    store->record(snapshotAt(clock.now() - 10));
    store->flush(true);
    ASSERT_EQ(store->load(HistoryMetric::cpu, clock.now() - 60, clock.now(), 240).sampleCount, 1);

    test::LogCapture log;
    ASSERT_TRUE(QDir(QFileInfo(path()).path()).removeRecursively());
    store->mark(HistoryEvent::stop, clock.now(), false);
    store->record(snapshotAt(clock.now()));
    store->flush(true);
    store->flush(true);
    EXPECT_EQ(queryRows(path(), "SELECT COUNT(*) FROM sample"), (std::vector<QStringList> { { "1" } }));
    EXPECT_EQ(queryRows(path(), "SELECT kind FROM event"), (std::vector<QStringList> { { "stop" } }));
    EXPECT_TRUE(QFileInfo::exists(path() + QStringLiteral(".lock")));
    EXPECT_EQ(store->load(HistoryMetric::cpu, clock.now() - 60, clock.now(), 240).sampleCount, 1);
    EXPECT_EQ(log.lines(QStringLiteral("was removed while Voltmere was recording")).size(), 1);
    EXPECT_FALSE(store->openError());
}

// Every process name and when the machine was used: for the user alone,
// whatever the umask. A folder an earlier version left open is closed.
TEST_F(HistoryStoreTest, TheFolderAndTheFilesAreTheUsersAlone)
{
    const mode_t oldMask = ::umask(022);
    const auto mode = [](const QString &file) {
        struct stat info { };
        return ::stat(file.toUtf8().constData(), &info) == 0 ? info.st_mode & 07777 : 0;
    };
    {
        auto store = openStore();
        store->record(snapshotAt(clock.now()));
        store->flush(true);
        EXPECT_EQ(mode(QFileInfo(path()).path()), 0700u);
        for (const QString suffix : { "", "-wal", "-shm", ".lock" }) {
            EXPECT_EQ(mode(path() + suffix), 0600u) << suffix.toStdString();
        }
    }

    // The program's own folder, as an earlier version made it.
    const QString data = dir.filePath(QStringLiteral("data"));
    const QString folder = data + QStringLiteral("/Voltmere");
    ASSERT_TRUE(QDir().mkpath(folder));
    ::chmod(folder.toUtf8().constData(), 0755);
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", data.toUtf8());
    {
        auto store = HistoryStore::createAtDefaultLocation(clock);
        EXPECT_EQ(store->path(), folder + QStringLiteral("/history.sqlite"));
        EXPECT_EQ(mode(folder), 0700u);
    }
    qputenv("XDG_DATA_HOME", oldData);
    ::umask(oldMask);
}

TEST_F(HistoryStoreTest, APruneLeavesNoLargeLogBehind)
{
    QDir().mkpath(QFileInfo(path()).path());
    auto store = openStore();
    // A month of readings, written as another tool would, in one go.
    ASSERT_TRUE(test::execute(path(),
        "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 86400) "
        "INSERT INTO sample (ts, cpu) SELECT "
            + std::to_string(clock.now()) + " - i * 30, i % 100 FROM n;"));
    store->finish();
    ASSERT_EQ(QFileInfo(path() + QStringLiteral("-wal")).size(), 0);

    store->setRetention(7);
    drain(*store);
    EXPECT_EQ(countRows(path(), "sample"), 7 * 2880 + 1);
    EXPECT_EQ(QFileInfo(path() + QStringLiteral("-wal")).size(), 0);
}

// "Delete history" all at once or not at all; on a full disk nothing is
// deleted, the readings not yet written are kept, and the caller is told.
TEST_F(HistoryStoreTest, DeletingIsAllOrNothingAndAFailureKeepsTheUnsavedReadings)
{
    FailingDisk disk;
    auto store = openStore();
    for (int i = 0; i < 300; ++i) {
        Snapshot s = snapshotAt(clock.now() - 300 + i);
        s.topProcesses = { { 1, QStringLiteral("busy"), 40 } };
        store->record(s);
    }
    store->flush(true);
    store->record(snapshotAt(clock.now() + 1)); // not yet written

    disk.setFull(true);
    const HistoryStore::DeleteResult full = store->deleteAll();
    disk.setFull(false);
    EXPECT_FALSE(full.deleted);
    EXPECT_EQ(full.problem, QStringLiteral("database or disk is full"));
    EXPECT_EQ(countRows(path(), "sample"), 300);
    EXPECT_EQ(countRows(path(), "proc"), 300);
    store->flush(true);
    EXPECT_EQ(countRows(path(), "sample"), 301);

    // A reader in the middle of a transaction (an export) cannot stop the
    // deletion, only the folding of the log; that is said, and done later.
    sqlite3 *reader = nullptr;
    ASSERT_EQ(sqlite3_open(path().toUtf8().constData(), &reader), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(reader, "BEGIN; SELECT COUNT(*) FROM sample;", nullptr, nullptr, nullptr), SQLITE_OK);
    const HistoryStore::DeleteResult held = store->deleteAll();
    EXPECT_TRUE(held.deleted);
    EXPECT_EQ(held.problem, QStringLiteral("database is locked"));
    EXPECT_TRUE(held.busy);
    EXPECT_GT(QFileInfo(path() + QStringLiteral("-wal")).size(), 0);
    sqlite3_exec(reader, "COMMIT;", nullptr, nullptr, nullptr);
    sqlite3_close(reader);
    EXPECT_EQ(countRows(path(), "sample"), 0);
    store->flush(true);
    EXPECT_EQ(QFileInfo(path() + QStringLiteral("-wal")).size(), 0);

    // A disk too full to compact the file: the deletion stands, the disk is
    // named as the reason, and a later flush compacts it all the same, so
    // the old readings do not stay in its free pages.
    for (int i = 0; i < 3000; ++i) {
        store->record(snapshotAt(clock.now() - 3000 + i));
    }
    store->finish();
    const qint64 fullSize = QFileInfo(path()).size();
    disk.setMainFileFull(true);
    const HistoryStore::DeleteResult cramped = store->deleteAll();
    disk.setMainFileFull(false);
    EXPECT_TRUE(cramped.deleted);
    EXPECT_EQ(cramped.problem, QStringLiteral("database or disk is full"));
    EXPECT_FALSE(cramped.busy);
    EXPECT_EQ(countRows(path(), "sample"), 0);
    store->flush(true);
    EXPECT_EQ(test::queryRows(path(), "PRAGMA freelist_count").front().front(), QStringLiteral("0"));
    EXPECT_LT(QFileInfo(path()).size(), fullSize / 4);
    EXPECT_EQ(QFileInfo(path() + QStringLiteral("-wal")).size(), 0);
}

} // namespace
} // namespace voltmere
