#include "history/LegacyMigration.h"
#include "preferences/Preferences.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace voltmere {
namespace {

class LegacyDefaultsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QSettings legacy { dir.filePath(QStringLiteral("Ampery.conf")), QSettings::IniFormat };
    QSettings destination { dir.filePath(QStringLiteral("Voltmere.conf")), QSettings::IniFormat };
    const QStringList keys = Preferences::storedKeys();
};

TEST_F(LegacyDefaultsTest, CopiesTheLegacyValuesIntoAnEmptyStoreInKeyOrder)
{
    legacy.setValue("welcome.completed", true);
    legacy.setValue("chargeReminder.target", 90);
    legacy.setValue("unrelated", "kept out");

    EXPECT_EQ(LegacyMigration::migrateDefaults(&legacy, destination, keys),
        (QStringList { "chargeReminder.target", "welcome.completed" }));
    EXPECT_EQ(destination.allKeys().size(), 2);

    // The copy is on disk, and the legacy values stay behind.
    QSettings reread(destination.fileName(), QSettings::IniFormat);
    Preferences prefs(reread);
    EXPECT_EQ(prefs.reminderTarget(), 90);
    EXPECT_TRUE(prefs.welcomeCompleted());
    EXPECT_EQ(legacy.value("chargeReminder.target").toInt(), 90);

    // A second run finds our keys and does nothing.
    EXPECT_TRUE(LegacyMigration::migrateDefaults(&legacy, destination, keys).isEmpty());
}

TEST_F(LegacyDefaultsTest, OneExistingKeyBlocksTheWholeCopy)
{
    destination.setValue("menuBar.style", "cpu");
    legacy.setValue("chargeReminder.target", 90);
    legacy.setValue("history.retentionDays", 30);
    EXPECT_TRUE(LegacyMigration::migrateDefaults(&legacy, destination, keys).isEmpty());
    EXPECT_FALSE(destination.contains("chargeReminder.target"));
    EXPECT_FALSE(destination.contains("history.retentionDays"));
}

TEST_F(LegacyDefaultsTest, NoLegacyStoreCopiesNothing)
{
    EXPECT_TRUE(LegacyMigration::migrateDefaults(nullptr, destination, keys).isEmpty());
    EXPECT_TRUE(destination.allKeys().isEmpty());
}

class LegacyHistoryFolderTest : public ::testing::Test {
protected:
    QString legacy(const QString &name = {}) const { return join(QStringLiteral("Ampery"), name); }
    QString present(const QString &name = {}) const { return join(QStringLiteral("Voltmere"), name); }
    QString join(const QString &folder, const QString &name) const
    {
        return dir.filePath(name.isEmpty() ? folder : folder + QLatin1Char('/') + name);
    }
    static void write(const QString &path, const QByteArray &content)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    static QByteArray read(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    bool migrate() { return LegacyMigration::migrateHistoryFolder(dir.path()); }

    QTemporaryDir dir;
};

TEST_F(LegacyHistoryFolderTest, MovesTheDatabaseWithItsCompanionsAndRemovesTheOldFolder)
{
    write(legacy("history.sqlite"), "db");
    write(legacy("history.sqlite-wal"), "wal");
    write(legacy(".hidden"), "h");
    EXPECT_TRUE(migrate());
    EXPECT_EQ(read(present("history.sqlite")), "db");
    EXPECT_EQ(read(present("history.sqlite-wal")), "wal");
    EXPECT_EQ(read(present(".hidden")), "h");
    EXPECT_FALSE(QFileInfo::exists(legacy()));
    EXPECT_FALSE(migrate()); // nothing left to do
}

TEST_F(LegacyHistoryFolderTest, LeavesAnEntryWhoseTargetExistsAndKeepsTheOldFolder)
{
    write(legacy("history.sqlite"), "db");
    write(legacy("notes.txt"), "old notes");
    write(present("notes.txt"), "new notes");
    EXPECT_TRUE(migrate());
    EXPECT_EQ(read(present("history.sqlite")), "db");
    EXPECT_EQ(read(present("notes.txt")), "new notes");
    EXPECT_EQ(read(legacy("notes.txt")), "old notes");
}

TEST_F(LegacyHistoryFolderTest, ThePresentHistoryAlwaysWins)
{
    write(legacy("history.sqlite"), "old");
    write(legacy("history.sqlite-wal"), "old wal");
    write(present("history.sqlite"), "new");
    EXPECT_FALSE(migrate());
    EXPECT_EQ(read(present("history.sqlite")), "new");
    EXPECT_FALSE(QFileInfo::exists(present("history.sqlite-wal")));
    EXPECT_EQ(read(legacy("history.sqlite")), "old");
}

TEST_F(LegacyHistoryFolderTest, WithoutALegacyDatabaseNothingIsCreated)
{
    write(legacy("other.txt"), "x");
    EXPECT_FALSE(migrate());
    EXPECT_FALSE(QFileInfo::exists(present()));
}

TEST_F(LegacyHistoryFolderTest, AFolderThatCannotBeCreatedStopsTheMove)
{
    write(legacy("history.sqlite"), "db");
    write(present(), "a file where the folder should be");
    EXPECT_FALSE(migrate());
    EXPECT_EQ(read(legacy("history.sqlite")), "db");
}

// Fails the move of one named entry, as a full disk or a permission would.
class FailingMoves final : public LegacyMigration::FileOperations {
public:
    explicit FailingMoves(QString failing)
        : m_failing(std::move(failing))
    {
    }
    bool move(const QString &from, const QString &to) override
    {
        return !from.endsWith(m_failing) && FileOperations::move(from, to);
    }

private:
    QString m_failing;
};

TEST_F(LegacyHistoryFolderTest, AFailedMoveStopsAndTheNextRunFinishesTheJob)
{
    write(legacy("a.txt"), "a");
    write(legacy("history.sqlite"), "db");
    write(legacy("history.sqlite-wal"), "wal");
    FailingMoves failing(QStringLiteral("history.sqlite"));
    EXPECT_FALSE(LegacyMigration::migrateHistoryFolder(dir.path(), failing));
    // What moved stays moved, except the log: it goes back to its database.
    EXPECT_EQ(read(present("a.txt")), "a");
    EXPECT_EQ(read(legacy("history.sqlite")), "db");
    EXPECT_EQ(read(legacy("history.sqlite-wal")), "wal");
    EXPECT_FALSE(QFileInfo::exists(present("history.sqlite-wal")));

    EXPECT_TRUE(migrate());
    EXPECT_EQ(read(present("history.sqlite")), "db");
    EXPECT_EQ(read(present("history.sqlite-wal")), "wal");
    EXPECT_FALSE(QFileInfo::exists(legacy()));
}

// The log must never be left behind a database that has moved: the next
// launch would find the database in place and never look for it again.
TEST_F(LegacyHistoryFolderTest, TheDatabaseMovesLastSoItsLogCannotBeOrphaned)
{
    write(legacy("history.sqlite"), "db");
    write(legacy("history.sqlite-shm"), "shm");
    write(legacy("history.sqlite-wal"), "wal");
    FailingMoves failing(QStringLiteral("history.sqlite-wal"));
    EXPECT_FALSE(LegacyMigration::migrateHistoryFolder(dir.path(), failing));
    EXPECT_EQ(read(legacy("history.sqlite")), "db");
    EXPECT_EQ(read(legacy("history.sqlite-wal")), "wal");
    EXPECT_FALSE(QFileInfo::exists(present("history.sqlite")));

    // A run cut short after the companions (killed, or the move back failed)
    // is finished by the next one.
    ASSERT_TRUE(QFile::rename(legacy("history.sqlite-wal"), present("history.sqlite-wal")));
    EXPECT_TRUE(migrate());
    EXPECT_EQ(read(present("history.sqlite")), "db");
    EXPECT_EQ(read(present("history.sqlite-wal")), "wal");
    EXPECT_EQ(read(present("history.sqlite-shm")), "shm");
    EXPECT_FALSE(QFileInfo::exists(legacy()));
}

} // namespace
} // namespace voltmere
