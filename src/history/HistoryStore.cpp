#include "history/HistoryStore.h"

#include "history/LegacyMigration.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <system_error>

namespace voltmere {

namespace {

// SQLite's "transient" destructor: it copies bound text before returning.
const sqlite3_destructor_type SQLITE_TRANSIENT_DESTRUCTOR = reinterpret_cast<sqlite3_destructor_type>(-1);

constexpr const char *openingScript = R"(PRAGMA journal_mode=WAL;
PRAGMA synchronous=NORMAL;
CREATE TABLE IF NOT EXISTS sample(
    ts REAL PRIMARY KEY, cpu REAL, mem_pressure REAL, mem_level INTEGER, mem_used REAL,
    swap_used REAL, disk_read REAL, disk_write REAL, net_in REAL, net_out REAL,
    battery REAL, plugged INTEGER, charging INTEGER);
CREATE TABLE IF NOT EXISTS proc(ts REAL, rank INTEGER, pid INTEGER, name TEXT, cpu REAL);
CREATE INDEX IF NOT EXISTS proc_ts ON proc(ts);
CREATE TABLE IF NOT EXISTS event(ts REAL, kind TEXT);
CREATE INDEX IF NOT EXISTS event_ts ON event(ts);)";

constexpr const char *insertSampleSQL
    = "INSERT OR REPLACE INTO sample (ts, cpu, mem_pressure, mem_level, mem_used, swap_used, disk_read, disk_write,\n"
      "    net_in, net_out, battery, plugged, charging, awake) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)";
constexpr const char *insertProcSQL = "INSERT INTO proc VALUES (?,?,?,?,?)";
constexpr const char *insertEventSQL = "INSERT INTO event VALUES (?,?)";
constexpr const char *addAwakeSQL = "ALTER TABLE sample ADD COLUMN awake REAL";

// Only the busiest few processes, and only those doing something, are kept.
constexpr std::size_t storedProcessLimit = 5;
constexpr double storedProcessMinimumCPU = 0.5;

const char *eventText(HistoryEvent event)
{
    switch (event) {
    case HistoryEvent::start:
        return "start";
    case HistoryEvent::stop:
        return "stop";
    case HistoryEvent::sleep:
        return "sleep";
    case HistoryEvent::wake:
        return "wake";
    }
    return "";
}

// NaN and infinities are not readings; they are stored as NULL.
void bindNumber(sqlite3_stmt *statement, int index, std::optional<double> value)
{
    if (value && std::isfinite(*value)) {
        sqlite3_bind_double(statement, index, *value);
    } else {
        sqlite3_bind_null(statement, index);
    }
}

void bindText(sqlite3_stmt *statement, int index, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(statement, index, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT_DESTRUCTOR);
}

// The shortest decimal that reads back as the same double, always with a
// fractional part ("1800000000.0"), so the prune script compares REALs.
std::string sqlNumber(double value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    std::string text(buffer, result.ptr);
    if (text.find('.') == std::string::npos) {
        text += ".0";
    }
    return text;
}

} // namespace

HistoryStore::HistoryStore(const QString &path, const Clock &clock)
    : m_path(path)
    , m_clock(clock)
    , m_queue(QStringLiteral("ampery.history"))
    , m_lastFlush(awakeSeconds())
    , m_lastPrune(-std::numeric_limits<double>::infinity())
{
    m_queue.sync([this] { open(); });
}

HistoryStore::~HistoryStore()
{
    m_reads.close();
    m_queue.sync([this] {
        closeLocked();
        if (m_lockFd >= 0) {
            ::close(m_lockFd);
            m_lockFd = -1;
        }
    });
}

QString HistoryStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1Char('/')
        + LegacyMigration::folderName + QLatin1Char('/') + LegacyMigration::databaseFileName;
}

std::unique_ptr<HistoryStore> HistoryStore::createAtDefaultLocation(const Clock &clock)
{
    LegacyMigration::migrateHistoryFolder(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    return std::make_unique<HistoryStore>(defaultPath(), clock);
}

double HistoryStore::awakeSeconds() const
{
    return static_cast<double>(m_clock.awakeNanoseconds()) / 1e9;
}

std::optional<QString> HistoryStore::openError() const
{
    const std::lock_guard guard(m_errorMutex);
    return m_openError;
}

std::optional<QString> HistoryStore::writeError() const
{
    const std::lock_guard guard(m_errorMutex);
    return m_writeError;
}

void HistoryStore::setOpenError(const std::optional<QString> &error)
{
    {
        const std::lock_guard guard(m_errorMutex);
        if (m_openError == error) {
            return;
        }
        m_openError = error;
    }
    // One line per change, for the journal: a history that stops being
    // recorded must not go unnoticed just because no window is open.
    if (error) {
        qWarning().noquote() << "History is not being recorded:" << *error << QStringLiteral("(%1)").arg(m_path);
    } else {
        qWarning().noquote() << "History is being recorded again:" << m_path;
    }
    Q_EMIT openErrorChanged();
}

void HistoryStore::setWriteError(const std::optional<QString> &error)
{
    {
        const std::lock_guard guard(m_errorMutex);
        if (m_writeError == error) {
            return;
        }
        m_writeError = error;
    }
    if (error) {
        qWarning().noquote() << "History could not be written, keeping the readings for the next try:" << *error
                             << QStringLiteral("(%1)").arg(m_path);
    } else {
        qWarning().noquote() << "History written again:" << m_path;
    }
    Q_EMIT writeErrorChanged();
}

void HistoryStore::closeLocked()
{
    sqlite3_finalize(m_insertSample);
    sqlite3_finalize(m_insertProc);
    sqlite3_finalize(m_insertEvent);
    m_insertSample = nullptr;
    m_insertProc = nullptr;
    m_insertEvent = nullptr;
    sqlite3_close(m_db);
    m_db = nullptr;
    m_writable = false;
}

// The lock is an open file description with flock(2) on it, so it goes away
// with the process however that ends, and a second open in this same process
// (a second store on the same file) is refused like another program would be.
bool HistoryStore::lockLocked(QString &why)
{
    if (m_lockFd >= 0) {
        return true;
    }
    const QByteArray lockPath = QFile::encodeName(m_path + QStringLiteral(".lock"));
    const int fd = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        why = errno == EACCES || errno == EROFS || errno == EPERM
            ? QStringLiteral("the folder %1 is read-only").arg(QFileInfo(m_path).path())
            : QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        why = errno == EWOULDBLOCK ? QStringLiteral("another Voltmere process is recording into this history")
                                   : QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return false;
    }
    m_lockFd = fd;
    return true;
}

// Builds a fresh connection and only then replaces the present one: a
// read-only connection keeps answering the queries through every retry that
// fails, and one that fails never leaves the store without the one it had.
void HistoryStore::open()
{
    Q_ASSERT(m_queue.isCurrent());
    std::error_code error;
    const std::filesystem::path file(m_path.toStdString());
    if (file.has_parent_path()) {
        std::filesystem::create_directories(file.parent_path(), error);
    }
    if (error) {
        setOpenError(QString::fromStdString(error.message()));
        return;
    }

    QString lockProblem;
    if (!lockLocked(lockProblem)) {
        setOpenError(lockProblem);
        return;
    }

    sqlite3 *db = nullptr;
    sqlite3_stmt *insertSample = nullptr;
    sqlite3_stmt *insertProc = nullptr;
    sqlite3_stmt *insertEvent = nullptr;
    const auto discard = [&] {
        sqlite3_finalize(insertSample);
        sqlite3_finalize(insertProc);
        sqlite3_finalize(insertEvent);
        sqlite3_close(db);
    };
    if (sqlite3_open(file.c_str(), &db) != SQLITE_OK) {
        setOpenError(
            db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("Couldn't open the history database."));
        discard();
        return;
    }
    sqlite3_busy_timeout(db, busyTimeoutMs);

    // The script's own failure explains best what is wrong with the file (a
    // full disk cannot even take the tables); the prepares below would only
    // say that the table is missing.
    std::optional<QString> scriptError;
    if (sqlite3_exec(db, openingScript, nullptr, nullptr, nullptr) != SQLITE_OK) {
        scriptError = QString::fromUtf8(sqlite3_errmsg(db));
    }
    // The gap query's window functions build a temporary table of the whole
    // range; kept in memory it costs about a tenth less than in a temp file.
    sqlite3_exec(db, "PRAGMA temp_store=MEMORY", nullptr, nullptr, nullptr);

    // Databases from before the awake clock was recorded lack its column;
    // their old rows keep NULL there.
    const std::string probe = std::string("SELECT 1 FROM pragma_table_info('") + "sample" + "') WHERE name = ?";
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, probe.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
        sqlite3_bind_text(statement, 1, "awake", -1, SQLITE_TRANSIENT_DESTRUCTOR);
        const bool hasColumn = sqlite3_step(statement) == SQLITE_ROW;
        sqlite3_finalize(statement);
        if (!hasColumn) {
            sqlite3_exec(db, addAwakeSQL, nullptr, nullptr, nullptr);
        }
    } else {
        sqlite3_finalize(statement);
        sqlite3_exec(db, addAwakeSQL, nullptr, nullptr, nullptr);
    }

    sqlite3_prepare_v2(db, insertSampleSQL, -1, &insertSample, nullptr);
    sqlite3_prepare_v2(db, insertProcSQL, -1, &insertProc, nullptr);
    sqlite3_prepare_v2(db, insertEventSQL, -1, &insertEvent, nullptr);

    // A file that is not a database (or not ours) opens without complaint but
    // can never take a sample. Say so instead of dropping every reading
    // behind an empty chart; the file itself is left untouched.
    if (!insertSample || !insertProc || !insertEvent) {
        setOpenError(scriptError.value_or(QString::fromUtf8(sqlite3_errmsg(db))));
        discard();
        return;
    }
    // SQLite quietly falls back to reading a file it may not write. The past
    // stays readable through this connection; nothing new can be stored.
    const bool readOnly = sqlite3_db_readonly(db, "main") == 1;
    if (readOnly && m_db) {
        discard(); // the connection already there reads just as well
    } else {
        closeLocked();
        m_db = db;
        m_insertSample = insertSample;
        m_insertProc = insertProc;
        m_insertEvent = insertEvent;
        m_writable = !readOnly;
    }
    setOpenError(readOnly ? std::optional<QString>(QStringLiteral("the database file is read-only")) : std::nullopt);
}

void HistoryStore::record(const Snapshot &snapshot)
{
    m_queue.async([this, snapshot] {
        m_pending.push_back(snapshot);
        if (awakeSeconds() - m_lastFlush >= flushIntervalSeconds) {
            flushLocked();
        }
    });
}

void HistoryStore::mark(Event event, Timestamp at, bool flush)
{
    m_queue.async([this, event, at, flush] {
        m_pendingEvents.push_back({ at, event });
        if (flush) {
            flushLocked();
        }
    });
}

void HistoryStore::flush(bool wait)
{
    if (wait) {
        m_queue.sync([this] { flushLocked(); });
    } else {
        m_queue.async([this] { flushLocked(); });
    }
}

void HistoryStore::setRetentionDays(int days)
{
    m_queue.async([this, days] { m_retentionDays = days; });
}

void HistoryStore::setRetention(int days)
{
    m_queue.async([this, days] {
        m_retentionDays = days;
        pruneLocked();
    });
}

int HistoryStore::retentionDays() const
{
    int days = 0;
    m_queue.sync([this, &days] { days = m_retentionDays; });
    return days;
}

bool HistoryStore::writeSnapshotLocked(const Snapshot &snapshot)
{
    sqlite3_stmt *s = m_insertSample;
    const std::optional<BatteryReading> &battery = snapshot.battery;
    std::optional<double> level;
    std::optional<double> plugged;
    std::optional<double> charging;
    if (battery) {
        if (battery->level) {
            level = *battery->level;
        }
        plugged = battery->isPluggedIn ? 1.0 : 0.0;
        if (battery->state) {
            charging = *battery->state == ChargingState::charging ? 1.0 : 0.0;
        }
    }
    std::optional<double> memLevel;
    if (snapshot.memLevel) {
        memLevel = rawValue(*snapshot.memLevel);
    }
    bindNumber(s, 1, snapshot.date);
    bindNumber(s, 2, snapshot.cpuTotal);
    bindNumber(s, 3, snapshot.memPressure);
    bindNumber(s, 4, memLevel);
    bindNumber(s, 5, snapshot.memUsed);
    bindNumber(s, 6, snapshot.swapUsed);
    bindNumber(s, 7, snapshot.diskRead);
    bindNumber(s, 8, snapshot.diskWrite);
    bindNumber(s, 9, snapshot.netIn);
    bindNumber(s, 10, snapshot.netOut);
    bindNumber(s, 11, level);
    bindNumber(s, 12, plugged);
    bindNumber(s, 13, charging);
    bindNumber(s, 14, snapshot.awake);
    const int stepped = sqlite3_step(s);
    sqlite3_reset(s);
    if (stepped != SQLITE_DONE) {
        return false;
    }

    // The rank is the position in the snapshot's list, so a skipped entry
    // leaves its number unused.
    const std::size_t count = std::min(snapshot.topProcesses.size(), storedProcessLimit);
    for (std::size_t rank = 0; rank < count; ++rank) {
        const ProcessCPU &process = snapshot.topProcesses[rank];
        if (process.cpu < storedProcessMinimumCPU) {
            continue;
        }
        bindNumber(m_insertProc, 1, snapshot.date);
        sqlite3_bind_int64(m_insertProc, 2, static_cast<sqlite3_int64>(rank));
        sqlite3_bind_int64(m_insertProc, 3, process.pid);
        bindText(m_insertProc, 4, process.name);
        bindNumber(m_insertProc, 5, process.cpu);
        const int result = sqlite3_step(m_insertProc);
        sqlite3_reset(m_insertProc);
        if (result != SQLITE_DONE) {
            return false;
        }
    }
    return true;
}

// Writes the whole batch in one transaction or nothing of it. An error can
// make SQLite roll the transaction back by itself, after which further
// statements would each commit on their own; so the first failure ends the
// batch, and a retry never stores a row twice.
bool HistoryStore::writeBatchLocked(QString &why)
{
    const auto fail = [this, &why] {
        why = QString::fromUtf8(sqlite3_errmsg(m_db));
        if (!sqlite3_get_autocommit(m_db)) {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
        return false;
    };
    if (sqlite3_exec(m_db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) {
        return fail();
    }
    for (const Snapshot &snapshot : m_pending) {
        if (!writeSnapshotLocked(snapshot)) {
            return fail();
        }
    }
    for (const PendingEvent &event : m_pendingEvents) {
        bindNumber(m_insertEvent, 1, event.at);
        sqlite3_bind_text(m_insertEvent, 2, eventText(event.event), -1, SQLITE_TRANSIENT_DESTRUCTOR);
        const int result = sqlite3_step(m_insertEvent);
        sqlite3_reset(m_insertEvent);
        if (result != SQLITE_DONE) {
            return fail();
        }
    }
    if (sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        return fail();
    }
    return true;
}

void HistoryStore::trimPendingLocked()
{
    if (m_pending.size() > pendingLimit) {
        m_pending.erase(
            m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(m_pending.size() - pendingLimit));
    }
    if (m_pendingEvents.size() > pendingEventLimit) {
        m_pendingEvents.erase(m_pendingEvents.begin(),
            m_pendingEvents.begin() + static_cast<std::ptrdiff_t>(m_pendingEvents.size() - pendingEventLimit));
    }
}

void HistoryStore::flushLocked()
{
    Q_ASSERT(m_queue.isCurrent());
    const double awake = awakeSeconds();
    m_lastFlush = awake;
    // Whatever kept the database from opening (a full disk, a busy lock, a
    // file made read-only) may be gone by now.
    if (!m_writable) {
        open();
    }
    if (!m_writable) {
        trimPendingLocked();
        return;
    }
    if (m_pending.empty() && m_pendingEvents.empty()) {
        return;
    }
    QString why;
    if (!writeBatchLocked(why)) {
        trimPendingLocked();
        setWriteError(why);
        return;
    }
    // clear() keeps the storage for reuse.
    m_pending.clear();
    m_pendingEvents.clear();
    setWriteError(std::nullopt);
    if (awake - m_lastPrune > pruneIntervalSeconds) {
        pruneLocked();
    }
}

void HistoryStore::pruneLocked()
{
    Q_ASSERT(m_queue.isCurrent());
    const Timestamp now = m_clock.now();
    m_lastPrune = awakeSeconds();
    if (!m_writable) {
        return;
    }
    const std::string cutoff = sqlNumber(now - m_retentionDays * 86400.0);
    const std::string script = "DELETE FROM sample WHERE ts < " + cutoff + "; DELETE FROM proc WHERE ts < " + cutoff
        + "; DELETE FROM event WHERE ts < " + cutoff + ";";
    sqlite3_exec(m_db, script.c_str(), nullptr, nullptr, nullptr);
}

void HistoryStore::deleteAll()
{
    m_queue.sync([this] {
        m_pending.clear();
        m_pendingEvents.clear();
        if (!m_writable) {
            return;
        }
        sqlite3_exec(m_db, "DELETE FROM sample; DELETE FROM proc; DELETE FROM event;", nullptr, nullptr, nullptr);
        for (sqlite3_stmt *statement : { m_insertSample, m_insertProc, m_insertEvent }) {
            if (statement) {
                sqlite3_reset(statement);
            }
        }
        sqlite3_wal_checkpoint_v2(m_db, "main", SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
        sqlite3_exec(m_db, "VACUUM;", nullptr, nullptr, nullptr);
        // In WAL mode the vacuum itself goes through the log; checkpoint
        // again so the log is really left empty.
        sqlite3_wal_checkpoint_v2(m_db, "main", SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
    });
}

std::int64_t HistoryStore::fileSize() const
{
    // QFileInfo reports 0 for a missing file; the -shm file is not history.
    return QFileInfo(m_path).size() + QFileInfo(m_path + QStringLiteral("-wal")).size();
}

} // namespace voltmere
