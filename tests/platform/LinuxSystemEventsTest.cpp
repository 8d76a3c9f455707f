#include "platform/linux/LinuxSystemEvents.h"

#include "EventLoop.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QCoreApplication>
#include <QSignalSpy>
#include <QThread>

#include <gtest/gtest.h>

namespace voltmere {
namespace {

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
