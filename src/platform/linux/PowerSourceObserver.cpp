#include "platform/linux/PowerSourceObserver.h"

#include <QSocketNotifier>

#include <libudev.h>

namespace voltmere {

PowerSourceObserver::PowerSourceObserver(QObject *parent)
    : QObject(parent)
{
}

PowerSourceObserver::~PowerSourceObserver()
{
    delete m_notifier;
    if (m_monitor) {
        udev_monitor_unref(m_monitor);
    }
    if (m_udev) {
        udev_unref(m_udev);
    }
}

void PowerSourceObserver::start()
{
    if (m_started) {
        return;
    }
    m_started = true;
    m_udev = udev_new();
    if (!m_udev) {
        return;
    }
    m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
    if (!m_monitor || udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "power_supply", nullptr) < 0
        || udev_monitor_enable_receiving(m_monitor) < 0) {
        return; // no netlink socket here (a container): ticks still read the battery
    }
    const int fd = udev_monitor_get_fd(m_monitor);
    if (fd < 0) {
        return;
    }
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PowerSourceObserver::drain);
    ++m_registrations;
}

void PowerSourceObserver::drain()
{
    // One notification per wake-up even when several uevents queued up: the
    // answer (read the battery again) is the same for all of them.
    bool any = false;
    while (udev_device *device = udev_monitor_receive_device(m_monitor)) {
        udev_device_unref(device);
        any = true;
    }
    if (any) {
        Q_EMIT changed();
    }
}

} // namespace voltmere
