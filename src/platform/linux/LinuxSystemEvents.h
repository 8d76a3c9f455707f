#pragma once

#include "platform/SystemEvents.h"

#include <QDBusConnection>

namespace voltmere {

// Sleep and wake come from logind's PrepareForSleep signal on the system bus;
// activation from the GUI application's state.
class PowerSourceObserver;

// Power-source changes come from udev's power_supply events.
class LinuxSystemEvents final : public SystemEvents {
    Q_OBJECT
public:
    // `bus` is where logind's signals arrive: the system bus, or a test's bus.
    explicit LinuxSystemEvents(const QDBusConnection &bus, QObject *parent = nullptr);

    void start() override;

private Q_SLOTS:
    void prepareForSleep(bool start);

private:
    QDBusConnection m_bus;
    bool m_started = false;
    PowerSourceObserver *m_powerSources = nullptr;
};

} // namespace voltmere
