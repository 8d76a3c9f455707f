// The store's read side: every query first writes what is buffered (on the
// writer's queue, so it sees the newest readings), then reads on the store's
// read-only connection.

#include "history/HistoryStore.h"
#include "history/HistoryGapRules.h"

namespace voltmere {

bool HistoryStore::flushForRead()
{
    bool open = false;
    m_queue.sync([this, &open] {
        flushLocked();
        open = m_db != nullptr;
    });
    return open;
}

HistorySeries HistoryStore::load(HistoryMetric metric, Timestamp from, Timestamp to, int buckets)
{
    HistorySeries series;
    if (flushForRead()) {
        m_reads.run([&](sqlite3 *db) {
            if (db) {
                series = HistoryQueries::load(db, metric, from, to, buckets);
            }
        });
    }
    return series;
}

std::vector<HistoryGap> HistoryStore::gaps(Timestamp from, Timestamp to)
{
    std::vector<HistoryGap> result;
    if (flushForRead()) {
        m_reads.run([&](sqlite3 *db) {
            if (db) {
                result = HistoryQueries::gaps(db, from, to);
            }
        });
    }
    return result;
}

std::optional<HistoryStore::ProcessesNear> HistoryStore::processes(Timestamp near)
{
    std::optional<ProcessesNear> result;
    if (flushForRead()) {
        m_reads.run([&](sqlite3 *db) {
            if (db) {
                result = HistoryQueries::processesNear(db, near);
            }
        });
    }
    return result;
}

} // namespace voltmere
