#include "app/SingleInstance.h"

#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace voltmere {
namespace {

// The environment of a launch that shares a user's runtime folder and keeps
// its settings out of the real home.
QProcessEnvironment launchEnvironment(const QTemporaryDir &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("run")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("VOLTMERE_SKIP_WELCOME"), QStringLiteral("1"));
    return env;
}

class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        // The runtime folder must be private, or Qt refuses it.
        ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("run")));
        QFile::setPermissions(runtimeDir(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    QString runtimeDir() const { return home.filePath(QStringLiteral("run")); }
    QString socketPath() const { return QDir(runtimeDir()).filePath(QStringLiteral("voltmere.socket")); }

    QTemporaryDir home;
};

TEST_F(SingleInstanceTest, SecondClaimHandsItsAddressesToTheFirstInOrder)
{
    SingleInstance first(socketPath());
    ASSERT_EQ(first.claim({}), SingleInstance::Role::primary);
    QSignalSpy received(&first, &SingleInstance::urlsReceived);

    SingleInstance second(socketPath());
    const QStringList urls{QStringLiteral("voltmere://open/battery"), QStringLiteral("voltmere://panel")};
    EXPECT_EQ(second.claim(urls), SingleInstance::Role::handedOver);
    ASSERT_TRUE(received.wait(5000));
    EXPECT_EQ(received.first().first().toStringList(), urls);
}

TEST_F(SingleInstanceTest, LaunchWithoutAddressesDeliversNothing)
{
    SingleInstance first(socketPath());
    ASSERT_EQ(first.claim({}), SingleInstance::Role::primary);
    QSignalSpy received(&first, &SingleInstance::urlsReceived);
    SingleInstance second(socketPath());
    EXPECT_EQ(second.claim({}), SingleInstance::Role::handedOver);
    EXPECT_FALSE(received.wait(300));
}

TEST_F(SingleInstanceTest, StaleSocketOfAnEndedProgramIsTakenOver)
{
    {
        SingleInstance ended(socketPath());
        ASSERT_EQ(ended.claim({}), SingleInstance::Role::primary);
    }
    // Leave a file where the socket was, as a crashed program would.
    QFile stale(socketPath());
    if (!stale.exists()) {
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.close();
    }
    SingleInstance next(socketPath());
    EXPECT_EQ(next.claim({}), SingleInstance::Role::primary);
}

TEST_F(SingleInstanceTest, OnlyVoltmereAddressesAreTakenFromTheArguments)
{
    EXPECT_EQ(SingleInstance::urlsFromArguments({QStringLiteral("/usr/bin/voltmere"), QStringLiteral("--verbose"),
                                                 QStringLiteral("voltmere://open/battery"),
                                                 QStringLiteral("https://example.org"),
                                                 QStringLiteral("voltmere://panel")}),
              (QStringList{QStringLiteral("voltmere://open/battery"), QStringLiteral("voltmere://panel")}));
    EXPECT_TRUE(SingleInstance::urlsFromArguments({QStringLiteral("voltmere://open")}).isEmpty());
}

TEST_F(SingleInstanceTest, RealSecondLaunchHandsItsAddressToThisProcessAndExitsZero)
{
    SingleInstance first(socketPath());
    ASSERT_EQ(first.claim({}), SingleInstance::Role::primary);
    QSignalSpy received(&first, &SingleInstance::urlsReceived);

    QProcess second;
    second.setProcessEnvironment(launchEnvironment(home));
    second.start(QStringLiteral(VOLTMERE_BINARY),
                 {QStringLiteral("voltmere://open/battery"), QStringLiteral("voltmere://open/history")});
    ASSERT_TRUE(received.wait(15000)) << second.readAllStandardError().toStdString();
    EXPECT_EQ(received.first().first().toStringList(),
              (QStringList{QStringLiteral("voltmere://open/battery"), QStringLiteral("voltmere://open/history")}));
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
}

TEST_F(SingleInstanceTest, TwoRealLaunchesLeaveOneRunningAndSigtermEndsItCleanly)
{
    QProcess first;
    first.setProcessEnvironment(launchEnvironment(home));
    first.start(QStringLiteral(VOLTMERE_BINARY), QStringList{});
    ASSERT_TRUE(first.waitForStarted(10000));
    // It listens once its socket exists.
    for (int i = 0; i < 150 && !QFileInfo::exists(socketPath()); ++i) {
        QTest::qWait(100);
    }
    ASSERT_TRUE(QFileInfo::exists(socketPath())) << first.readAllStandardError().toStdString();

    QProcess second;
    second.setProcessEnvironment(launchEnvironment(home));
    second.start(QStringLiteral(VOLTMERE_BINARY), {QStringLiteral("voltmere://open/battery")});
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);

    first.terminate(); // SIGTERM
    ASSERT_TRUE(first.waitForFinished(15000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
}

} // namespace
} // namespace voltmere
