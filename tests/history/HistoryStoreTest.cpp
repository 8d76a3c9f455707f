#include "history/HistoryStore.h"

#include "DatabaseProbe.h"
#include "EventLoop.h"
#include "FailingDisk.h"
#include "FakeClock.h"

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
#include <thread>

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
    // The first flush that writes anything prunes, whatever it wrote.
    store->record(snapshotAt(t0 - day - 1));
    store->mark(HistoryEvent::start, t0 - day - 1, false);
    store->record(snapshotAt(t0 - day + 1));
    store->flush(true);
    EXPECT_EQ(queryRows(path(), "SELECT ts FROM sample"), (std::vector<QStringList> { { "1799913601.0" } }));
    EXPECT_EQ(countRows(path(), "event"), 0);

    // Within the hour, old rows written by a flush stay.
    clock.advance(1800);
    Snapshot old = snapshotAt(t0 - 2 * day);
    old.topProcesses = { { 7, QStringLiteral("old"), 50 } };
    store->record(old);
    store->flush(true);
    EXPECT_EQ(countRows(path(), "sample"), 2);
    EXPECT_EQ(countRows(path(), "proc"), 1);

    // More than an hour after the last prune, a flush prunes all three tables.
    clock.advance(1801);
    store->mark(HistoryEvent::wake, clock.now(), true);
    drain(*store);
    EXPECT_EQ(countRows(path(), "sample"), 0); // t0 - day + 1 is now past the cutoff too
    EXPECT_EQ(countRows(path(), "proc"), 0);
    EXPECT_EQ(countRows(path(), "event"), 1);

    // A new retention prunes without waiting for a flush.
    store->record(snapshotAt(clock.now() - 2 * day));
    store->flush(true);
    store->setRetention(30);
    drain(*store);
    EXPECT_EQ(countRows(path(), "sample"), 1);
    store->setRetention(1);
    drain(*store);
    EXPECT_EQ(countRows(path(), "sample"), 0);
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

TEST_F(HistoryStoreTest, AFileThatIsNotADatabaseIsReportedAndLeftUntouched)
{
    QDir().mkpath(QFileInfo(path()).path());
    QFile garbage(path());
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    const QByteArray junk(8192, 'x');
    garbage.write(junk);
    garbage.close();

    HistoryStore store(path(), clock);
    ASSERT_TRUE(store.openError());
    EXPECT_EQ(*store.openError(), QStringLiteral("file is not a database"));
    clock.advance(200);
    store.record(snapshotAt(clock.now()));
    store.flush(true);
    store.deleteAll();
    EXPECT_EQ(store.load(HistoryMetric::cpu, 0, clock.now(), 240), HistorySeries {});

    ASSERT_TRUE(garbage.open(QIODevice::ReadOnly));
    EXPECT_EQ(garbage.readAll(), junk);
}

TEST_F(HistoryStoreTest, AnotherConnectionHoldingTheWriteLockBrieflyDoesNotFailTheBatch)
{
    auto store = openStore();
    sqlite3 *other = nullptr;
    ASSERT_EQ(sqlite3_open(path().toUtf8().constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE; INSERT INTO event VALUES (1, 'x');", nullptr, nullptr, nullptr),
        SQLITE_OK);
    std::thread release([other] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        sqlite3_exec(other, "ROLLBACK;", nullptr, nullptr, nullptr);
    });
    store->record(snapshotAt(clock.now()));
    store->flush(true); // waits for the lock instead of failing at once
    release.join();
    sqlite3_close(other);
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

} // namespace
} // namespace voltmere
