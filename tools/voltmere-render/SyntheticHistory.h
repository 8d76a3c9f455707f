#pragma once

#include "model/Snapshot.h"

namespace voltmere {

class HistoryStore;

namespace render {

// Writes made-up readings every `tick` seconds over [from, to] into `store`,
// with busy stretches, the top processes of each moment, and a hole of each
// kind every few hours: asleep (awake clock stopped, sleep and wake marked),
// not running (stop and start marked) and no readings. Flushes at the end.
void fillHistory(HistoryStore &store, Timestamp from, Timestamp to, double tick = 5);

} // namespace render

} // namespace voltmere
