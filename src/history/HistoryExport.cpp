#include "history/HistoryExport.h"

#include "history/HistoryGapRules.h"
#include "history/HistoryQueries.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QSaveFile>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>
#include <set>
#include <string>
#include <vector>

namespace voltmere {

namespace HistoryExport {

namespace {

// Same threshold as the history's own gap query.
constexpr double minimumGapSeconds = 20;
// Rows between progress reports, and bytes gathered before each write.
constexpr std::int64_t progressEveryRows = 4096;
constexpr std::size_t writeChunkBytes = 64 * 1024;

constexpr const char *eventKindsSQL = "SELECT DISTINCT kind FROM event WHERE ts >= ? AND ts <= ?";
constexpr const char *firstSQL = "SELECT ts FROM sample WHERE ts >= ?1 AND ts < ?2 ORDER BY ts LIMIT 1";
constexpr const char *lastSQL = "SELECT ts FROM sample WHERE ts >= ?1 AND ts < ?2 ORDER BY ts DESC LIMIT 1";

// The columns of the file in order: the metrics before the gap column, then
// those that follow it. Metrics recorded since a later version (the
// processor's temperature, the fastest fan) come after the gap column when
// every metric is exported, so files read by column position keep their
// layout.
struct Columns {
    std::vector<HistoryMetric> beforeGap;
    std::vector<HistoryMetric> afterGap;
};

bool addedLater(HistoryMetric metric)
{
    return metric == HistoryMetric::cpuTemperature || metric == HistoryMetric::fanSpeed;
}

Columns columnsOf(const Request &request)
{
    if (request.metric) {
        return { { *request.metric }, {} };
    }
    Columns columns;
    for (HistoryMetric metric : allHistoryMetrics) {
        (addedLater(metric) ? columns.afterGap : columns.beforeGap).push_back(metric);
    }
    return columns;
}

// A database written by an older version lacks the columns added since (the
// awake clock, the sensors) until this version has written to it, and the
// export never changes the file: their values read as absent.
std::string rowsSQL(const Columns &columns, const std::set<std::string> &present)
{
    const auto selected = [&](const char *name) { return present.count(name) ? std::string(name) : "NULL"; };
    std::string sql = "SELECT ts, " + selected("awake");
    for (const auto *list : { &columns.beforeGap, &columns.afterGap }) {
        for (HistoryMetric metric : *list) {
            sql += ", " + selected(column(metric));
        }
    }
    sql += " FROM sample WHERE ts >= ?1 AND ts < ?2 ORDER BY ts";
    return sql;
}

// A number, or nothing. The program stores only numbers and NULL, but a
// database from elsewhere may hold text or blobs, which SQLite would read as
// 0; text is a number only when all of it is one.
std::optional<double> columnNumber(sqlite3_stmt *statement, int index)
{
    switch (sqlite3_column_type(statement, index)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        return sqlite3_column_double(statement, index);
    case SQLITE_TEXT: {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, index));
        const char *end = text + sqlite3_column_bytes(statement, index);
        double value = 0;
        const auto [stop, error] = std::from_chars(text, end, value);
        if (error == std::errc() && stop == end && stop != text) {
            return value;
        }
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

void appendDigits(std::string &out, long long value, int width)
{
    char digits[24];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0 || n < width);
    while (n > 0) {
        out += digits[--n];
    }
}

long long floorDiv(long long a, long long b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

// Writes "2026-12-08T10:00:05.250+01:00". Milliseconds keep samples taken
// within the same second apart; the offset is the one in force at that
// moment, so rows on both sides of a daylight-saving change read correctly.
//
// Asking the C library for every row costs more than the rest of the export,
// so the offset is asked once per quarter hour: where both ends of the
// quarter agree, no transition lies inside it (zones change at most a few
// times a year); where they differ, each moment is asked. The date then
// follows by arithmetic on days since 1970.
class LocalTimeWriter {
public:
    // Writes nothing for a time outside the years 1970 to 9999 (local), which
    // no sample of this program has and ISO 8601 cannot write in four digits.
    void append(std::string &out, double ts)
    {
        // A day of margin either side for the zone's offset; the year is
        // checked exactly below.
        if (!(ts >= -86400.0 && ts < 253402300800.0 + 86400.0)) {
            return;
        }
        const auto totalMs = static_cast<long long>(std::floor(ts * 1000.0));
        const long long seconds = floorDiv(totalMs, 1000);
        const long long millis = totalMs - seconds * 1000;
        const long long quarter = floorDiv(seconds, quarterSeconds) * quarterSeconds;
        if (quarter != m_quarter) {
            m_quarter = quarter;
            m_offset = offsetAt(quarter);
            m_uniform = m_offset == offsetAt(quarter + quarterSeconds - 1);
        }
        const long offset = m_uniform ? m_offset : offsetAt(seconds);

        const long long local = seconds + offset;
        const long long days = floorDiv(local, 86400);
        const long long ofDay = local - days * 86400;
        // Days since 1970 to a civil date (the proleptic Gregorian calendar).
        const long long z = days + 719468;
        const long long era = floorDiv(z, 146097);
        const long long dayOfEra = z - era * 146097;
        const long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
        const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
        const long long mp = (5 * dayOfYear + 2) / 153;
        const long long day = dayOfYear - (153 * mp + 2) / 5 + 1;
        const long long month = mp < 10 ? mp + 3 : mp - 9;
        const long long year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
        if (year < 1970 || year > 9999) {
            return;
        }

        appendDigits(out, year, 4);
        out += '-';
        appendDigits(out, month, 2);
        out += '-';
        appendDigits(out, day, 2);
        out += 'T';
        appendDigits(out, ofDay / 3600, 2);
        out += ':';
        appendDigits(out, ofDay / 60 % 60, 2);
        out += ':';
        appendDigits(out, ofDay % 60, 2);
        out += '.';
        appendDigits(out, millis, 3);
        // Offsets with seconds (local mean time before 1900) have no ISO
        // form; the minutes are what readers of the file expect.
        const long offsetMinutes = offset / 60;
        out += offsetMinutes < 0 ? '-' : '+';
        const long absOffset = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
        appendDigits(out, absOffset / 60, 2);
        out += ':';
        appendDigits(out, absOffset % 60, 2);
    }

private:
    static constexpr long long quarterSeconds = 900;

    static long offsetAt(long long seconds)
    {
        const auto when = static_cast<std::time_t>(seconds);
        std::tm local {};
        localtime_r(&when, &local);
        return local.tm_gmtoff;
    }

    long long m_quarter = std::numeric_limits<long long>::min();
    long m_offset = 0;
    bool m_uniform = false;
};

// The shortest text that reads back as the same double; non-finite values
// are not readings, so they stay empty like absent ones.
void appendNumber(std::string &out, std::optional<double> value)
{
    if (!value || !std::isfinite(*value)) {
        return;
    }
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, *value);
    if (error == std::errc()) {
        out.append(text, end);
    }
}

QString sqliteError(sqlite3 *db)
{
    return QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory");
}

// One read-only connection, closed on every way out.
class Reader {
public:
    explicit Reader(const QString &path)
        : m_path(path)
    {
    }
    ~Reader()
    {
        sqlite3_finalize(m_rows);
        sqlite3_finalize(m_kinds);
        if (m_db) {
            sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
        }
        sqlite3_close(m_db);
    }
    Reader(const Reader &) = delete;
    Reader &operator=(const Reader &) = delete;

    // Nothing when ready, else why not.
    std::optional<QString> open(const Request &request)
    {
        if (!QFileInfo(m_path).isFile()) {
            return QStringLiteral("There is no recorded history at %1.").arg(m_path);
        }
        const QByteArray path = QFile::encodeName(m_path);
        if (sqlite3_open_v2(path.constData(), &m_db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            return QStringLiteral("The history at %1 could not be opened: %2").arg(m_path, sqliteError(m_db));
        }
        // Only the short moments of a checkpoint or a recovery hold readers
        // off; wait them out rather than fail.
        sqlite3_busy_timeout(m_db, 5000);
        // One snapshot for the bounds, the rows and the events, however long
        // the export takes and whatever the program writes meanwhile.
        if (sqlite3_exec(m_db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) {
            return readError();
        }
        const std::string sql = rowsSQL(columnsOf(request), HistoryQueries::sampleColumns(m_db));
        if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &m_rows, nullptr) != SQLITE_OK) {
            return readError();
        }
        // Without the event table gaps are still found, only less precisely
        // explained.
        if (sqlite3_prepare_v2(m_db, eventKindsSQL, -1, &m_kinds, nullptr) != SQLITE_OK) {
            sqlite3_finalize(m_kinds);
            m_kinds = nullptr;
        }
        m_first = bound(firstSQL, request);
        m_last = bound(lastSQL, request);
        sqlite3_bind_double(m_rows, 1, request.from);
        sqlite3_bind_double(m_rows, 2, request.to);
        return std::nullopt;
    }

    QString readError() const
    {
        return QStringLiteral("The history at %1 could not be read: %2").arg(m_path, sqliteError(m_db));
    }

    sqlite3_stmt *rows() const { return m_rows; }
    double first() const { return m_first; }
    double last() const { return m_last; }

    std::set<std::string> eventKinds(double from, double to)
    {
        std::set<std::string> kinds;
        if (!m_kinds) {
            return kinds;
        }
        sqlite3_bind_double(m_kinds, 1, from);
        sqlite3_bind_double(m_kinds, 2, to);
        while (sqlite3_step(m_kinds) == SQLITE_ROW) {
            if (const auto *text = sqlite3_column_text(m_kinds, 0)) {
                kinds.insert(reinterpret_cast<const char *>(text));
            }
        }
        sqlite3_reset(m_kinds);
        return kinds;
    }

private:
    double bound(const char *sql, const Request &request)
    {
        double value = 0;
        sqlite3_stmt *statement = nullptr;
        if (sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr) == SQLITE_OK) {
            sqlite3_bind_double(statement, 1, request.from);
            sqlite3_bind_double(statement, 2, request.to);
            if (sqlite3_step(statement) == SQLITE_ROW) {
                value = sqlite3_column_double(statement, 0);
            }
        }
        sqlite3_finalize(statement);
        return value;
    }

    const QString m_path;
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_rows = nullptr;
    sqlite3_stmt *m_kinds = nullptr;
    double m_first = 0;
    double m_last = 0;
};

QString writeError(const QIODevice &out, const QString &name)
{
    const QString reason = out.errorString().isEmpty() ? QStringLiteral("the write failed") : out.errorString();
    return name.isEmpty() ? QStringLiteral("The export could not be written: %1").arg(reason)
                          : QStringLiteral("%1 could not be written: %2").arg(name, reason);
}

Result stream(const QString &databasePath, const Request &request, QIODevice &out, const Progress &progress,
    const QString &targetName)
{
    Result result;
    Reader reader(databasePath);
    if (const auto error = reader.open(request)) {
        result.error = *error;
        return result;
    }

    const auto put = [&out](std::string &buffer) {
        const bool written = out.write(buffer.data(), static_cast<qint64>(buffer.size()))
            == static_cast<qint64>(buffer.size());
        buffer.clear();
        return written;
    };

    std::string buffer;
    buffer.reserve(writeChunkBytes + 1024);
    buffer += header(request).toStdString();
    buffer += '\n';

    const Columns columns = columnsOf(request);
    const int beforeGap = static_cast<int>(columns.beforeGap.size());
    const int afterGap = static_cast<int>(columns.afterGap.size());
    const double span = reader.last() - reader.first();
    LocalTimeWriter localTime;
    std::optional<double> prevTs;
    std::optional<double> prevAwake;
    sqlite3_stmt *rows = reader.rows();
    int rc;
    while ((rc = sqlite3_step(rows)) == SQLITE_ROW) {
        // A time that is not a number keeps its row (its readings may still
        // be of use) but says nothing about gaps.
        const std::optional<double> time = columnNumber(rows, 0);
        const std::optional<double> awake = columnNumber(rows, 1);
        if (time) {
            localTime.append(buffer, *time);
        }
        for (int i = 0; i < beforeGap; ++i) {
            buffer += ',';
            appendNumber(buffer, columnNumber(rows, i + 2));
        }
        buffer += ',';
        if (time && prevTs && *time - *prevTs > minimumGapSeconds) {
            const auto kinds = reader.eventKinds(*prevTs - gapEventMarginSeconds, *time + gapEventMarginSeconds);
            buffer += rawValue(classifyGap(*time - *prevTs, prevAwake, awake, kinds)).toStdString();
        }
        for (int i = 0; i < afterGap; ++i) {
            buffer += ',';
            appendNumber(buffer, columnNumber(rows, beforeGap + i + 2));
        }
        buffer += '\n';
        if (time) {
            prevTs = time;
            prevAwake = awake;
        }
        ++result.rows;

        if (buffer.size() >= writeChunkBytes && !put(buffer)) {
            result.error = writeError(out, targetName);
            return result;
        }
        if (progress && result.rows % progressEveryRows == 0
            && !progress(
                span > 0 ? std::clamp((prevTs.value_or(reader.first()) - reader.first()) / span, 0.0, 1.0) : 0.0)) {
            result.status = Result::Status::cancelled;
            return result;
        }
    }
    if (rc != SQLITE_DONE) {
        result.error = reader.readError();
        return result;
    }
    // A file's own buffer (standard output's, say) can still fail on its
    // way out, and an export that did not arrive must not count as written.
    auto *file = qobject_cast<QFileDevice *>(&out);
    if (!put(buffer) || (file && !file->flush())) {
        result.error = writeError(out, targetName);
        return result;
    }
    if (progress) {
        progress(1.0);
    }
    result.status = Result::Status::written;
    return result;
}

// Replacing the database (or its journal files) with the export would lose
// the history it came from; replacing its lock would let a second program
// record into it.
bool isDatabaseFile(const QString &databasePath, const QString &target)
{
    const QString targetPath = QFileInfo(target).canonicalFilePath();
    if (targetPath.isEmpty()) {
        return false;
    }
    for (const QString &suffix :
        { QString(), QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral(".lock") }) {
        if (QFileInfo(databasePath + suffix).canonicalFilePath() == targetPath) {
            return true;
        }
    }
    return false;
}

// A link that another user left in a folder everyone may write to and only
// owners may delete from (/tmp): following it would let that user choose
// which of this user's files the export overwrites. The kernel refuses such
// links itself (protected_symlinks), but only when it follows them; the save
// reads the link and writes to its target by name, so the rule is applied
// here, to every link on the way.
std::optional<QString> plantedLink(const QString &target)
{
    QString link = target;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat linkInfo { };
        if (::lstat(QFile::encodeName(link).constData(), &linkInfo) != 0 || !S_ISLNK(linkInfo.st_mode)) {
            return std::nullopt;
        }
        struct stat folder { };
        const QString folderPath = QFileInfo(link).absolutePath();
        if (::stat(QFile::encodeName(folderPath).constData(), &folder) == 0 && (folder.st_mode & S_ISVTX)
            && (folder.st_mode & S_IWOTH) && linkInfo.st_uid != ::geteuid() && linkInfo.st_uid != folder.st_uid) {
            return QStringLiteral("%1 is a link that another user left in the shared folder %2; Voltmere doesn't "
                                  "write through it. Choose another name.")
                .arg(link, folderPath);
        }
        link = QFileInfo(link).symLinkTarget();
    }
    return std::nullopt;
}

// A pipe, a terminal or a device such as /dev/null is written to as it is:
// the temporary file and rename would replace it with a plain file.
Result toSpecialFile(const QString &databasePath, const Request &request, const QString &target,
    const struct stat &info, const Progress &progress)
{
    Result result;
    if (S_ISDIR(info.st_mode)) {
        result.error = QStringLiteral("%1 is a folder; choose a file name.").arg(target);
        return result;
    }
    if (S_ISBLK(info.st_mode)) {
        result.error = QStringLiteral("%1 is a disk device; choose a file.").arg(target);
        return result;
    }
    const int fd = ::open(QFile::encodeName(target).constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        result.error
            = QStringLiteral("%1 could not be written: %2").arg(target, QString::fromLocal8Bit(std::strerror(errno)));
        return result;
    }
    QFile file;
    file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle);
    result = stream(databasePath, request, file, progress, target);
    file.close();
    // Some file systems and devices only report a failed write here.
    if (::close(fd) != 0 && result.ok()) {
        result.status = Result::Status::failed;
        result.error
            = QStringLiteral("%1 could not be written: %2").arg(target, QString::fromLocal8Bit(std::strerror(errno)));
    }
    return result;
}

} // namespace

QString header(const Request &request)
{
    const Columns columns = columnsOf(request);
    QString line = QStringLiteral("time");
    for (HistoryMetric metric : columns.beforeGap) {
        line += QLatin1Char(',') + rawValue(metric);
    }
    line += QStringLiteral(",gap");
    for (HistoryMetric metric : columns.afterGap) {
        line += QLatin1Char(',') + rawValue(metric);
    }
    return line;
}

Result toDevice(const QString &databasePath, const Request &request, QIODevice &out, const Progress &progress)
{
    return stream(databasePath, request, out, progress, QString());
}

Result toFile(const QString &databasePath, const Request &request, const QString &target, const Progress &progress)
{
    Result result;
    if (isDatabaseFile(databasePath, target)) {
        result.error = QStringLiteral("%1 is the history database itself; choose another file.").arg(target);
        return result;
    }
    if (const std::optional<QString> refusal = plantedLink(target)) {
        result.error = *refusal;
        return result;
    }
    struct stat info { };
    if (::stat(QFile::encodeName(target).constData(), &info) == 0 && !S_ISREG(info.st_mode)) {
        return toSpecialFile(databasePath, request, target, info, progress);
    }
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly)) {
        result.error = writeError(file, target);
        return result;
    }
    result = stream(databasePath, request, file, progress, target);
    if (!result.ok()) {
        file.cancelWriting();
        return result;
    }
    if (!file.commit()) {
        result.status = Result::Status::failed;
        result.error = writeError(file, target);
    }
    return result;
}

} // namespace HistoryExport

} // namespace voltmere
