#pragma once

#include "history/HistoryGap.h"
#include "history/HistoryMetric.h"
#include "history/HistorySeries.h"
#include "model/ProcessCPU.h"
#include "model/Snapshot.h"

#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

struct sqlite3;

namespace voltmere {

// The read side of the history database as plain functions over an open
// connection (the store's read-only one, a test's or a benchmark's). None of
// them writes, flushes or keeps state; each reads the file afresh. A failed
// prepare or step gives an empty part of the answer, never an exception.
namespace HistoryQueries {

// Sets up a read connection for these queries: temporary tables in memory,
// and the file read through a memory map instead of copied page by page.
void tuneReadConnection(sqlite3 *db);

// The names of the columns the file's sample table has; none when it cannot
// be read or has no such table.
std::set<std::string> sampleColumns(sqlite3 *db);

// The sample nearest a moment and the processes stored with it.
using ProcessesNear = std::pair<Timestamp, std::vector<ProcessCPU>>;

// Consecutive samples further apart than this are a gap.
inline constexpr double minimumGapSeconds = 20;

// The metric in `buckets` equal time buckets over [from, to] (seconds since
// 1970), with the gaps in that range; a sample exactly at `to` falls into one
// extra bucket. One pass over the range in time order computed here, with the
// same arithmetic, order and tie rules as the grouped statements below, so
// both give the same answer to the last bit.
HistorySeries load(sqlite3 *db, HistoryMetric metric, Timestamp from, Timestamp to, int buckets);
// Every hole of more than 20 s between consecutive samples in [from, to],
// classified by the awake clock and the events around it.
std::vector<HistoryGap> gaps(sqlite3 *db, Timestamp from, Timestamp to);
// The sample within 15 s of `near` closest to it, with its stored processes
// by rank, or nothing.
std::optional<ProcessesNear> processesNear(sqlite3 *db, Timestamp near);

// The same two answers from the grouped statement and the window-function
// statement run as written: the reference the pass above is checked and
// measured against, and its fallback for rows it cannot read as numbers.
HistorySeries loadByStatements(sqlite3 *db, HistoryMetric metric, Timestamp from, Timestamp to, int buckets);
std::vector<HistoryGap> gapsByStatements(sqlite3 *db, Timestamp from, Timestamp to);

} // namespace HistoryQueries

} // namespace voltmere
