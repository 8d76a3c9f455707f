#pragma once

#include "history/HistoryGap.h"
#include "history/HistoryMetric.h"
#include "history/HistoryQueries.h"
#include "history/HistoryReadConnection.h"
#include "history/HistoryRecorder.h"
#include "history/HistoryRetention.h"
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
//
// The files are the user's private record: the folder is made 0700 and the
// database (with its -wal and -shm) 0600. A file that turns out to be damaged
// (not a database, malformed) is renamed aside, never deleted, and a new
// history starts in its place; a file removed while recording (its folder
// deleted) is noticed at the next flush and made again. A read-only or full
// disk is not damage: the store waits for it as above.
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
    // How long folding the log into the file waits, at the end of the
    // program and after a deletion, for a reader in the middle of a
    // transaction (an export) before leaving it for a later flush.
    static constexpr int checkpointWaitMs = 1000;

    // What "Delete history" did.
    struct DeleteResult {
        // Every reading is gone (and the unsaved ones with them). When false
        // nothing was deleted and the unsaved readings are still kept.
        bool deleted = false;
        // When not deleted, why; when deleted, why the file could not yet be
        // emptied of the old pages (tried again at later flushes).
        std::optional<QString> problem;
        // The problem is another connection using the file (a reader holding
        // a snapshot, a writer's lock), which passes by itself; otherwise it
        // is the disk's (full, failing).
        bool busy = false;
    };

    // A damaged history file the store renamed aside before starting anew.
    struct SetAside {
        QString keptAs; // the file's new path, beside the database
        QString reason; // SQLite's words for the damage
        Timestamp at = 0;
    };

    // Opens (or creates) the database at `path`; returns when it is open or
    // has failed. `clock` supplies every "now" and must outlive the store.
    explicit HistoryStore(const QString &path, const Clock &clock = Clock::system());
    // Runs what is queued, then closes the database. Pending readings that
    // no flush wrote are dropped, as when the process dies.
    ~HistoryStore() override;
    HistoryStore(const HistoryStore &) = delete;
    HistoryStore &operator=(const HistoryStore &) = delete;

    // The program's store: first moves the former product's history folder
    // into place and makes the folder private (0700) if an earlier version
    // left it open to others, then opens history.sqlite in the folder
    // "Voltmere" inside the user's data folder
    // (QStandardPaths::GenericDataLocation).
    static std::unique_ptr<HistoryStore> createAtDefaultLocation(const Clock &clock = Clock::system());
    static QString defaultPath();

    // HistoryRecorder: see there. Events are stored as "start", "stop",
    // "sleep", "wake".
    void record(const Snapshot &snapshot) override;
    void mark(Event event, Timestamp at, bool flush) override;
    void flush(bool wait) override;
    // Flushes, then folds the write-ahead log into the database file so the
    // file alone is the whole history (a copy, a backup, a file manager see
    // it complete). Blocks; for the end of the program.
    void finish() override;

    // Sets the retention without pruning; for the owner, once, right after
    // construction and before anything is recorded.
    void setRetentionDays(int days);
    // Sets the retention and prunes at once (the user picked a new one).
    void setRetention(int days);
    int retentionDays() const;
    // What keeping `days` would remove now, by the same rule the prune
    // follows; nothing when the history cannot be read. Blocks on the read
    // connection, not on the writer.
    std::optional<HistoryRetention::Loss> retentionLoss(int days);

    // Empties the three tables in one transaction, then truncates the
    // write-ahead log and vacuums the file. On failure nothing is deleted and
    // the unsaved readings stay. Blocks until done, for as long as another
    // connection's lock holds it (busyTimeoutMs): never on the GUI thread.
    // The outcome is also logged and announced by `deleteFinished`, so it
    // reaches the program whatever became of the window that asked.
    DeleteResult deleteAll();
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
    // The damaged file this run renamed aside, if any. Any thread.
    std::optional<SetAside> setAside() const;

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
    void setAsideChanged();
    // A deletion ended, in the thread that ran it; a receiver on the main
    // thread gets it there (queued).
    void deleteFinished(const voltmere::HistoryStore::DeleteResult &result);

private:
    struct PendingEvent {
        Timestamp at;
        Event event;
    };

    // Readings after a jump of the clock that a prune held back for.
    struct ClockJump {
        Timestamp before = 0; // the newest reading before the jump
        Timestamp after = 0; // the first reading after it (or when seen)
    };

    void open();
    void closeLocked();
    void unlockLocked();
    bool lockLocked(QString &why);
    // Renames a damaged database (and its log) aside; false when it cannot.
    bool setAsideLocked(const QString &reason);
    // Closes the damaged database, sets it aside and opens a new one in its
    // place; false (and nothing changed but the closing) when it cannot be
    // moved.
    bool startAfreshLocked(const QString &reason);
    // Closes everything and opens the file at the path again (a new one).
    void reopenLocked();
    // The database file was unlinked or replaced under the open connection.
    bool fileMovedLocked() const;
    bool checkpointLocked(int busyMs);
    // After a deletion: folds the log in and vacuums the file, so neither
    // holds the deleted readings (in free pages) any longer. On failure says
    // why, and is tried again at each flush until it works.
    bool compactLocked(int busyMs, QString &why, int &code);
    bool writeBatchLocked(QString &why, int &code);
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
    // A checkpoint that a reader held up; retried at each flush.
    bool m_checkpointPending = false;
    // A deletion's compaction that failed (a full disk, a reader); retried.
    bool m_compactPending = false;
    bool m_settingAside = false;
    std::optional<ClockJump> m_clockJump;
    std::optional<Timestamp> m_reportedJump; // logged once per jump
    // A prune skipped because the stored rows could not be read; logged once
    // until one works again.
    bool m_pruneSkipped = false;

    mutable std::mutex m_errorMutex; // the two errors are read from any thread
    std::optional<QString> m_openError;
    std::optional<QString> m_writeError;
    std::optional<SetAside> m_setAside;
    // Closed first when the store goes, interrupting a running query, so the
    // writer is the last connection and leaves no write-ahead log behind.
    HistoryReadConnection m_reads { m_path };
};

} // namespace voltmere
