#pragma once

#include "platform/SystemEvents.h"

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>

namespace voltmere {

class PowerSourceObserver;

// Sleep and wake come from logind's PrepareForSleep signal on the system bus;
// power-source changes from udev's power_supply events; activation from the
// GUI application's state.
//
// While awake the program holds a logind "delay" inhibitor for sleep, so a
// suspend waits (up to logind's InhibitDelayMaxSec) until willSleep() has
// been handled: the Monitor's handler writes the history synchronously, and
// only then is the inhibitor released. It is taken again after the wake.
class LinuxSystemEvents final : public SystemEvents {
    Q_OBJECT
public:
    // `bus` is where logind's signals arrive: the system bus, or a test's bus.
    explicit LinuxSystemEvents(const QDBusConnection &bus, QObject *parent = nullptr);

    void start() override;

    // Whether a sleep inhibitor is held right now.
    bool holdsSleepInhibitor() const { return m_inhibitor.isValid(); }

Q_SIGNALS:
    // A requested inhibitor arrived (or the request failed: `held` false).
    void sleepInhibitorChanged(bool held);

private Q_SLOTS:
    void prepareForSleep(bool start);

private:
    void takeSleepInhibitor();

    QDBusConnection m_bus;
    bool m_started = false;
    bool m_asleep = false;
    int m_request = 0; // answers to older requests are dropped
    QDBusUnixFileDescriptor m_inhibitor;
    PowerSourceObserver *m_powerSources = nullptr;
};

} // namespace voltmere
