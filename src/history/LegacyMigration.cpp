#include "history/LegacyMigration.h"

#include <QSettings>

#include <filesystem>
#include <system_error>

namespace voltmere::LegacyMigration {

namespace {

std::filesystem::path fsPath(const QString &path)
{
    return std::filesystem::path(path.toStdString());
}

// The database's companions ("history.sqlite-wal", "-shm", "-journal"),
// then the unrelated entries, then the database, each group in name order.
QStringList moveOrder(const QStringList &names)
{
    QStringList companions;
    QStringList others;
    bool hasDatabase = false;
    for (const QString &name : names) {
        if (name == databaseFileName) {
            hasDatabase = true;
        } else if (name.startsWith(databaseFileName + QLatin1Char('-'))) {
            companions.append(name);
        } else {
            others.append(name);
        }
    }
    QStringList order = companions + others;
    if (hasDatabase) {
        order.append(databaseFileName);
    }
    return order;
}

} // namespace

QStringList migrateDefaults(QSettings *legacy, QSettings &destination, const QStringList &keys)
{
    if (!legacy) {
        return {};
    }
    // Any one present key means the user already has Voltmere settings; a
    // partial copy would mix two products' choices.
    for (const QString &key : keys) {
        if (destination.contains(key)) {
            return {};
        }
    }
    QStringList copied;
    for (const QString &key : keys) {
        if (legacy->contains(key)) {
            destination.setValue(key, legacy->value(key));
            copied.append(key);
        }
    }
    if (!copied.isEmpty()) {
        destination.sync();
    }
    return copied;
}

bool FileOperations::exists(const QString &path) const
{
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(fsPath(path), error));
}

bool FileOperations::makePath(const QString &directory)
{
    std::error_code error;
    std::filesystem::create_directories(fsPath(directory), error);
    return !error && std::filesystem::is_directory(fsPath(directory), error);
}

std::optional<QStringList> FileOperations::entries(const QString &directory) const
{
    std::error_code error;
    std::filesystem::directory_iterator it(fsPath(directory), error);
    if (error) {
        return std::nullopt;
    }
    QStringList names;
    for (const std::filesystem::directory_iterator end; it != end; it.increment(error)) {
        names.append(QString::fromStdString(it->path().filename().string()));
    }
    if (error) {
        return std::nullopt;
    }
    names.sort();
    return names;
}

bool FileOperations::move(const QString &from, const QString &to)
{
    std::error_code error;
    std::filesystem::rename(fsPath(from), fsPath(to), error);
    return !error;
}

bool FileOperations::removeDirectory(const QString &directory)
{
    std::error_code error;
    return std::filesystem::remove(fsPath(directory), error);
}

FileOperations &FileOperations::standard()
{
    static FileOperations operations;
    return operations;
}

bool migrateHistoryFolder(const QString &appSupport, FileOperations &files)
{
    const QString legacy = appSupport + QLatin1Char('/') + legacyFolderName;
    const QString present = appSupport + QLatin1Char('/') + folderName;
    if (!files.exists(legacy + QLatin1Char('/') + databaseFileName)) {
        return false;
    }
    // The present history always wins.
    if (files.exists(present + QLatin1Char('/') + databaseFileName)) {
        return false;
    }
    if (!files.makePath(present)) {
        return false;
    }
    const std::optional<QStringList> names = files.entries(legacy);
    if (!names) {
        return false;
    }
    // Every file moves, the database's write-ahead log and shared memory
    // first and the database last: a database that arrives without its log
    // opens as an older state of itself, and its newest commits are lost for
    // good once the next launch finds it in place. Until the database itself
    // has moved, a later launch starts over and skips what already arrived.
    const QStringList order = moveOrder(*names);
    QStringList moved;
    for (const QString &name : order) {
        const QString target = present + QLatin1Char('/') + name;
        if (files.exists(target)) {
            continue;
        }
        if (!files.move(legacy + QLatin1Char('/') + name, target)) {
            // The companions go back beside the database they belong to, so
            // nothing opens them with a fresh database in the new folder.
            if (name == databaseFileName) {
                for (const QString &companion : moved) {
                    if (companion.startsWith(databaseFileName)) {
                        files.move(present + QLatin1Char('/') + companion, legacy + QLatin1Char('/') + companion);
                    }
                }
            }
            return false;
        }
        moved.append(name);
    }
    const std::optional<QStringList> left = files.entries(legacy);
    if (left && left->isEmpty()) {
        files.removeDirectory(legacy);
    }
    return true;
}

} // namespace voltmere::LegacyMigration
