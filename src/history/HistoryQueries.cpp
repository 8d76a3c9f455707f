#include "history/HistoryQueries.h"
#include "history/HistoryGapRules.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <functional>
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

// Every sample of the range, walked on the `ts` index and handed to the
// pass inside SQLite: stepping the statement once per row costs as much
// again as reading the rows.
constexpr const char *passFunction = "voltmere_history_pass";
std::string rangeScanSQL(const char *column)
{
    return std::string("SELECT ") + passFunction + "(ts, " + column
        + ", plugged, awake) FROM sample WHERE ts >= ?1 AND ts <= ?2";
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
        result.push_back({ hole.prev, hole.ts, classifyGap(hole.ts - hole.prev, hole.prevAwake, hole.awake, kinds) });
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

// The receiving end of the pass: rows arrive one aggregate step each.
struct Visitor {
    std::function<void(const Row &)> visit;
    bool usable = true;
    std::optional<double> lastTs;
};

bool isNumberOrNull(sqlite3_value *value)
{
    const int type = sqlite3_value_type(value);
    return type == SQLITE_FLOAT || type == SQLITE_INTEGER || type == SQLITE_NULL;
}

std::optional<double> valueNumber(sqlite3_value *value)
{
    if (sqlite3_value_type(value) == SQLITE_NULL) {
        return std::nullopt;
    }
    return sqlite3_value_double(value);
}

void passStep(sqlite3_context *context, int, sqlite3_value **values)
{
    auto *visitor = static_cast<Visitor *>(sqlite3_user_data(context));
    if (!visitor->usable) {
        return;
    }
    // The rows must come in time order, and hold numbers where the pass
    // reads them; anything else is left to the statements' own rules.
    const double ts = sqlite3_value_double(values[0]);
    if ((visitor->lastTs && !(*visitor->lastTs < ts)) || !isNumberOrNull(values[1]) || !isNumberOrNull(values[2])
        || !isNumberOrNull(values[3])) {
        visitor->usable = false;
        return;
    }
    visitor->lastTs = ts;
    visitor->visit(Row { ts, valueNumber(values[1]),
        sqlite3_value_type(values[2]) == SQLITE_NULL ? 0.0 : sqlite3_value_double(values[2]), valueNumber(values[3]) });
}

void passFinal(sqlite3_context *context)
{
    sqlite3_result_null(context);
}

// Calls `visit` with every sample in [from, to] in time order; false when a
// row holds something other than a number or NULL where the pass reads one
// (never written by this program), when rows do not come in time order, or
// when a step fails. Rows are handed over as they come: a week of samples is
// never held in memory.
bool forEachRow(sqlite3 *db, const char *column, Timestamp from, Timestamp to, std::function<void(const Row &)> visit)
{
    Visitor visitor { std::move(visit), true, std::nullopt };
    if (sqlite3_create_function_v2(
            db, passFunction, 4, SQLITE_UTF8, &visitor, nullptr, passStep, passFinal, nullptr)
        != SQLITE_OK) {
        return false;
    }
    sqlite3_stmt *statement = nullptr;
    const std::string sql = rangeScanSQL(column);
    bool done = false;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
        sqlite3_bind_double(statement, 1, from);
        sqlite3_bind_double(statement, 2, to);
        done = sqlite3_step(statement) == SQLITE_ROW;
    }
    sqlite3_finalize(statement);
    // The function points at this frame; it must not outlive it.
    sqlite3_create_function_v2(db, passFunction, 4, SQLITE_UTF8, nullptr, nullptr, nullptr, nullptr, nullptr);
    return done && visitor.usable;
}

// Collects the holes between consecutive rows as they pass.
class HoleFinder {
public:
    void add(const Row &row)
    {
        if (m_previous && row.ts - m_previous->ts > minimumGapSeconds) {
            m_holes.push_back({ m_previous->ts, row.ts, m_previous->awake, row.awake });
        }
        m_previous = row;
    }
    const std::vector<Hole> &holes() const { return m_holes; }

private:
    std::optional<Row> m_previous;
    std::vector<Hole> m_holes;
};

} // namespace

void tuneReadConnection(sqlite3 *db)
{
    // The statements' window functions and groupings build temporary tables.
    sqlite3_exec(db, "PRAGMA temp_store=MEMORY", nullptr, nullptr, nullptr);
    // A week of samples is tens of megabytes; mapped, its pages are shared
    // with the system's file cache rather than copied into SQLite's own.
    sqlite3_exec(db, "PRAGMA mmap_size=268435456", nullptr, nullptr, nullptr);
}

std::set<std::string> sampleColumns(sqlite3 *db)
{
    std::set<std::string> names;
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT name FROM pragma_table_info('sample')", -1, &statement, nullptr) == SQLITE_OK) {
        while (sqlite3_step(statement) == SQLITE_ROW) {
            if (const auto *text = sqlite3_column_text(statement, 0)) {
                names.insert(reinterpret_cast<const char *>(text));
            }
        }
    }
    sqlite3_finalize(statement);
    return names;
}

HistorySeries load(sqlite3 *db, HistoryMetric metric, Timestamp from, Timestamp to, int buckets)
{
    HistorySeries series;
    series.bucketSeconds = bucketWidth(from, to, buckets);
    const double bucketSeconds = series.bucketSeconds;

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
    HoleFinder holes;
    const bool read = forEachRow(db, column(metric), from, to, [&](const Row &row) {
        holes.add(row);
        if (!row.value) {
            return;
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
    });
    if (!read) {
        return loadByStatements(db, metric, from, to, buckets);
    }
    close();

    series.gaps = classifyHoles(db, holes.holes());
    numberSegments(series);
    return series;
}

std::vector<HistoryGap> gaps(sqlite3 *db, Timestamp from, Timestamp to)
{
    // Any metric column will do: only the times and the awake clock are used.
    HoleFinder holes;
    if (!forEachRow(db, column(HistoryMetric::cpu), from, to, [&](const Row &row) { holes.add(row); })) {
        return gapsByStatements(db, from, to);
    }
    return classifyHoles(db, holes.holes());
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
