#include "history/HistoryReadConnection.h"
#include "history/HistoryStore.h"

#include "FakeClock.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <future>
#include <thread>

namespace voltmere {
namespace {

TEST(HistoryReadConnectionTest, ClosingInterruptsARunningQueryInsteadOfWaitingForIt)
{
    QTemporaryDir dir;
    test::FakeClock clock;
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    HistoryStore store(path, clock); // creates the file the reader opens
    auto connection = std::make_unique<HistoryReadConnection>(path);

    std::promise<void> started;
    std::future<int> finished = std::async(std::launch::async, [&] {
        int rc = SQLITE_MISUSE;
        connection->run([&](sqlite3 *db) {
            ASSERT_TRUE(db);
            // Counts for hours if nothing stops it.
            sqlite3_stmt *statement = nullptr;
            sqlite3_prepare_v2(db,
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) SELECT i FROM n", -1, &statement,
                nullptr);
            rc = sqlite3_step(statement);
            started.set_value(); // running now, so an interrupt reaches it
            while (rc == SQLITE_ROW) {
                rc = sqlite3_step(statement);
            }
            sqlite3_finalize(statement);
        });
        return rc;
    });
    started.get_future().wait();
    connection.reset();
    EXPECT_EQ(finished.get(), SQLITE_INTERRUPT);
}

TEST(HistoryReadConnectionTest, ReadsStayRightAcrossDeletingAndShrinkingTheFile)
{
    QTemporaryDir dir;
    test::FakeClock clock;
    HistoryStore store(dir.filePath(QStringLiteral("history.sqlite")), clock);
    const Timestamp t = clock.now() - 3000;
    for (int i = 0; i < 2000; ++i) {
        Snapshot s;
        s.date = t + i;
        s.cpuTotal = i % 100;
        s.topProcesses = { { 1, QStringLiteral("a fairly long process name to grow the file"), 50 } };
        store.record(s);
    }
    EXPECT_EQ(store.load(HistoryMetric::cpu, t, t + 3000, 240).sampleCount, 2000);

    // The reader has the file mapped; the vacuum shrinks it underneath.
    store.deleteAll();
    EXPECT_EQ(store.load(HistoryMetric::cpu, t, t + 3000, 240), (HistorySeries { {}, {}, 12.5, 0 }));
    EXPECT_FALSE(store.processes(t + 10));

    Snapshot again;
    again.date = t + 100;
    again.cpuTotal = 7;
    store.record(again);
    EXPECT_EQ(store.load(HistoryMetric::cpu, t, t + 3000, 240).sampleCount, 1);
}

TEST(HistoryReadConnectionTest, TheStoreClosesItsReaderFirstSoNoLogIsLeftBehind)
{
    QTemporaryDir dir;
    test::FakeClock clock;
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    auto store = std::make_unique<HistoryStore>(path, clock);
    Snapshot s;
    s.date = clock.now();
    s.cpuTotal = 5;
    store->record(s);
    EXPECT_EQ(store->load(HistoryMetric::cpu, s.date - 60, s.date, 240).sampleCount, 1);
    ASSERT_TRUE(QFile::exists(path + QStringLiteral("-wal")));
    store.reset();
    EXPECT_FALSE(QFile::exists(path + QStringLiteral("-wal")));
}

} // namespace
} // namespace voltmere
