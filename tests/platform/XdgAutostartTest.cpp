#include "platform/linux/XdgAutostart.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

namespace voltmere {
namespace {

class XdgAutostartTest : public ::testing::Test {
protected:
    QByteArray entry() const
    {
        QFile file(autostart().entryPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    XdgAutostart autostart(const QString &program = QStringLiteral("/bin/sh")) const
    {
        return XdgAutostart(config.path(), program);
    }

    QTemporaryDir config;
};

TEST_F(XdgAutostartTest, RegisterWritesAnEntryThatStartsTheProgramAndReadsBackEnabled)
{
    XdgAutostart item = autostart();
    EXPECT_EQ(item.status(), LoginItemStatus::notRegistered);
    EXPECT_EQ(item.registerItem(), std::nullopt);
    EXPECT_EQ(item.status(), LoginItemStatus::enabled);
    EXPECT_TRUE(entry().startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(entry().contains("\nExec=\"/bin/sh\"\n"));
    EXPECT_TRUE(entry().contains("\nType=Application\n"));
    // Written through a temporary file that is renamed into place.
    EXPECT_EQ(QDir(config.filePath(QStringLiteral("autostart"))).entryList(QDir::Files),
              QStringList{QStringLiteral("voltmere.desktop")});

    EXPECT_EQ(item.unregisterItem(), std::nullopt);
    EXPECT_EQ(item.status(), LoginItemStatus::notRegistered);
    EXPECT_EQ(item.unregisterItem(), std::nullopt) << "unregistering twice is not an error";
}

TEST_F(XdgAutostartTest, EntriesSwitchedOffByTheSessionCountAsOff)
{
    ASSERT_TRUE(QDir(config.path()).mkpath(QStringLiteral("autostart")));
    for (const QByteArray &line : {QByteArray("Hidden=true"), QByteArray("X-GNOME-Autostart-enabled=false")}) {
        QFile file(autostart().entryPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QByteArray text = XdgAutostart::entryText(QStringLiteral("/bin/sh"));
        text.replace("X-GNOME-Autostart-enabled=true", line);
        file.write(text);
        file.close();
        EXPECT_EQ(autostart().status(), LoginItemStatus::notRegistered) << line.constData();
    }
}

TEST_F(XdgAutostartTest, EntryForAProgramThatIsGoneIsNotFound)
{
    const QString gone = config.filePath(QStringLiteral("moved-away/voltmere"));
    XdgAutostart item = autostart(gone);
    EXPECT_EQ(item.registerItem(), std::nullopt);
    EXPECT_EQ(item.status(), LoginItemStatus::notFound);
}

// Once the package is removed, a desktop must skip the entry rather than
// try to start a program that is gone at every login.
TEST_F(XdgAutostartTest, TheEntryNamesTheProgramForDesktopsToCheckFirst)
{
    const QByteArray text = XdgAutostart::entryText(QStringLiteral("/opt/My Apps\\x/voltmere"));
    EXPECT_TRUE(text.contains("\nTryExec=/opt/My Apps\\\\x/voltmere\n")) << text.constData();
    EXPECT_LT(text.indexOf("TryExec="), text.indexOf("Exec=\""));
}

TEST_F(XdgAutostartTest, ExecQuotesAndEscapesThePath)
{
    EXPECT_EQ(XdgAutostart::execArgument(QStringLiteral("/opt/My Apps/voltmere")),
              QStringLiteral("\"/opt/My Apps/voltmere\""));
    EXPECT_EQ(XdgAutostart::execArgument(QStringLiteral("/opt/a\"b$c`d\\e%f")),
              QStringLiteral("\"/opt/a\\\\\"b\\\\$c\\\\`d\\\\\\\\e%%f\""));
}

TEST_F(XdgAutostartTest, UnwritableFolderIsReportedAndNothingChanges)
{
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes through folder permissions";
    }
    ASSERT_TRUE(QDir(config.path()).mkpath(QStringLiteral("autostart")));
    QFile::setPermissions(config.filePath(QStringLiteral("autostart")), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    XdgAutostart item = autostart();
    const std::optional<QString> error = item.registerItem();
    QFile::setPermissions(config.filePath(QStringLiteral("autostart")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    ASSERT_TRUE(error);
    EXPECT_TRUE(error->contains(QStringLiteral("voltmere.desktop")));
    EXPECT_EQ(item.status(), LoginItemStatus::notRegistered);
}

TEST_F(XdgAutostartTest, FolderThatIsAFileIsReported)
{
    QFile blocker(config.filePath(QStringLiteral("autostart")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    XdgAutostart item = autostart();
    EXPECT_TRUE(item.registerItem());
    EXPECT_EQ(item.status(), LoginItemStatus::notRegistered);
}

} // namespace
} // namespace voltmere
