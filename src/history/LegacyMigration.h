#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QSettings;

namespace voltmere {

// Carries the former product's settings and history over once, never
// overwriting anything Voltmere already has. Best effort: nothing is reported
// and nothing stops the program.
namespace LegacyMigration {

// The former product's preferences domain, as a QSettings organisation and
// application pair (reverse-domain "com.ampery.Ampery").
inline const QString legacyOrganization = QStringLiteral("com.ampery");
inline const QString legacyApplication = QStringLiteral("Ampery");

inline const QString legacyFolderName = QStringLiteral("Ampery");
inline const QString folderName = QStringLiteral("Voltmere");
inline const QString databaseFileName = QStringLiteral("history.sqlite");

// Copies `keys` from `legacy` (absent when its store cannot be read) into
// `destination`, but only when `destination` has none of them. Values are
// copied unchanged whatever their type. Returns the copied keys in key order.
QStringList migrateDefaults(QSettings *legacy, QSettings &destination, const QStringList &keys);

// The file-system calls the history-folder move makes, so tests can make one
// of them fail. The default implementation is the real file system.
class FileOperations {
public:
    virtual ~FileOperations() = default;
    // True when anything (even a dangling link) is at `path`.
    virtual bool exists(const QString &path) const;
    // Creates `directory` with any missing parents; true when it exists after.
    virtual bool makePath(const QString &directory);
    // Names of the entries of `directory` (hidden ones too); absent on failure.
    virtual std::optional<QStringList> entries(const QString &directory) const;
    virtual bool move(const QString &from, const QString &to);
    // Removes an empty directory.
    virtual bool removeDirectory(const QString &directory);

    static FileOperations &standard();
};

// Moves the contents of appSupport/Ampery into appSupport/Voltmere when a
// legacy history database exists and no present one does. Entries whose
// target already exists stay behind; the legacy folder is removed once empty.
// Returns true when the move ran to its end.
bool migrateHistoryFolder(const QString &appSupport, FileOperations &files = FileOperations::standard());

} // namespace LegacyMigration

} // namespace voltmere
