#pragma once

#include "platform/SerialQueue.h"

#include <QString>

#include <atomic>
#include <functional>

struct sqlite3;

namespace voltmere {

// A read-only connection to the history database, used on a queue of its
// own. In WAL mode readers and the writer do not wait for each other, so a
// query never delays a flush, and a flush only delays a query by the flush
// the query asks for itself.
//
// Opened on first use (after the writer has created the schema) and again
// on the next use if that failed. Destroying it interrupts a running query
// and skips queued ones, so quitting never waits for a query to finish.
class HistoryReadConnection {
public:
    explicit HistoryReadConnection(const QString &path);
    ~HistoryReadConnection();
    HistoryReadConnection(const HistoryReadConnection &) = delete;
    HistoryReadConnection &operator=(const HistoryReadConnection &) = delete;

    // Interrupts a running query, skips queued ones and closes the
    // connection; later runs get null. Idempotent.
    void close();
    // Interrupts a running query and closes the connection, so the next run
    // opens the file at the path afresh (the store started a new one).
    // Any thread except the read queue's own.
    void reset();

    // Runs `work` on the read queue with the connection, or with null when
    // the file cannot be opened for reading or the connection is closing.
    // Blocks until it has run. Any thread except the read queue's own.
    void run(const std::function<void(sqlite3 *)> &work);

private:
    const QString m_path;
    SerialQueue m_queue;
    // Written on the queue; read by the destructor to interrupt a query.
    std::atomic<sqlite3 *> m_db { nullptr };
    std::atomic<bool> m_closing { false };
};

} // namespace voltmere
