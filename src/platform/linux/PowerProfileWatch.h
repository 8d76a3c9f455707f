#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>

#include <optional>

namespace voltmere {

// The power-profiles daemon's active profile, asked once and then followed
// through its PropertiesChanged signal, so a battery read costs no D-Bus
// round trip. The daemon is asked again only when one of its bus names
// changes owner (started, restarted, stopped). Lives on, and is used from,
// the thread that created it, which must run an event loop (the sampling
// queue).
class PowerProfileWatch : public QObject {
    Q_OBJECT
public:
    explicit PowerProfileWatch(const QDBusConnection &bus, QObject *parent = nullptr);

    // Whether the profile is "power-saver"; absent when no daemon answers.
    std::optional<bool> powerSaver();

private Q_SLOTS:
    void propertiesChanged(const QString &interface, const QVariantMap &changed, const QStringList &invalidated);

private:
    void ask();

    QDBusConnection m_bus;
    bool m_stale = true;
    std::optional<QString> m_profile;
};

} // namespace voltmere
