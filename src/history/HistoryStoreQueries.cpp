// The read side of the history store: bucketed series, gaps and the
// processes stored near a moment. Every query runs on the store's queue and
// flushes first, so it sees the newest readings.

#include "history/HistoryStore.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>

namespace voltmere {

namespace {

constexpr const char *gapScanSQL = "SELECT ts FROM sample WHERE ts >= ?1 AND ts <= ?2 ORDER BY ts";
constexpr const char *awakeAtSQL = "SELECT awake FROM sample WHERE ts = ?";
constexpr const char *eventKindsSQL = "SELECT DISTINCT kind FROM event WHERE ts >= ? AND ts <= ?";
constexpr const char *nearestSampleSQL
    = "SELECT ts FROM sample WHERE ts BETWEEN ?1 - 15 AND ?1 + 15 ORDER BY ABS(ts - ?1) LIMIT 1";
constexpr const char *processesAtSQL = "SELECT pid, name, cpu FROM proc WHERE ts = ? ORDER BY rank";

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
// less than the wall clock, the machine was asleep for the difference.
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
};

// Feeds on the samples of a range in time order and notes each one that
// comes more than 20 s after its predecessor in the range, the pairs that
// LAG(ts) OVER (ORDER BY ts) would give.
class HoleFinder {
public:
    void next(double ts)
    {
        if (m_previous && ts - *m_previous > HistoryStore::minimumGapSeconds) {
            m_holes.push_back({ *m_previous, ts });
        }
        m_previous = ts;
    }
    const std::vector<Hole> &holes() const { return m_holes; }

private:
    std::optional<double> m_previous;
    std::vector<Hole> m_holes;
};

// Gives each hole its reason: the awake clock at its two ends (looked up on
// the primary key), then the events within a second of either end.
std::vector<HistoryGap> classifyGaps(sqlite3 *db, const std::vector<Hole> &holes)
{
    if (holes.empty()) {
        return {};
    }
    std::vector<std::pair<std::optional<double>, std::optional<double>>> awake(holes.size());
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, awakeAtSQL, -1, &statement, nullptr) == SQLITE_OK) {
        const auto awakeAt = [statement](double ts) {
            sqlite3_bind_double(statement, 1, ts);
            std::optional<double> value;
            if (sqlite3_step(statement) == SQLITE_ROW) {
                value = columnNumber(statement, 0);
            }
            sqlite3_reset(statement);
            return value;
        };
        for (std::size_t i = 0; i < holes.size(); ++i) {
            awake[i] = { awakeAt(holes[i].prev), awakeAt(holes[i].ts) };
        }
    }
    sqlite3_finalize(statement);

    // One event lookup per gap, on the event_ts index; prepared once and
    // reset between gaps. A failed prepare leaves every gap to the awake test.
    sqlite3_stmt *kindsStatement = nullptr;
    if (sqlite3_prepare_v2(db, eventKindsSQL, -1, &kindsStatement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(kindsStatement);
        kindsStatement = nullptr;
    }
    std::vector<HistoryGap> result;
    result.reserve(holes.size());
    for (std::size_t i = 0; i < holes.size(); ++i) {
        const Hole &hole = holes[i];
        std::set<std::string> kinds;
        if (kindsStatement) {
            sqlite3_bind_double(kindsStatement, 1, hole.prev - eventMarginSeconds);
            sqlite3_bind_double(kindsStatement, 2, hole.ts + eventMarginSeconds);
            while (sqlite3_step(kindsStatement) == SQLITE_ROW) {
                if (const auto *text = sqlite3_column_text(kindsStatement, 0)) {
                    kinds.insert(reinterpret_cast<const char *>(text));
                }
            }
            sqlite3_reset(kindsStatement);
        }
        result.push_back({ hole.prev, hole.ts, classify(hole.ts - hole.prev, awake[i].first, awake[i].second, kinds) });
    }
    sqlite3_finalize(kindsStatement);
    return result;
}

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

        // Bucket b of a sample is CAST((ts - from) / bucketSeconds AS
        // INTEGER). SQLite's GROUP BY on that expression sorts every row of
        // the range in a temporary b-tree, and LAG() over the range costs
        // more still (together about 280 ms for a week here), so the range
        // is read once in time order from the ts index and folded here: a
        // bucket's rows arrive together, and each sample meets its
        // predecessor. Same arithmetic, same answers: the mean, the first
        // sample holding the maximum, the plugged share (NULL counts as not
        // plugged) and the count of samples that have the metric; gaps come
        // from every sample, with or without the metric.
        const std::string name = column(metric);
        const std::string sql = "SELECT ts, " + name + ", plugged FROM sample WHERE ts >= ?1 AND ts <= ?2 ORDER BY ts";
        HoleFinder holes;
        sqlite3_stmt *statement = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
            sqlite3_bind_double(statement, 1, from);
            sqlite3_bind_double(statement, 2, to);
            std::int64_t current = -1;
            double sum = 0;
            double plugged = 0;
            int count = 0;
            const auto close = [&] {
                if (count > 0) {
                    HistoryBucket &bucket = series.buckets.back();
                    bucket.avg = sum / count;
                    bucket.pluggedFraction = plugged / count;
                    series.sampleCount += count;
                }
            };
            while (sqlite3_step(statement) == SQLITE_ROW) {
                const double ts = sqlite3_column_double(statement, 0);
                holes.next(ts);
                if (sqlite3_column_type(statement, 1) == SQLITE_NULL) {
                    continue;
                }
                const double value = sqlite3_column_double(statement, 1);
                const auto index = static_cast<std::int64_t>((ts - from) / bucketSeconds);
                if (index != current) {
                    close();
                    current = index;
                    sum = 0;
                    plugged = 0;
                    count = 0;
                    HistoryBucket bucket;
                    bucket.start = from + bucketSeconds * static_cast<double>(index);
                    bucket.max = value;
                    bucket.maxAt = ts;
                    series.buckets.push_back(bucket);
                }
                HistoryBucket &bucket = series.buckets.back();
                if (value > bucket.max) {
                    bucket.max = value;
                    bucket.maxAt = ts;
                }
                sum += value;
                plugged += sqlite3_column_double(statement, 2); // NULL reads 0
                ++count;
            }
            close();
        }
        sqlite3_finalize(statement);
        series.gaps = classifyGaps(m_db, holes.holes());

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
    // The scan reads the ts index alone.
    HoleFinder holes;
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(m_db, gapScanSQL, -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return {};
    }
    sqlite3_bind_double(statement, 1, from);
    sqlite3_bind_double(statement, 2, to);
    while (sqlite3_step(statement) == SQLITE_ROW) {
        holes.next(sqlite3_column_double(statement, 0));
    }
    sqlite3_finalize(statement);
    return classifyGaps(m_db, holes.holes());
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
