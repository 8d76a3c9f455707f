#include "history/HistoryQueries.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>

namespace voltmere::HistoryQueries {

namespace {

// Both aggregates run in SQLite: one grouped pass over the range returns at
// most buckets + 1 rows. With exactly one MAX() in the statement, SQLite
// reports the bare `ts` of the row holding the maximum, which is `maxAt`.
std::string bucketSQL(const char *column)
{
    return std::string("SELECT CAST((ts - ?1) / ?3 AS INTEGER) AS b, AVG(") + column + "), MAX(" + column
        + "), ts, AVG(COALESCE(plugged, 0)), COUNT(*)\nFROM sample WHERE ts >= ?1 AND ts <= ?2 AND " + column
        + " IS NOT NULL GROUP BY b ORDER BY b";
}

// Pairs each sample in the range with its predecessor in the range, so the
// first sample has none and no gap reaches outside the range.
constexpr const char *gapSQL
    = "SELECT prev, ts, prev_awake, awake FROM (\n"
      "    SELECT ts, awake, LAG(ts) OVER (ORDER BY ts) AS prev, LAG(awake) OVER (ORDER BY ts) AS prev_awake\n"
      "    FROM sample WHERE ts >= ?1 AND ts <= ?2)\n"
      "WHERE prev IS NOT NULL AND ts - prev > ?3";
constexpr const char *eventKindsSQL = "SELECT DISTINCT kind FROM event WHERE ts >= ? AND ts <= ?";
constexpr const char *nearestSampleSQL
    = "SELECT ts FROM sample WHERE ts BETWEEN ?1 - 15 AND ?1 + 15 ORDER BY ABS(ts - ?1) LIMIT 1";
constexpr const char *processesAtSQL = "SELECT pid, name, cpu FROM proc WHERE ts = ? ORDER BY rank";

// The `ts` index gives the rowids of the range without touching the table;
// the table is then read in rowid order, which is far cheaper than one
// lookup per index entry. The writer appends in time order, so the rows of a
// range are usually one contiguous run of rowids.
constexpr const char *rowidSpanSQL = "SELECT MIN(rowid), MAX(rowid) FROM sample WHERE ts >= ?1 AND ts <= ?2";
// The unary plus keeps SQLite from choosing the `ts` index over the rowid
// range.
std::string rangeScanSQL(const char *column)
{
    return std::string("SELECT ts, ") + column
        + ", plugged, awake FROM sample WHERE rowid BETWEEN ?3 AND ?4 AND +ts >= ?1 AND +ts <= ?2";
}

// Events within a second of a gap's edges still explain it.
constexpr double eventMarginSeconds = 1;

std::optional<double> columnNumber(sqlite3_stmt *statement, int index)
{
    if (sqlite3_column_type(statement, index) == SQLITE_NULL) {
        return std::nullopt;
    }
    return sqlite3_column_double(statement, index);
}

// The awake clock stops while the machine sleeps: when it advanced by much
// less than the wall clock, the machine was asleep for the difference. A
// clock that went backwards (a restart) proves nothing.
bool awakeClockShowsSleep(double duration, std::optional<double> prevAwake, std::optional<double> awake)
{
    if (!prevAwake || !awake || *prevAwake > *awake || duration <= 0) {
        return false;
    }
    const double missing = duration - (*awake - *prevAwake);
    return missing > std::max(duration * 0.5, 10.0);
}

HistoryGap::Reason classify(
    double duration, std::optional<double> prevAwake, std::optional<double> awake, const std::set<std::string> &kinds)
{
    if (awakeClockShowsSleep(duration, prevAwake, awake) || kinds.count("sleep") || kinds.count("wake")) {
        return HistoryGap::Reason::asleep;
    }
    if (kinds.count("start") || kinds.count("stop")) {
        return HistoryGap::Reason::notRunning;
    }
    return HistoryGap::Reason::noReadings;
}

// Two consecutive samples more than 20 s apart.
struct Hole {
    double prev;
    double ts;
    std::optional<double> prevAwake;
    std::optional<double> awake;
};

// One event lookup per hole, on the event_ts index, prepared once. A failed
// lookup leaves the hole to the awake test.
std::vector<HistoryGap> classifyHoles(sqlite3 *db, const std::vector<Hole> &holes)
{
    if (holes.empty()) {
        return {};
    }
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, eventKindsSQL, -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        statement = nullptr;
    }
    std::vector<HistoryGap> result;
    result.reserve(holes.size());
    for (const Hole &hole : holes) {
        std::set<std::string> kinds;
        if (statement) {
            sqlite3_bind_double(statement, 1, hole.prev - eventMarginSeconds);
            sqlite3_bind_double(statement, 2, hole.ts + eventMarginSeconds);
            while (sqlite3_step(statement) == SQLITE_ROW) {
                if (const auto *text = sqlite3_column_text(statement, 0)) {
                    kinds.insert(reinterpret_cast<const char *>(text));
                }
            }
            sqlite3_reset(statement);
        }
        result.push_back({ hole.prev, hole.ts, classify(hole.ts - hole.prev, hole.prevAwake, hole.awake, kinds) });
    }
    sqlite3_finalize(statement);
    return result;
}

// A line through consecutive buckets breaks exactly where a gap wider than
// one bucket lies between them; shorter gaps stay joined.
void numberSegments(HistorySeries &series)
{
    std::vector<const HistoryGap *> longGaps;
    for (const HistoryGap &gap : series.gaps) {
        if (gap.end - gap.start > series.bucketSeconds) {
            longGaps.push_back(&gap);
        }
    }
    std::size_t k = 0;
    for (HistoryBucket &bucket : series.buckets) {
        while (k < longGaps.size() && longGaps[k]->end <= bucket.start + series.bucketSeconds) {
            ++k;
        }
        bucket.segment = static_cast<int>(k);
    }
}

// A bucket count below one would divide by zero; it means "one".
double bucketWidth(Timestamp from, Timestamp to, int buckets)
{
    return std::max((to - from) / std::max(buckets, 1), 1.0);
}

// One sample of the range as the pass needs it.
struct Row {
    double ts;
    std::optional<double> value;
    double plugged;
    std::optional<double> awake;
};

// Every sample in [from, to] in time order, or nothing when a row holds
// something other than a number or NULL where the pass reads one (never
// written by this program; the statements' type rules then decide) or a step
// fails.
std::optional<std::vector<Row>> readRange(sqlite3 *db, const char *column, Timestamp from, Timestamp to)
{
    std::vector<Row> rows;
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, rowidSpanSQL, -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return std::nullopt;
    }
    sqlite3_bind_double(statement, 1, from);
    sqlite3_bind_double(statement, 2, to);
    if (sqlite3_step(statement) != SQLITE_ROW) {
        sqlite3_finalize(statement);
        return std::nullopt;
    }
    if (sqlite3_column_type(statement, 0) == SQLITE_NULL) {
        sqlite3_finalize(statement);
        return rows; // no sample in the range
    }
    const sqlite3_int64 first = sqlite3_column_int64(statement, 0);
    const sqlite3_int64 last = sqlite3_column_int64(statement, 1);
    sqlite3_finalize(statement);

    statement = nullptr;
    const std::string sql = rangeScanSQL(column);
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return std::nullopt;
    }
    sqlite3_bind_double(statement, 1, from);
    sqlite3_bind_double(statement, 2, to);
    sqlite3_bind_int64(statement, 3, first);
    sqlite3_bind_int64(statement, 4, last);
    rows.reserve(static_cast<std::size_t>(std::min<sqlite3_int64>(last - first + 1, 1 << 20)));
    const auto isNumber = [](int type) { return type == SQLITE_FLOAT || type == SQLITE_INTEGER; };
    bool inOrder = true;
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        const int valueType = sqlite3_column_type(statement, 1);
        const int pluggedType = sqlite3_column_type(statement, 2);
        if (sqlite3_column_type(statement, 0) != SQLITE_FLOAT && sqlite3_column_type(statement, 0) != SQLITE_INTEGER) {
            break;
        }
        if ((valueType != SQLITE_NULL && !isNumber(valueType)) || (pluggedType != SQLITE_NULL && !isNumber(pluggedType))
            || (sqlite3_column_type(statement, 3) != SQLITE_NULL && !isNumber(sqlite3_column_type(statement, 3)))) {
            break;
        }
        Row row { sqlite3_column_double(statement, 0), columnNumber(statement, 1),
            pluggedType == SQLITE_NULL ? 0.0 : sqlite3_column_double(statement, 2), columnNumber(statement, 3) };
        inOrder = inOrder && (rows.empty() || rows.back().ts < row.ts);
        rows.push_back(row);
    }
    sqlite3_finalize(statement);
    if (rc != SQLITE_DONE) {
        return std::nullopt;
    }
    // Rows written out of time order (a clock set back, a replaced sample)
    // sit elsewhere in rowid order; `ts` is the key, so sorting restores the
    // one order the statements see.
    if (!inOrder) {
        std::sort(rows.begin(), rows.end(), [](const Row &a, const Row &b) { return a.ts < b.ts; });
    }
    return rows;
}

std::vector<Hole> holesIn(const std::vector<Row> &rows)
{
    std::vector<Hole> holes;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        if (rows[i].ts - rows[i - 1].ts > minimumGapSeconds) {
            holes.push_back({ rows[i - 1].ts, rows[i].ts, rows[i - 1].awake, rows[i].awake });
        }
    }
    return holes;
}

} // namespace

HistorySeries load(sqlite3 *db, HistoryMetric metric, Timestamp from, Timestamp to, int buckets)
{
    const double bucketSeconds = bucketWidth(from, to, buckets);
    const std::optional<std::vector<Row>> rows = readRange(db, column(metric), from, to);
    if (!rows) {
        return loadByStatements(db, metric, from, to, buckets);
    }
    HistorySeries series;
    series.bucketSeconds = bucketSeconds;

    // The grouped statement's rules, kept exactly: the bucket number is the
    // truncated quotient; AVG adds the values in time order in one double and
    // divides by the count; MAX replaces its best only on a strictly larger
    // value, so `maxAt` is the earliest sample holding the maximum.
    std::int64_t index = 0;
    double sum = 0;
    double pluggedSum = 0;
    int count = 0;
    HistoryBucket bucket;
    const auto close = [&] {
        if (count > 0) {
            bucket.start = from + bucketSeconds * static_cast<double>(index);
            bucket.avg = sum / static_cast<double>(count);
            bucket.pluggedFraction = pluggedSum / static_cast<double>(count);
            series.buckets.push_back(bucket);
            series.sampleCount += count;
        }
    };
    for (const Row &row : *rows) {
        if (!row.value) {
            continue;
        }
        const auto rowIndex = static_cast<std::int64_t>((row.ts - from) / bucketSeconds);
        if (count == 0 || rowIndex != index) {
            close();
            index = rowIndex;
            sum = 0;
            pluggedSum = 0;
            count = 0;
            bucket = HistoryBucket {};
            bucket.max = *row.value;
            bucket.maxAt = row.ts;
        } else if (*row.value > bucket.max) {
            bucket.max = *row.value;
            bucket.maxAt = row.ts;
        }
        sum += *row.value;
        pluggedSum += row.plugged;
        ++count;
    }
    close();

    series.gaps = classifyHoles(db, holesIn(*rows));
    numberSegments(series);
    return series;
}

std::vector<HistoryGap> gaps(sqlite3 *db, Timestamp from, Timestamp to)
{
    // Any metric column will do: only the times and the awake clock are read.
    const std::optional<std::vector<Row>> rows = readRange(db, column(HistoryMetric::cpu), from, to);
    if (!rows) {
        return gapsByStatements(db, from, to);
    }
    return classifyHoles(db, holesIn(*rows));
}

HistorySeries loadByStatements(sqlite3 *db, HistoryMetric metric, Timestamp from, Timestamp to, int buckets)
{
    HistorySeries series;
    const double bucketSeconds = bucketWidth(from, to, buckets);
    series.bucketSeconds = bucketSeconds;

    const std::string sql = bucketSQL(column(metric));
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
        sqlite3_bind_double(statement, 1, from);
        sqlite3_bind_double(statement, 2, to);
        sqlite3_bind_double(statement, 3, bucketSeconds);
        int rc;
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
            const auto index = sqlite3_column_int64(statement, 0);
            HistoryBucket bucket;
            bucket.start = from + bucketSeconds * static_cast<double>(index);
            bucket.avg = sqlite3_column_double(statement, 1);
            bucket.max = sqlite3_column_double(statement, 2);
            bucket.maxAt = sqlite3_column_double(statement, 3);
            bucket.pluggedFraction = sqlite3_column_double(statement, 4);
            series.buckets.push_back(bucket);
            series.sampleCount += sqlite3_column_int(statement, 5);
        }
        // A scan that failed part-way has no trustworthy buckets.
        if (rc != SQLITE_DONE) {
            series.buckets.clear();
            series.sampleCount = 0;
        }
    }
    sqlite3_finalize(statement);
    series.gaps = gapsByStatements(db, from, to);
    numberSegments(series);
    return series;
}

std::vector<HistoryGap> gapsByStatements(sqlite3 *db, Timestamp from, Timestamp to)
{
    std::vector<Hole> holes;
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, gapSQL, -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return {};
    }
    sqlite3_bind_double(statement, 1, from);
    sqlite3_bind_double(statement, 2, to);
    sqlite3_bind_double(statement, 3, minimumGapSeconds);
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        holes.push_back({ sqlite3_column_double(statement, 0), sqlite3_column_double(statement, 1),
            columnNumber(statement, 2), columnNumber(statement, 3) });
    }
    sqlite3_finalize(statement);
    if (rc != SQLITE_DONE) {
        return {};
    }
    return classifyHoles(db, holes);
}

std::optional<ProcessesNear> processesNear(sqlite3 *db, Timestamp near)
{
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, nearestSampleSQL, -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return std::nullopt;
    }
    sqlite3_bind_double(statement, 1, near);
    if (sqlite3_step(statement) != SQLITE_ROW) {
        sqlite3_finalize(statement);
        return std::nullopt;
    }
    const double t = sqlite3_column_double(statement, 0);
    sqlite3_finalize(statement);

    std::vector<ProcessCPU> list;
    statement = nullptr;
    if (sqlite3_prepare_v2(db, processesAtSQL, -1, &statement, nullptr) == SQLITE_OK) {
        sqlite3_bind_double(statement, 1, t);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            ProcessCPU process;
            process.pid = static_cast<std::int32_t>(sqlite3_column_int(statement, 0));
            // A NULL name never comes from our own writer; read it as empty.
            if (const auto *name = sqlite3_column_text(statement, 1)) {
                process.name
                    = QString::fromUtf8(reinterpret_cast<const char *>(name), sqlite3_column_bytes(statement, 1));
            }
            process.cpu = sqlite3_column_double(statement, 2);
            list.push_back(std::move(process));
        }
    }
    sqlite3_finalize(statement);
    return ProcessesNear { t, std::move(list) };
}

} // namespace voltmere::HistoryQueries
