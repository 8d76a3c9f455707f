#pragma once

#include "model/Snapshot.h"

#include <QString>

#include <cstdint>
#include <optional>

struct sqlite3;

namespace voltmere {

// Where a prune cuts, and what it would take, over an open connection (the
// writer's when pruning, the read connection when the settings ask first).
//
// The clock alone cannot be trusted with this: a clock set weeks ahead (a
// reset RTC before the network corrects it, a dual-boot clock) would make
// every stored reading look older than the retention. So a prune never
// removes readings across a jump of more than the retention: when the
// readings it would remove end more than `days` before the oldest one it
// would keep (or before now, when it would keep none), it keeps the `days`
// before that jump instead. A clock that was right all along loses nothing
// by this: once the readings after the jump span `days` themselves, the
// prune cuts by the clock again and the older ones go.
namespace HistoryRetention {

inline constexpr double secondsPerDay = 86400;

struct Cutoff {
    // Readings stored before this moment (seconds since 1970) go.
    Timestamp at = 0;
    // Set when the prune was held back: the newest reading before the jump,
    // and the time from it to the next reading (or to now).
    std::optional<Timestamp> heldBackAt;
    double jumpSeconds = 0;
};

// The cut for keeping `days` at `now`. Reads two rows on the `ts` index;
// nothing when they cannot be read (the prune then waits for a later round).
std::optional<Cutoff> cutoff(sqlite3 *db, Timestamp now, int days);

// What that cut would remove from `sample`.
struct Loss {
    std::int64_t readings = 0;
    Timestamp oldest = 0; // the oldest reading that would go
    Timestamp cutoff = 0;
};
// Nothing when the database cannot be read.
std::optional<Loss> loss(sqlite3 *db, Timestamp now, int days);

// "6 days", "1 day", "5 hours", "12 minutes": a stretch of history, rounded
// to the largest whole unit that fits, never below one minute.
QString amount(double seconds);

} // namespace HistoryRetention

} // namespace voltmere
