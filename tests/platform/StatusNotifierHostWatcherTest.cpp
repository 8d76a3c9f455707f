#include "platform/linux/StatusNotifierHostWatcher.h"

#include "EventLoop.h"
#include "FakeStatusNotifierWatcher.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace voltmere {
namespace {

using test::waitFor;

// A tray that starts after the program, goes away, and comes back with its
// host registering a moment after the watcher: each step must be seen.
TEST(StatusNotifierHostWatcherDBusTest, FollowsATrayThatStartsLateRestartsAndRegistersItsHostLate)
{
    test::FakeStatusNotifierWatcher tray(QStringLiteral("voltmere-test-tray"));
    StatusNotifierHostWatcher watcher(QDBusConnection::sessionBus());
    QSignalSpy appeared(&watcher, &TrayHostWatcher::appeared);
    QSignalSpy lost(&watcher, &TrayHostWatcher::lost);
    ASSERT_TRUE(watcher.canWatch());
    test::settleFor(100);
    EXPECT_FALSE(watcher.isAvailable());

    ASSERT_TRUE(tray.start());
    ASSERT_TRUE(waitFor([&] { return watcher.isAvailable(); }));
    EXPECT_EQ(appeared.count(), 1);

    tray.stop();
    ASSERT_TRUE(waitFor([&] { return !watcher.isAvailable(); }));
    EXPECT_EQ(lost.count(), 1);

    ASSERT_TRUE(tray.start(false));
    test::settleFor(200);
    EXPECT_FALSE(watcher.isAvailable()) << "a watcher without a host draws nothing";
    tray.registerHost();
    ASSERT_TRUE(waitFor([&] { return watcher.isAvailable(); }));
    EXPECT_EQ(appeared.count(), 2);
    tray.stop();
}

TEST(StatusNotifierHostWatcherTest, WithoutASessionBusItCannotWatch)
{
    StatusNotifierHostWatcher watcher(QDBusConnection(QStringLiteral("voltmere-no-such-bus")));
    EXPECT_FALSE(watcher.canWatch());
    EXPECT_FALSE(watcher.isAvailable());
}

} // namespace
} // namespace voltmere
