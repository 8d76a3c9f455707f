#include "platform/linux/LinuxSystemEvents.h"

#include "EventLoop.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QCoreApplication>
#include <QSignalSpy>
#include <QThread>

#include <gtest/gtest.h>

#include <poll.h>
#include <unistd.h>

namespace voltmere {
namespace {

using test::waitFor;

bool waitForCount(QSignalSpy &spy, int count)
{
    return test::waitFor([&] { return spy.count() >= count; });
}

// logind lives on the system bus, which test machines do not have; the same
// signal sent on the private session bus of the test run stands in for it.
TEST(LinuxSystemEventsDBusTest, PrepareForSleepBecomesSleepAndWake)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.isConnected()) << "tests run under dbus-run-session";
    // Only signals from the name's owner count, so the test owns it.
    ASSERT_TRUE(bus.registerService(QStringLiteral("org.freedesktop.login1")));
    LinuxSystemEvents events(bus);
    QSignalSpy sleeps(&events, &SystemEvents::willSleep);
    QSignalSpy wakes(&events, &SystemEvents::didWake);
    events.start();
    events.start(); // a second start must not subscribe twice

    auto send = [&bus](bool start) {
        QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                                         QStringLiteral("org.freedesktop.login1.Manager"),
                                                         QStringLiteral("PrepareForSleep"));
        signal << start;
        bus.send(signal);
    };
    send(true);
    ASSERT_TRUE(waitForCount(sleeps, 1));
    send(false);
    ASSERT_TRUE(waitForCount(wakes, 1));
    QThread::msleep(50);
    QCoreApplication::processEvents();
    EXPECT_EQ(sleeps.count(), 1);
    EXPECT_EQ(wakes.count(), 1);
    bus.unregisterService(QStringLiteral("org.freedesktop.login1"));
}

// logind's Manager as far as sleep inhibitors go, on a connection of its
// own so the descriptor really crosses the bus. Each Inhibit hands out the
// write end of a fresh pipe; the read end shows when every copy is closed.
class FakeLogind : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    ~FakeLogind() override
    {
        for (int fd : readEnds) {
            ::close(fd);
        }
    }

    QStringList lastRequest;
    std::vector<int> readEnds;

    // Whether the newest inhibitor handed out is still held by someone.
    bool newestHeld() const
    {
        if (readEnds.empty()) {
            return false;
        }
        pollfd p { readEnds.back(), POLLIN, 0 };
        return ::poll(&p, 1, 0) == 0; // a closed write end reads as hang-up
    }

public Q_SLOTS:
    QDBusUnixFileDescriptor Inhibit(const QString &what, const QString &who, const QString &why, const QString &mode)
    {
        lastRequest = { what, who, why, mode };
        int ends[2];
        if (::pipe(ends) != 0) {
            return {};
        }
        readEnds.push_back(ends[0]);
        QDBusUnixFileDescriptor handed(ends[1]); // duplicates
        ::close(ends[1]);
        return handed;
    }
};

class SleepInhibitorDBusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(logindBus.isConnected()) << "run under dbus-run-session";
        ASSERT_TRUE(logindBus.registerObject(QStringLiteral("/org/freedesktop/login1"), &logind,
            QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(logindBus.registerService(QStringLiteral("org.freedesktop.login1")));
    }
    void TearDown() override
    {
        logindBus.unregisterService(QStringLiteral("org.freedesktop.login1"));
        logindBus.unregisterObject(QStringLiteral("/org/freedesktop/login1"));
        QDBusConnection::disconnectFromBus(connectionName);
    }
    void send(bool start)
    {
        QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"));
        signal << start;
        logindBus.send(signal);
    }

    const QString connectionName = QStringLiteral("voltmere-test-logind");
    QDBusConnection logindBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName);
    FakeLogind logind;
};

// A suspend must wait until the sleep handlers (the history write) are
// done, then go on; after the wake the next sleep is held back again.
TEST_F(SleepInhibitorDBusTest, HoldsSleepUntilTheSleepHandlersRanAndTakesItAgainAfterWake)
{
    LinuxSystemEvents events(QDBusConnection::sessionBus());
    bool heldWhileHandling = false;
    QObject::connect(&events, &SystemEvents::willSleep, [&] { heldWhileHandling = logind.newestHeld(); });
    events.start();
    ASSERT_TRUE(waitFor([&] { return events.holdsSleepInhibitor() && logind.newestHeld(); }));
    EXPECT_EQ(logind.lastRequest, (QStringList { "sleep", "Voltmere", "Saving readings to the history before sleep", "delay" }));

    send(true);
    ASSERT_TRUE(waitFor([&] { return !logind.newestHeld(); }));
    EXPECT_TRUE(heldWhileHandling);
    EXPECT_FALSE(events.holdsSleepInhibitor());

    send(false);
    ASSERT_TRUE(waitFor([&] { return events.holdsSleepInhibitor(); }));
    EXPECT_EQ(logind.readEnds.size(), 2u);
    EXPECT_TRUE(logind.newestHeld());
}

TEST(LinuxSystemEventsTest, WithoutABusThereAreNoEventsAndNoError)
{
    QDBusConnection none(QStringLiteral("voltmere-no-such-bus"));
    ASSERT_FALSE(none.isConnected());
    LinuxSystemEvents events(none);
    QSignalSpy sleeps(&events, &SystemEvents::willSleep);
    events.start();
    QCoreApplication::processEvents();
    EXPECT_EQ(sleeps.count(), 0);
}

} // namespace
} // namespace voltmere

#include "LinuxSystemEventsTest.moc"
