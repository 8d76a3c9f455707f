#include "history/HistoryRetention.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>

namespace voltmere::HistoryRetention {

namespace {

// The one number a MIN or MAX over the `ts` index gives, in `value`
// (nothing for no rows); false when it could not be read.
bool oneNumber(sqlite3 *db, const char *sql, double bound, std::optional<double> &value)
{
    value.reset();
    sqlite3_stmt *statement = nullptr;
    bool read = sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK;
    if (read) {
        sqlite3_bind_double(statement, 1, bound);
        read = sqlite3_step(statement) == SQLITE_ROW;
        if (read && sqlite3_column_type(statement, 0) != SQLITE_NULL) {
            value = sqlite3_column_double(statement, 0);
        }
    }
    sqlite3_finalize(statement);
    return read;
}

QString counted(long long n, const char *one, const char *many)
{
    return n == 1 ? QString::fromLatin1(one) : QString::number(n) + QLatin1Char(' ') + QString::fromLatin1(many);
}

} // namespace

std::optional<Cutoff> cutoff(sqlite3 *db, Timestamp now, int days)
{
    const double keep = days * secondsPerDay;
    Cutoff cut;
    cut.at = now - keep;
    // Unread, the rows could be anything: the clock alone must not decide.
    std::optional<double> newestGoing;
    if (!oneNumber(db, "SELECT MAX(ts) FROM sample WHERE ts < ?1", cut.at, newestGoing)) {
        return std::nullopt;
    }
    if (!newestGoing) {
        return cut; // nothing would go
    }
    std::optional<double> firstKept;
    if (!oneNumber(db, "SELECT MIN(ts) FROM sample WHERE ts >= ?1", cut.at, firstKept)) {
        return std::nullopt;
    }
    const double oldestKept = firstKept.value_or(now);
    if (oldestKept - *newestGoing > keep) {
        cut.heldBackAt = newestGoing;
        cut.jumpSeconds = oldestKept - *newestGoing;
        cut.at = *newestGoing - keep;
    }
    return cut;
}

std::optional<Loss> loss(sqlite3 *db, Timestamp now, int days)
{
    const std::optional<Cutoff> cut = cutoff(db, now, days);
    if (!cut) {
        return std::nullopt;
    }
    Loss result;
    result.cutoff = cut->at;
    sqlite3_stmt *statement = nullptr;
    bool ok = sqlite3_prepare_v2(db, "SELECT COUNT(*), MIN(ts) FROM sample WHERE ts < ?1", -1, &statement, nullptr)
        == SQLITE_OK;
    if (ok) {
        sqlite3_bind_double(statement, 1, result.cutoff);
        ok = sqlite3_step(statement) == SQLITE_ROW;
        if (ok) {
            result.readings = sqlite3_column_int64(statement, 0);
            result.oldest = sqlite3_column_double(statement, 1);
        }
    }
    sqlite3_finalize(statement);
    if (!ok) {
        return std::nullopt;
    }
    return result;
}

QString amount(double seconds)
{
    if (seconds >= secondsPerDay - 1800) {
        return counted(std::max(1LL, std::llround(seconds / secondsPerDay)), "1 day", "days");
    }
    if (seconds >= 3600 - 30) {
        return counted(std::max(1LL, std::llround(seconds / 3600)), "1 hour", "hours");
    }
    return counted(std::max(1LL, std::llround(seconds / 60)), "1 minute", "minutes");
}

} // namespace voltmere::HistoryRetention
