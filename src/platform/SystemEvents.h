#pragma once

#include <QObject>

#include <memory>

namespace voltmere {

// The system notifications the Monitor answers: the machine going to sleep
// and waking, a change of power source, and the application becoming active.
// Signals are delivered on the main thread, once per event.
class SystemEvents : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~SystemEvents() override = default;

    // Begins delivering events. Idempotent. A source that does not exist on
    // this machine (no system bus, no udev) delivers nothing, silently.
    virtual void start() = 0;

    // The events of the running operating system.
    static std::unique_ptr<SystemEvents> createForThisMachine(QObject *parent = nullptr);

Q_SIGNALS:
    void willSleep();
    void didWake();
    void powerSourceChanged();
    void applicationBecameActive();
};

} // namespace voltmere
