#pragma once

#include <QObject>

struct udev;
struct udev_monitor;
class QSocketNotifier;

namespace voltmere {

// Turns the kernel's power_supply uevents (adapter plugged or pulled, battery
// status changes) into `changed()`, delivered on the thread that owns the
// observer (the main thread). Without udev, or where the kernel's event
// socket cannot be opened, it stays silent and the battery is read by the
// sampling ticks alone.
class PowerSourceObserver final : public QObject {
    Q_OBJECT
public:
    explicit PowerSourceObserver(QObject *parent = nullptr);
    ~PowerSourceObserver() override;

    // Idempotent: the monitor is created and registered at most once.
    void start();
    // True once a monitor is listening.
    bool isListening() const { return m_notifier != nullptr; }
    int registrations() const { return m_registrations; }

Q_SIGNALS:
    void changed();

private:
    void drain();

    bool m_started = false;
    int m_registrations = 0;
    udev *m_udev = nullptr;
    udev_monitor *m_monitor = nullptr;
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace voltmere
