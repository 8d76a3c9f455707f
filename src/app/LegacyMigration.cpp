#include "app/LegacyMigration.h"

#include <QSettings>

#include <filesystem>
#include <system_error>

namespace voltmere::LegacyMigration {

namespace {

std::filesystem::path fsPath(const QString &path)
{
    return std::filesystem::path(path.toStdString());
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
    // Every file moves, so the database's -wal and -shm companions go with it.
    for (const QString &name : *names) {
        const QString target = present + QLatin1Char('/') + name;
        if (files.exists(target)) {
            continue;
        }
        if (!files.move(legacy + QLatin1Char('/') + name, target)) {
            return false;
        }
    }
    const std::optional<QStringList> left = files.entries(legacy);
    if (left && left->isEmpty()) {
        files.removeDirectory(legacy);
    }
    return true;
}

} // namespace voltmere::LegacyMigration
