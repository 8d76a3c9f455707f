#pragma once

#include <QString>
#include <QStringList>

#include <sqlite3.h>

#include <string>
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

} // namespace voltmere::test
