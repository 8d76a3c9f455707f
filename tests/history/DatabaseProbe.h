#pragma once

#include <QString>
#include <QStringList>

#include <sqlite3.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace voltmere::test {

// Reads a history database through a second connection, as another process
// would, so tests check what actually reached the file. NULL reads "NULL".
// (Read-write: a read-only connection cannot open a WAL database whose
// shared-memory file is gone.)
inline std::vector<QStringList> queryRows(const QString &path, const std::string &sql)
{
    std::vector<QStringList> rows;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return rows;
    }
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
        while (sqlite3_step(statement) == SQLITE_ROW) {
            QStringList row;
            for (int i = 0; i < sqlite3_column_count(statement); ++i) {
                const auto *text = sqlite3_column_text(statement, i);
                row.append(text ? QString::fromUtf8(reinterpret_cast<const char *>(text)) : QStringLiteral("NULL"));
            }
            rows.push_back(row);
        }
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return rows;
}

inline int countRows(const QString &path, const std::string &table)
{
    const auto rows = queryRows(path, "SELECT COUNT(*) FROM " + table);
    return rows.empty() ? -1 : rows.front().front().toInt();
}

// Runs a script on its own connection (to build old or odd databases).
inline bool execute(const QString &path, const std::string &script)
{
    sqlite3 *db = nullptr;
    const bool opened = sqlite3_open(path.toUtf8().constData(), &db) == SQLITE_OK;
    const bool ok = opened && sqlite3_exec(db, script.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

// Another program writing into the database: its write lock, taken at once
// and held for `hold`, then rolled back.
class HeldWriteLock {
public:
    HeldWriteLock(const QString &path, std::chrono::milliseconds hold)
    {
        if (sqlite3_open(path.toUtf8().constData(), &m_db) == SQLITE_OK
            && sqlite3_exec(m_db, "BEGIN IMMEDIATE; INSERT INTO event VALUES (1, 'x');", nullptr, nullptr, nullptr)
                == SQLITE_OK) {
            m_held = true;
            m_release = std::thread([this, hold] {
                std::this_thread::sleep_for(hold);
                sqlite3_exec(m_db, "ROLLBACK;", nullptr, nullptr, nullptr);
            });
        }
    }
    ~HeldWriteLock()
    {
        if (m_release.joinable()) {
            m_release.join();
        }
        sqlite3_close(m_db);
    }
    HeldWriteLock(const HeldWriteLock &) = delete;
    HeldWriteLock &operator=(const HeldWriteLock &) = delete;

    bool isHeld() const { return m_held; }

private:
    sqlite3 *m_db = nullptr;
    bool m_held = false;
    std::thread m_release;
};

} // namespace voltmere::test
