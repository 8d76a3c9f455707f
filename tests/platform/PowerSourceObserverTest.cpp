#include "platform/linux/PowerSourceObserver.h"
#include "platform/linux/LinuxSystemEvents.h"

#include <QDBusConnection>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace voltmere {
namespace {

TEST(PowerSourceObserverTest, StartingTwiceRegistersAtMostOnce)
{
    PowerSourceObserver observer;
    observer.start();
    const int first = observer.registrations();
    EXPECT_LE(first, 1); // 0 where the uevent socket is unavailable
    EXPECT_EQ(observer.isListening(), first == 1);
    observer.start();
    EXPECT_EQ(observer.registrations(), first);
}

TEST(PowerSourceObserverTest, SystemEventsStartTwiceWithoutSpuriousPowerEvents)
{
    LinuxSystemEvents events(QDBusConnection(QStringLiteral("voltmere-no-such-bus")));
    QSignalSpy changes(&events, &SystemEvents::powerSourceChanged);
    events.start();
    events.start();
    QCoreApplication::processEvents();
    EXPECT_EQ(changes.count(), 0);
}

} // namespace
} // namespace voltmere
