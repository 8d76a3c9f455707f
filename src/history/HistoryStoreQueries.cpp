// The read side of the history store: bucketed series, gaps and the
// processes stored near a moment. Every query runs on the store's queue and
// flushes first, so it sees the newest readings.

#include "history/HistoryStore.h"
#include "history/HistoryGapRules.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>

namespace voltmere {

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

std::optional<double> columnNumber(sqlite3_stmt *statement, int index)
{
    if (sqlite3_column_type(statement, index) == SQLITE_NULL) {
        return std::nullopt;
    }
    return sqlite3_column_double(statement, index);
}

// One row of the gap query: two consecutive samples more than 20 s apart.
struct Hole {
    double prev;
    double ts;
    std::optional<double> prevAwake;
    std::optional<double> awake;
};

} // namespace

HistorySeries HistoryStore::load(HistoryMetric metric, Timestamp from, Timestamp to, int buckets)
{
    HistorySeries series;
    m_queue.sync([&] {
        flushLocked();
        if (!m_db) {
            return;
        }
        // A bucket count below one would divide by zero; it means "one".
        const double bucketSeconds = std::max((to - from) / std::max(buckets, 1), 1.0);
        series.bucketSeconds = bucketSeconds;

        const std::string sql = bucketSQL(column(metric));
        sqlite3_stmt *statement = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
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
        series.gaps = gapsLocked(from, to);

        // A line through consecutive buckets breaks exactly where a gap wider
        // than one bucket lies between them; shorter gaps stay joined.
        std::vector<const HistoryGap *> longGaps;
        for (const HistoryGap &gap : series.gaps) {
            if (gap.end - gap.start > bucketSeconds) {
                longGaps.push_back(&gap);
            }
        }
        std::size_t k = 0;
        for (HistoryBucket &bucket : series.buckets) {
            while (k < longGaps.size() && longGaps[k]->end <= bucket.start + bucketSeconds) {
                ++k;
            }
            bucket.segment = static_cast<int>(k);
        }
    });
    return series;
}

std::vector<HistoryGap> HistoryStore::gaps(Timestamp from, Timestamp to)
{
    std::vector<HistoryGap> result;
    m_queue.sync([&] {
        flushLocked();
        if (m_db) {
            result = gapsLocked(from, to);
        }
    });
    return result;
}

std::vector<HistoryGap> HistoryStore::gapsLocked(double from, double to)
{
    Q_ASSERT(m_queue.isCurrent());
    std::vector<Hole> holes;
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(m_db, gapSQL, -1, &statement, nullptr) != SQLITE_OK) {
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
    if (rc != SQLITE_DONE || holes.empty()) {
        return {};
    }

    // One event lookup per gap, on the event_ts index; prepared once and
    // reset between gaps. A failed lookup leaves the gap to the awake test.
    sqlite3_stmt *kindsStatement = nullptr;
    if (sqlite3_prepare_v2(m_db, eventKindsSQL, -1, &kindsStatement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(kindsStatement);
        kindsStatement = nullptr;
    }
    std::vector<HistoryGap> result;
    result.reserve(holes.size());
    for (const Hole &hole : holes) {
        std::set<std::string> kinds;
        if (kindsStatement) {
            sqlite3_bind_double(kindsStatement, 1, hole.prev - gapEventMarginSeconds);
            sqlite3_bind_double(kindsStatement, 2, hole.ts + gapEventMarginSeconds);
            while (sqlite3_step(kindsStatement) == SQLITE_ROW) {
                if (const auto *text = sqlite3_column_text(kindsStatement, 0)) {
                    kinds.insert(reinterpret_cast<const char *>(text));
                }
            }
            sqlite3_reset(kindsStatement);
        }
        result.push_back({ hole.prev, hole.ts, classifyGap(hole.ts - hole.prev, hole.prevAwake, hole.awake, kinds) });
    }
    sqlite3_finalize(kindsStatement);
    return result;
}

std::optional<HistoryStore::ProcessesNear> HistoryStore::processes(Timestamp near)
{
    std::optional<ProcessesNear> result;
    m_queue.sync([&] {
        if (!m_db) {
            return;
        }
        flushLocked();
        sqlite3_stmt *statement = nullptr;
        if (sqlite3_prepare_v2(m_db, nearestSampleSQL, -1, &statement, nullptr) != SQLITE_OK) {
            sqlite3_finalize(statement);
            return;
        }
        sqlite3_bind_double(statement, 1, near);
        if (sqlite3_step(statement) != SQLITE_ROW) {
            sqlite3_finalize(statement);
            return;
        }
        const double t = sqlite3_column_double(statement, 0);
        sqlite3_finalize(statement);

        std::vector<ProcessCPU> list;
        statement = nullptr;
        if (sqlite3_prepare_v2(m_db, processesAtSQL, -1, &statement, nullptr) == SQLITE_OK) {
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
        result = ProcessesNear { t, std::move(list) };
    });
    return result;
}

} // namespace voltmere
