#include "history/HistoryStore.h"

#include "history/LegacyMigration.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <set>
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
      "    net_in, net_out, battery, plugged, charging, awake, cpu_temp, fan_rpm) "
      "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";
constexpr const char *insertProcSQL = "INSERT INTO proc VALUES (?,?,?,?,?)";
constexpr const char *insertEventSQL = "INSERT INTO event VALUES (?,?)";
// Columns that came after the first version of the table, added to a file
// that lacks them. Each is only ever added at the end, so programs that
// name their columns (every version of this one) keep reading and writing
// the file.
struct AddedColumn {
    const char *name;
    const char *alter;
};
constexpr AddedColumn addedColumns[] {
    { "awake", "ALTER TABLE sample ADD COLUMN awake REAL" },       // the awake clock, seconds
    { "cpu_temp", "ALTER TABLE sample ADD COLUMN cpu_temp REAL" }, // the processor's temperature, °C
    { "fan_rpm", "ALTER TABLE sample ADD COLUMN fan_rpm REAL" },   // the fastest fan, RPM
};

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

// What SQLite says when the file itself is broken, as opposed to the disk
// being full, read-only or busy, which pass.
bool isDamage(int code)
{
    const int primary = code & 0xff;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

// What SQLite says when another connection holds the file (a reader's
// snapshot, a writer's lock), which passes by itself.
bool isBusy(int code)
{
    const int primary = code & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

// Creates each missing folder on the way to `folder` readable by the user
// alone (the base-directory convention for data folders). Existing folders
// are left as they are. Empty on success, else the system's reason.
std::optional<QString> makePrivateFolders(const std::filesystem::path &folder)
{
    std::filesystem::path built;
    for (const auto &part : folder) {
        built /= part;
        if (::mkdir(built.c_str(), 0700) == 0 || errno == EEXIST) {
            continue;
        }
        return QString::fromLocal8Bit(std::strerror(errno));
    }
    struct stat info { };
    if (::stat(folder.c_str(), &info) != 0) {
        return QString::fromLocal8Bit(std::strerror(errno));
    }
    if (!S_ISDIR(info.st_mode)) {
        return QString::fromLocal8Bit(std::strerror(ENOTDIR));
    }
    return std::nullopt;
}

// The database is made before SQLite opens it so that it, and the -wal and
// -shm files SQLite then gives the same mode, are the user's alone. An
// existing file is left as it is.
void createPrivateFile(const std::filesystem::path &file)
{
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::close(fd);
    }
}

// "history-damaged-2026-12-08-100005.sqlite" beside "history.sqlite": what
// it is and since when, and still opened by anything that opens databases.
QString setAsideName(const QString &path, Timestamp at)
{
    const QFileInfo file(path);
    const QString stamp
        = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(at * 1000)).toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
    const QString base = file.dir().filePath(file.completeBaseName() + QStringLiteral("-damaged-") + stamp);
    const QString suffix = file.suffix().isEmpty() ? QString() : QLatin1Char('.') + file.suffix();
    QString name = base + suffix;
    for (int n = 2; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++n) {
        name = base + QLatin1Char('-') + QString::number(n) + suffix;
    }
    return name;
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
        unlockLocked();
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
    // Earlier versions made the folder readable by every local user, who
    // could see each process name and when the machine was in use. Only a
    // folder of this user's own is changed, once per start.
    const QByteArray folder = QFile::encodeName(QFileInfo(defaultPath()).path());
    struct stat info { };
    if (::lstat(folder.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid()
        && (info.st_mode & 077) != 0) {
        ::chmod(folder.constData(), info.st_mode & 07700);
    }
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

std::optional<HistoryStore::SetAside> HistoryStore::setAside() const
{
    const std::lock_guard guard(m_errorMutex);
    return m_setAside;
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

void HistoryStore::unlockLocked()
{
    if (m_lockFd >= 0) {
        ::close(m_lockFd);
        m_lockFd = -1;
    }
}

void HistoryStore::reopenLocked()
{
    closeLocked();
    unlockLocked();
    // The read connection still holds the old file open; the next query
    // must read the new one.
    m_reads.reset();
    open();
}

bool HistoryStore::fileMovedLocked() const
{
    int moved = 0;
    return m_db && sqlite3_file_control(m_db, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved != 0;
}

bool HistoryStore::startAfreshLocked(const QString &reason)
{
    closeLocked();
    m_reads.reset();
    m_settingAside = true;
    const bool moved = setAsideLocked(reason);
    if (moved) {
        open();
    }
    m_settingAside = false;
    return moved;
}

// The damaged file and its companions keep one name, so that the database
// and its log still open together for anyone trying to save what is in it.
bool HistoryStore::setAsideLocked(const QString &reason)
{
    const Timestamp at = m_clock.now();
    const QString keptAs = setAsideName(m_path, at);
    if (::rename(QFile::encodeName(m_path).constData(), QFile::encodeName(keptAs).constData()) != 0) {
        return false; // a read-only folder: reported as it is, and retried
    }
    for (const QString &companion : { QStringLiteral("-wal"), QStringLiteral("-shm") }) {
        ::rename(QFile::encodeName(m_path + companion).constData(), QFile::encodeName(keptAs + companion).constData());
    }
    {
        const std::lock_guard guard(m_errorMutex);
        m_setAside = SetAside { keptAs, reason, at };
    }
    qWarning().noquote() << QStringLiteral("History: %1 was damaged (%2). It is kept as %3, and a new history "
                                           "has been started.")
                                .arg(m_path, reason, keptAs);
    Q_EMIT setAsideChanged();
    return true;
}

// Folds the log into the database file and truncates it. A reader in the
// middle of a transaction (an export) holds that up; the store then tries
// again at the next flush without waiting.
bool HistoryStore::checkpointLocked(int busyMs)
{
    if (!m_writable) {
        return false;
    }
    sqlite3_busy_timeout(m_db, busyMs);
    const int result = sqlite3_wal_checkpoint_v2(m_db, "main", SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
    sqlite3_busy_timeout(m_db, busyTimeoutMs);
    m_checkpointPending = result != SQLITE_OK;
    return result == SQLITE_OK;
}

bool HistoryStore::compactLocked(int busyMs, QString &why, int &code)
{
    // In WAL mode the vacuum itself goes through the log, so it is folded in
    // before and after.
    const bool done = checkpointLocked(busyMs) && sqlite3_exec(m_db, "VACUUM", nullptr, nullptr, nullptr) == SQLITE_OK
        && checkpointLocked(busyMs);
    if (!done) {
        why = QString::fromUtf8(sqlite3_errmsg(m_db));
        code = sqlite3_extended_errcode(m_db);
    }
    m_compactPending = !done;
    return done;
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
    const std::filesystem::path file(QFile::encodeName(m_path).toStdString());
    if (file.has_parent_path()) {
        if (const std::optional<QString> problem = makePrivateFolders(file.parent_path())) {
            setOpenError(problem);
            return;
        }
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
    createPrivateFile(file);
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
    int scriptCode = SQLITE_OK;
    if (sqlite3_exec(db, openingScript, nullptr, nullptr, nullptr) != SQLITE_OK) {
        scriptError = QString::fromUtf8(sqlite3_errmsg(db));
        scriptCode = sqlite3_extended_errcode(db);
    }
    // The gap query's window functions build a temporary table of the whole
    // range; kept in memory it costs about a tenth less than in a temp file.
    sqlite3_exec(db, "PRAGMA temp_store=MEMORY", nullptr, nullptr, nullptr);

    // Databases from before these readings were recorded lack their
    // columns; their old rows keep NULL there.
    const std::set<std::string> present = HistoryQueries::sampleColumns(db);
    for (const AddedColumn &added : addedColumns) {
        if (!present.count(added.name)) {
            sqlite3_exec(db, added.alter, nullptr, nullptr, nullptr);
        }
    }

    sqlite3_prepare_v2(db, insertSampleSQL, -1, &insertSample, nullptr);
    sqlite3_prepare_v2(db, insertProcSQL, -1, &insertProc, nullptr);
    sqlite3_prepare_v2(db, insertEventSQL, -1, &insertEvent, nullptr);

    // SQLite quietly falls back to reading a file it may not write. The past
    // stays readable through this connection; nothing new can be stored.
    const bool readOnly = sqlite3_db_readonly(db, "main") == 1;
    // A read-only file from before the newest columns could not be given
    // them, so the sample insert cannot be prepared; its tables are ours and
    // its past is still there to read.
    const bool readOnlyOlderFile = readOnly && insertProc && insertEvent;
    // A file that is not a database opens without complaint but can never
    // take a sample. It is kept aside under a name that says so, and a new
    // history starts in its place; where it cannot be moved (a read-only
    // folder) the reason is shown instead of an empty chart.
    if ((!insertSample || !insertProc || !insertEvent) && !readOnlyOlderFile) {
        const QString why = scriptError.value_or(QString::fromUtf8(sqlite3_errmsg(db)));
        const int code = scriptError ? scriptCode : sqlite3_extended_errcode(db);
        discard();
        if (isDamage(code) && !m_settingAside && startAfreshLocked(why)) {
            return;
        }
        setOpenError(why);
        return;
    }
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

void HistoryStore::finish()
{
    m_queue.sync([this] {
        flushLocked();
        if (!m_writable || checkpointLocked(checkpointWaitMs)) {
            return;
        }
        // A copy of the file alone would miss them; that must not go unsaid.
        const QString why = isBusy(sqlite3_extended_errcode(m_db))
            ? QStringLiteral("another program is reading the history")
            : QString::fromUtf8(sqlite3_errmsg(m_db));
        const QString file = QFileInfo(m_path).fileName();
        qWarning().noquote() << QStringLiteral("History: the newest readings are still in %1-wal, not yet in %1 "
                                               "itself (%2); a copy of %1 alone lacks them until a later stop "
                                               "folds them in (%3).")
                                    .arg(file, why, m_path);
    });
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

std::optional<HistoryRetention::Loss> HistoryStore::retentionLoss(int days)
{
    std::optional<HistoryRetention::Loss> loss;
    const Timestamp now = m_clock.now();
    m_reads.run([&](sqlite3 *db) {
        if (db) {
            loss = HistoryRetention::loss(db, now, days);
        }
    });
    return loss;
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
    bindNumber(s, 15, snapshot.sensors ? snapshot.sensors->cpuCelsius : std::nullopt);
    bindNumber(s, 16, snapshot.sensors ? snapshot.sensors->fastestFanRpm() : std::nullopt);
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
bool HistoryStore::writeBatchLocked(QString &why, int &code)
{
    const auto fail = [this, &why, &code] {
        why = QString::fromUtf8(sqlite3_errmsg(m_db));
        code = sqlite3_extended_errcode(m_db);
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
    // Deleting the data folder (or the file) under a running program leaves
    // it writing into a file nobody can reach; make a new one where it was.
    if (m_writable && fileMovedLocked()) {
        qWarning().noquote() << QStringLiteral("History: %1 was removed while Voltmere was recording into it; "
                                               "a new one has been started there.")
                                    .arg(m_path);
        reopenLocked();
    }
    // Whatever kept the database from opening (a full disk, a busy lock, a
    // file made read-only) may be gone by now.
    if (!m_writable) {
        open();
    }
    if (!m_writable) {
        trimPendingLocked();
        return;
    }
    if (m_compactPending) {
        QString why;
        int code = SQLITE_OK;
        if (compactLocked(0, why, code)) {
            qWarning().noquote() << "History: the file no longer holds the deleted readings:" << m_path;
        }
    } else if (m_checkpointPending) {
        checkpointLocked(0);
    }
    if (m_pending.empty() && m_pendingEvents.empty()) {
        return;
    }
    QString why;
    int code = SQLITE_OK;
    bool written = writeBatchLocked(why, code);
    // Damage found while writing: the batch goes into a new file instead.
    if (!written && isDamage(code) && startAfreshLocked(why)) {
        written = m_writable && writeBatchLocked(why, code);
    }
    if (!written) {
        trimPendingLocked();
        setWriteError(why);
        return;
    }
    // clear() keeps the storage for reuse.
    m_pending.clear();
    m_pendingEvents.clear();
    setWriteError(std::nullopt);
    // While the clock looks wrong, every flush looks again, so readings it
    // dated ahead go as soon as it is put right.
    if (awake - m_lastPrune > pruneIntervalSeconds || m_clockJump) {
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
    const double keep = m_retentionDays * HistoryRetention::secondsPerDay;
    // The same condition on all three tables; the readings removed, or the
    // failure's code.
    struct Removal {
        int result = SQLITE_OK;
        int readings = 0;
    };
    const auto removeWhere = [this](const std::string &condition) {
        Removal removal;
        for (const char *table : { "sample", "proc", "event" }) {
            const std::string statement = std::string("DELETE FROM ") + table + " WHERE " + condition;
            removal.result = sqlite3_exec(m_db, statement.c_str(), nullptr, nullptr, nullptr);
            if (removal.result != SQLITE_OK) {
                break;
            }
            if (std::strcmp(table, "sample") == 0) {
                removal.readings = sqlite3_changes(m_db);
            }
        }
        return removal;
    };

    // The clock is back within the retention of the readings before a jump
    // it made: what it dated after the jump was dated wrongly, and would
    // otherwise sit in the record, weeks ahead, until the real time came.
    Removal ahead;
    if (m_clockJump && now - m_clockJump->before <= keep) {
        ahead = removeWhere("ts >= " + sqlNumber(m_clockJump->after));
        if (ahead.readings > 0) {
            qWarning().noquote() << QStringLiteral("History: the clock went back %1; %2 readings it had dated "
                                                   "while it was ahead were removed.")
                                        .arg(HistoryRetention::amount(m_clockJump->after - now))
                                        .arg(ahead.readings);
        }
        m_clockJump.reset();
    }

    const std::optional<HistoryRetention::Cutoff> found = HistoryRetention::cutoff(m_db, now, m_retentionDays);
    if (!found) {
        // Without the stored rows to check it against, the clock is all
        // there is, and a wrong one would take the whole record.
        const QString why = QString::fromUtf8(sqlite3_errmsg(m_db));
        if (!m_pruneSkipped) {
            m_pruneSkipped = true;
            qWarning().noquote() << QStringLiteral("History: old readings are not removed for now, the newest "
                                                   "stored ones could not be read (%1); tried again later.")
                                        .arg(why);
        }
        if (isDamage(sqlite3_extended_errcode(m_db))) {
            startAfreshLocked(why);
        }
        return;
    }
    m_pruneSkipped = false;
    const HistoryRetention::Cutoff &cut = *found;
    if (cut.heldBackAt) {
        if (!m_clockJump || m_clockJump->before != *cut.heldBackAt) {
            m_clockJump = ClockJump { *cut.heldBackAt, *cut.heldBackAt + cut.jumpSeconds };
        }
        if (m_reportedJump != cut.heldBackAt) {
            m_reportedJump = cut.heldBackAt;
            qWarning().noquote() << QStringLiteral("History: the clock reads %1 past the newest stored reading, "
                                                   "more than the %2 kept. In case the clock is wrong, nothing "
                                                   "older is removed until %2 have been recorded after it.")
                                        .arg(HistoryRetention::amount(cut.jumpSeconds), HistoryRetention::amount(keep));
        }
    } else {
        m_clockJump.reset();
    }
    const Removal pruned = removeWhere("ts < " + sqlNumber(cut.at));
    const int failure = ahead.result != SQLITE_OK ? ahead.result : pruned.result;
    if (isDamage(failure)) {
        // Found in pages only the prune reaches; later readings go into a
        // new file.
        startAfreshLocked(QString::fromUtf8(sqlite3_errstr(failure)));
        return;
    }
    // A large prune leaves the log at its peak size, with the removed
    // readings still in it; bring it back to nothing.
    if (pruned.readings > 0 || ahead.readings > 0) {
        checkpointLocked(0);
    }
}

HistoryStore::DeleteResult HistoryStore::deleteAll()
{
    DeleteResult result;
    m_queue.sync([this, &result] {
        if (!m_writable) {
            open();
        }
        if (!m_writable) {
            result.problem = openError().value_or(QStringLiteral("the history isn't open"));
            return;
        }
        // All three tables or none: a part deleted would leave processes
        // without their samples, and be reported as done.
        const auto run
            = [this](const char *sql) { return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; };
        const bool deleted = run("BEGIN IMMEDIATE") && run("DELETE FROM sample") && run("DELETE FROM proc")
            && run("DELETE FROM event") && run("COMMIT");
        if (!deleted) {
            result.problem = QString::fromUtf8(sqlite3_errmsg(m_db));
            result.busy = isBusy(sqlite3_extended_errcode(m_db));
            if (!sqlite3_get_autocommit(m_db)) {
                run("ROLLBACK");
            }
            return; // the unsaved readings stay for the next flush
        }
        result.deleted = true;
        m_pending.clear();
        m_pendingEvents.clear();
        for (sqlite3_stmt *statement : { m_insertSample, m_insertProc, m_insertEvent }) {
            if (statement) {
                sqlite3_reset(statement);
            }
        }
        // Until the log is folded in and the file vacuumed, the old readings
        // are still in the main file, and a copy of it would show them.
        QString why;
        int code = SQLITE_OK;
        if (!compactLocked(checkpointWaitMs, why, code)) {
            result.problem = why;
            result.busy = isBusy(code);
        }
    });
    // Said here as well as beside the button: the window may be gone.
    if (!result.deleted) {
        qWarning().noquote() << "History could not be deleted, nothing was removed:"
                             << result.problem.value_or(QStringLiteral("unknown error"))
                             << QStringLiteral("(%1)").arg(m_path);
    } else if (result.problem) {
        qWarning().noquote() << "History deleted, but the file still holds the old readings:" << *result.problem
                             << QStringLiteral("(%1)").arg(m_path);
    }
    Q_EMIT deleteFinished(result);
    return result;
}

std::int64_t HistoryStore::fileSize() const
{
    // QFileInfo reports 0 for a missing file; the -shm file is not history.
    return QFileInfo(m_path).size() + QFileInfo(m_path + QStringLiteral("-wal")).size();
}

} // namespace voltmere
