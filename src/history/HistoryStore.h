#pragma once

#include "history/HistoryGap.h"
#include "history/HistoryMetric.h"
#include "history/HistoryQueries.h"
#include "history/HistoryReadConnection.h"
#include "history/HistoryRecorder.h"
#include "history/HistorySeries.h"
#include "model/ProcessCPU.h"
#include "model/Snapshot.h"
#include "platform/Clock.h"
#include "platform/SerialQueue.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace voltmere {

// Every snapshot and lifecycle event the program records, in a local SQLite
// database (WAL mode). Writes are buffered and committed in one transaction
// at most every 120 seconds, or at once on sleep, stop and before any query.
// Rows older than the retention are pruned at most hourly.
//
// All database work runs on the store's own serial queue ("ampery.history"),
// so nothing here is locked. `record`, `mark` and `setRetention` return at
// once; the opening, `flush(true)`, `deleteAll` and the queries block the
// caller until the queue has run them. Queries flush on that queue, then read
// on a read-only connection of their own, so they never hold up the writer.
// They are meant for background tasks (QtConcurrent), never the GUI thread.
//
// Failures never throw and are never silent. When the database cannot be
// opened for writing, `openError` says why and opening is tried again at every
// flush; when a batch cannot be committed, `writeError` says why and the batch
// is kept for the next flush. Either way the newest readings wait in memory,
// up to an hour of them, and each change of either error is written to the
// log once and announced by its signal.
//
// One writer per database: the store holds an exclusive lock on
// "<database>.lock" for as long as it is open, so a second process pointed at
// the same history reports it as busy instead of writing into it.
class HistoryStore final : public QObject, public HistoryRecorder {
    Q_OBJECT
public:
    using Event = HistoryEvent;
    // The sample nearest a moment and the processes stored with it.
    using ProcessesNear = HistoryQueries::ProcessesNear;

    static constexpr double flushIntervalSeconds = 120;
    static constexpr double pruneIntervalSeconds = 3600;
    static constexpr double minimumGapSeconds = HistoryQueries::minimumGapSeconds;
    // Readings kept while they cannot be written: an hour at the fastest
    // sampling period (2 s). Older ones are dropped first.
    static constexpr std::size_t pendingLimit = 1800;
    static constexpr std::size_t pendingEventLimit = 256;
    // How long a write waits for another connection (a reader checkpointing,
    // a query tool) before the batch counts as failed.
    static constexpr int busyTimeoutMs = 5000;

    // Opens (or creates) the database at `path`; returns when it is open or
    // has failed. `clock` supplies every "now" and must outlive the store.
    explicit HistoryStore(const QString &path, const Clock &clock = Clock::system());
    // Runs what is queued, then closes the database. Pending readings that
    // no flush wrote are dropped, as when the process dies.
    ~HistoryStore() override;
    HistoryStore(const HistoryStore &) = delete;
    HistoryStore &operator=(const HistoryStore &) = delete;

    // The program's store: first moves the former product's history folder
    // into place, then opens history.sqlite in the folder "Voltmere" inside
    // the user's data folder (QStandardPaths::GenericDataLocation).
    static std::unique_ptr<HistoryStore> createAtDefaultLocation(const Clock &clock = Clock::system());
    static QString defaultPath();

    // HistoryRecorder: see there. Events are stored as "start", "stop",
    // "sleep", "wake".
    void record(const Snapshot &snapshot) override;
    void mark(Event event, Timestamp at, bool flush) override;
    void flush(bool wait) override;

    // Sets the retention without pruning; for the owner, once, right after
    // construction and before anything is recorded.
    void setRetentionDays(int days);
    // Sets the retention and prunes at once (the user picked a new one).
    void setRetention(int days);
    int retentionDays() const;

    // Empties the three tables and the buffers, truncates the write-ahead log
    // and vacuums the file. Blocks until done.
    void deleteAll();
    // Bytes of the database file plus its -wal file (missing files count 0).
    // Any thread; does not touch the queue.
    std::int64_t fileSize() const;

    const QString &path() const { return m_path; }
    // Why the database cannot be opened for writing; absent when it is.
    // A read-only database stays open for the queries but still reports
    // here. Any thread.
    std::optional<QString> openError() const;
    // Why the last batch could not be committed (it waits for the next
    // flush); absent once a batch is written. Any thread.
    std::optional<QString> writeError() const;

    // The metric in `buckets` equal time buckets over [from, to] (seconds
    // since 1970), with the gaps in that range. A sample exactly at `to`
    // falls into one extra bucket. Flushes first. Blocks.
    HistorySeries load(HistoryMetric metric, Timestamp from, Timestamp to, int buckets);
    // The sample within 15 seconds of `near` closest to it, with its stored
    // processes (busiest first), or nothing. Flushes first. Blocks.
    std::optional<ProcessesNear> processes(Timestamp near);
    // Every hole of more than 20 s between consecutive samples in
    // [from, to], classified. Flushes first. Blocks.
    std::vector<HistoryGap> gaps(Timestamp from, Timestamp to);

Q_SIGNALS:
    // Emitted on the store's queue when the value changes; a receiver living
    // on the main thread gets it there (queued).
    void openErrorChanged();
    void writeErrorChanged();

private:
    struct PendingEvent {
        Timestamp at;
        Event event;
    };

    void open();
    void closeLocked();
    bool lockLocked(QString &why);
    bool writeBatchLocked(QString &why);
    void trimPendingLocked();
    double awakeSeconds() const;
    void setOpenError(const std::optional<QString> &error);
    void setWriteError(const std::optional<QString> &error);
    void flushLocked();
    void pruneLocked();
    // Writes what is buffered, so a query sees it; false when there is no
    // database to read.
    bool flushForRead();
    bool writeSnapshotLocked(const Snapshot &snapshot);

    const QString m_path;
    const Clock &m_clock;
    mutable SerialQueue m_queue; // sync() from const readers
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_insertSample = nullptr;
    sqlite3_stmt *m_insertProc = nullptr;
    sqlite3_stmt *m_insertEvent = nullptr;
    std::vector<Snapshot> m_pending;
    std::vector<PendingEvent> m_pendingEvents;
    // Both on the awake clock, in seconds: setting the wall clock back must
    // not hold a batch in memory for the length of the step.
    double m_lastFlush = 0;
    double m_lastPrune;
    // Open, not read-only, and the writer's lock is held.
    bool m_writable = false;
    int m_lockFd = -1;
    int m_retentionDays = 7;

    mutable std::mutex m_errorMutex; // the two errors are read from any thread
    std::optional<QString> m_openError;
    std::optional<QString> m_writeError;
    // Closed first when the store goes, interrupting a running query, so the
    // writer is the last connection and leaves no write-ahead log behind.
    HistoryReadConnection m_reads { m_path };
};

} // namespace voltmere
