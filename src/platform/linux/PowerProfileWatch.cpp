#include "platform/linux/PowerProfileWatch.h"

#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

#include <array>
#include <utility>

namespace voltmere {

namespace {

// Its bus name moved from net.hadess to org.freedesktop.UPower; both are watched.
const std::array<std::pair<QString, QString>, 2> daemons {
    std::pair { QStringLiteral("org.freedesktop.UPower.PowerProfiles"),
                QStringLiteral("/org/freedesktop/UPower/PowerProfiles") },
    std::pair { QStringLiteral("net.hadess.PowerProfiles"), QStringLiteral("/net/hadess/PowerProfiles") }
};

const QString activeProfile = QStringLiteral("ActiveProfile");

} // namespace

PowerProfileWatch::PowerProfileWatch(const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , m_bus(bus)
{
    if (!m_bus.isConnected()) {
        return;
    }
    auto *watcher = new QDBusServiceWatcher(this);
    watcher->setConnection(m_bus);
    watcher->setWatchMode(QDBusServiceWatcher::WatchForOwnerChange);
    for (const auto &[service, path] : daemons) {
        watcher->addWatchedService(service);
        m_bus.connect(service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
                      QStringLiteral("PropertiesChanged"), this,
                      SLOT(propertiesChanged(QString, QVariantMap, QStringList)));
    }
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, [this] { m_stale = true; });
}

std::optional<bool> PowerProfileWatch::powerSaver()
{
    if (m_stale) {
        ask();
    }
    if (!m_profile) {
        return std::nullopt;
    }
    return *m_profile == QStringLiteral("power-saver");
}

void PowerProfileWatch::ask()
{
    m_stale = false;
    m_profile.reset();
    if (!m_bus.isConnected()) {
        return;
    }
    for (const auto &[service, path] : daemons) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            service, path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        call << service << activeProfile;
        call.setAutoStartService(false);
        const QDBusMessage reply = m_bus.call(call, QDBus::Block, 250);
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
            m_profile = reply.arguments().constFirst().value<QDBusVariant>().variant().toString();
            return;
        }
    }
}

void PowerProfileWatch::propertiesChanged(const QString &, const QVariantMap &changed, const QStringList &invalidated)
{
    if (const auto it = changed.constFind(activeProfile); it != changed.constEnd()) {
        m_profile = it->toString();
    } else if (invalidated.contains(activeProfile)) {
        m_stale = true;
    }
}

} // namespace voltmere
