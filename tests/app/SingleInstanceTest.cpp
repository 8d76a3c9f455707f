#include "app/SingleInstance.h"

#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <memory>
#include <vector>

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

// Waits for the real program's socket to appear.
bool waitForSocket(const QString &path)
{
    for (int i = 0; i < 150 && !QFileInfo::exists(path); ++i) {
        QTest::qWait(100);
    }
    return QFileInfo::exists(path);
}

// A raw connection that sends nothing and stays, as a flood would open.
int connectIdle(const QString &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray bytes = QFile::encodeName(path);
    std::memcpy(address.sun_path, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

TEST_F(SingleInstanceTest, AFloodOfIdleConnectionsNeverClosesTheRealListener)
{
    rlimit limit {};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
    constexpr rlim_t flood = 1100;
    if (limit.rlim_max < flood + 200) {
        GTEST_SKIP() << "cannot open enough descriptors here";
    }
    const rlimit raised { flood + 200, limit.rlim_max };
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &raised), 0);

    QProcess first;
    first.setProcessEnvironment(launchEnvironment(home));
    first.setProcessChannelMode(QProcess::ForwardedChannels);
    // The program keeps the usual per-process limit of 1024 descriptors.
    first.setChildProcessModifier([] {
        const rlimit usual { 1024, 1024 };
        setrlimit(RLIMIT_NOFILE, &usual);
    });
    first.start(QStringLiteral(VOLTMERE_BINARY), QStringList{});
    ASSERT_TRUE(first.waitForStarted(10000));
    ASSERT_TRUE(waitForSocket(socketPath()));

    std::vector<int> idle;
    for (rlim_t i = 0; i < flood; ++i) {
        const int fd = connectIdle(socketPath());
        if (fd >= 0) {
            idle.push_back(fd);
        }
    }
    QTest::qWait(1000);

    // Still listening, still one program: the next launch hands over.
    EXPECT_TRUE(QFileInfo::exists(socketPath()));
    QProcess second;
    second.setProcessEnvironment(launchEnvironment(home));
    second.start(QStringLiteral(VOLTMERE_BINARY), {QStringLiteral("voltmere://open/battery")});
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);

    for (const int fd : idle) {
        ::close(fd);
    }
    setrlimit(RLIMIT_NOFILE, &limit);
    first.terminate();
    ASSERT_TRUE(first.waitForFinished(15000));
    EXPECT_EQ(first.exitCode(), 0);
}

TEST_F(SingleInstanceTest, AnOversizedMessageIsDroppedWithItsConnection)
{
    SingleInstance first(socketPath());
    ASSERT_EQ(first.claim({}), SingleInstance::Role::primary);
    QSignalSpy received(&first, &SingleInstance::urlsReceived);

    QLocalSocket flood;
    flood.connectToServer(socketPath());
    ASSERT_TRUE(flood.waitForConnected(2000));
    // One endless line: the listener must neither keep it nor deliver it.
    const QByteArray chunk(64 * 1024, 'x');
    for (int i = 0; i < 64 && flood.state() == QLocalSocket::ConnectedState; ++i) {
        flood.write(chunk);
        flood.waitForBytesWritten(50);
        QCoreApplication::processEvents();
    }
    QDeadlineTimer deadline(3000);
    while (flood.state() == QLocalSocket::ConnectedState && !deadline.hasExpired()) {
        QCoreApplication::processEvents();
        flood.waitForDisconnected(10);
    }
    EXPECT_NE(flood.state(), QLocalSocket::ConnectedState);
    EXPECT_TRUE(received.isEmpty());

    // The next well-behaved launch is heard as before.
    SingleInstance second(socketPath());
    EXPECT_EQ(second.claim({QStringLiteral("voltmere://panel")}), SingleInstance::Role::handedOver);
    ASSERT_TRUE(received.wait(5000));
    EXPECT_EQ(received.first().first().toStringList(), QStringList{QStringLiteral("voltmere://panel")});
    QTRY_COMPARE(first.clientCount(), 0);
}

TEST_F(SingleInstanceTest, IdleClientsAreBoundedAndLeaveAfterTheTimeout)
{
    SingleInstance first(socketPath());
    ASSERT_EQ(first.claim({}), SingleInstance::Role::primary);
    std::vector<std::unique_ptr<QLocalSocket>> idle;
    for (int i = 0; i < 3 * SingleInstance::maxClients; ++i) {
        idle.push_back(std::make_unique<QLocalSocket>());
        idle.back()->connectToServer(socketPath());
        QCoreApplication::processEvents();
    }
    QTest::qWait(200);
    EXPECT_LE(first.clientCount(), SingleInstance::maxClients);
    EXPECT_GT(first.clientCount(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(first.clientCount(), 0, SingleInstance::idleTimeoutMs + 2000);
}

TEST_F(SingleInstanceTest, TheSocketGoesOnlyIntoAFolderOnlyThisUserCanEnter)
{
    const QString shared = home.filePath(QStringLiteral("shared"));
    ASSERT_TRUE(QDir().mkdir(shared));
    ::chmod(QFile::encodeName(shared).constData(), 01777);
    EXPECT_TRUE(SingleInstance::privateFolderProblem(shared));
    SingleInstance inShared(QDir(shared).filePath(QStringLiteral("voltmere.socket")));
    EXPECT_EQ(inShared.claim({}), SingleInstance::Role::standalone);
    EXPECT_FALSE(QFileInfo::exists(QDir(shared).filePath(QStringLiteral("voltmere.socket"))));

    if (::geteuid() == 0) {
        const QString foreign = home.filePath(QStringLiteral("foreign"));
        ASSERT_TRUE(QDir().mkdir(foreign));
        ::chmod(QFile::encodeName(foreign).constData(), 0700);
        ASSERT_EQ(::chown(QFile::encodeName(foreign).constData(), 65534, 65534), 0);
        EXPECT_TRUE(SingleInstance::privateFolderProblem(foreign));
    }
    // A missing folder is made private.
    const QString fresh = home.filePath(QStringLiteral("fresh"));
    EXPECT_FALSE(SingleInstance::privateFolderProblem(fresh));
    EXPECT_EQ(QFileInfo(fresh).permissions() & 0x0077, 0);
}

// With no runtime folder of its own the real program must not hand its
// addresses to whoever listens in the temporary folder.
TEST_F(SingleInstanceTest, RealLaunchWithoutAPrivateRuntimeFolderRunsAloneInsteadOfUsingTheSharedOne)
{
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs to give a folder to another user";
    }
    const QString tmp = home.filePath(QStringLiteral("tmp"));
    ASSERT_TRUE(QDir().mkdir(tmp));
    ::chmod(QFile::encodeName(tmp).constData(), 01777);
    // The per-user fallback Qt would use is taken by someone else.
    const QString taken = QDir(tmp).filePath(QStringLiteral("runtime-root"));
    ASSERT_TRUE(QDir().mkdir(taken));
    ASSERT_EQ(::chown(QFile::encodeName(taken).constData(), 65534, 65534), 0);
    QLocalServer stranger;
    ASSERT_TRUE(stranger.listen(QDir(tmp).filePath(QStringLiteral("voltmere.socket"))));

    QProcessEnvironment env = launchEnvironment(home);
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    env.insert(QStringLiteral("TMPDIR"), tmp);
    env.insert(QStringLiteral("USER"), QStringLiteral("root"));
    QProcess launch;
    launch.setProcessEnvironment(env);
    launch.start(QStringLiteral(VOLTMERE_BINARY), {QStringLiteral("voltmere://open/battery")});
    ASSERT_TRUE(launch.waitForStarted(10000));
    EXPECT_FALSE(launch.waitForFinished(3000)); // runs, rather than handing over and ending
    EXPECT_FALSE(stranger.hasPendingConnections());
    launch.terminate();
    ASSERT_TRUE(launch.waitForFinished(15000));
    EXPECT_TRUE(launch.readAllStandardError().contains("Running without the single-instance socket"));
}

} // namespace
} // namespace voltmere
