#pragma once

#include "platform/SystemEvents.h"

namespace voltmere {

// Sleep and wake come from logind's PrepareForSleep signal on the system bus;
// activation from the GUI application's state.
class PowerSourceObserver;

// Power-source changes come from udev's power_supply events.
class LinuxSystemEvents final : public SystemEvents {
    Q_OBJECT
public:
    explicit LinuxSystemEvents(QObject *parent = nullptr);

    void start() override;

private Q_SLOTS:
    void prepareForSleep(bool start);

private:
    bool m_started = false;
    PowerSourceObserver *m_powerSources = nullptr;
};

} // namespace voltmere
