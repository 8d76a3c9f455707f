#pragma once

#include "model/Snapshot.h"

namespace voltmere {

// Lifecycle events written to the history; the stored texts are the case names.
enum class HistoryEvent { start, stop, sleep, wake };

// What the Monitor needs of the history: everything it submits is written
// in submission order. Implemented by the SQLite history store.
class HistoryRecorder {
public:
    virtual ~HistoryRecorder() = default;

    // Asynchronous; `flush` writes everything pending right after.
    virtual void mark(HistoryEvent event, Timestamp at, bool flush) = 0;
    // Asynchronous; never blocks the caller.
    virtual void record(const Snapshot &snapshot) = 0;
    // Writes everything pending; with `wait` the caller blocks until written.
    virtual void flush(bool wait) = 0;
    // Writes everything pending and leaves the stored history complete on
    // its own, for the end of the program. Blocks.
    virtual void finish() { flush(true); }
};

} // namespace voltmere
