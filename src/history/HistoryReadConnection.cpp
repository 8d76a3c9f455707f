#include "history/HistoryReadConnection.h"

#include "history/HistoryQueries.h"

#include <sqlite3.h>

namespace voltmere {

HistoryReadConnection::HistoryReadConnection(const QString &path)
    : m_path(path)
    , m_queue(QStringLiteral("voltmere.history.reads"))
{
}

HistoryReadConnection::~HistoryReadConnection()
{
    close();
}

void HistoryReadConnection::close()
{
    m_closing = true;
    reset();
}

void HistoryReadConnection::reset()
{
    // Safe from any thread; the running statement stops with SQLITE_INTERRUPT
    // and the query answers empty.
    if (sqlite3 *db = m_db.load()) {
        sqlite3_interrupt(db);
    }
    m_queue.sync([this] { sqlite3_close(m_db.exchange(nullptr)); });
}

void HistoryReadConnection::run(const std::function<void(sqlite3 *)> &work)
{
    m_queue.sync([this, &work] {
        if (m_closing) {
            work(nullptr);
            return;
        }
        if (!m_db.load()) {
            sqlite3 *db = nullptr;
            if (sqlite3_open_v2(m_path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
                sqlite3_close(db);
                work(nullptr);
                return;
            }
            HistoryQueries::tuneReadConnection(db);
            m_db = db;
        }
        work(m_db.load());
    });
}

} // namespace voltmere
