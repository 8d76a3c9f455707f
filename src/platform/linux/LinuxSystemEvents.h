#pragma once

#include "platform/SystemEvents.h"

#include <QDBusConnection>

namespace voltmere {

class PowerSourceObserver;

// Sleep and wake come from logind's PrepareForSleep signal on the system bus;
// power-source changes from udev's power_supply events; activation from the
// GUI application's state.
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
