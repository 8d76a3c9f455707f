#include "platform/linux/StatusNotifierHostWatcher.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

namespace voltmere {

namespace {

const QString watcherPath = QStringLiteral("/StatusNotifierWatcher");

} // namespace

std::unique_ptr<TrayHostWatcher> TrayHostWatcher::createForThisMachine(QObject *parent)
{
    return std::make_unique<StatusNotifierHostWatcher>(QDBusConnection::sessionBus(), parent);
}

StatusNotifierHostWatcher::StatusNotifierHostWatcher(const QDBusConnection &bus, QObject *parent)
    : TrayHostWatcher(parent)
    , m_bus(bus)
{
    if (!m_bus.isConnected()) {
        return;
    }
    m_watcher = new QDBusServiceWatcher(service, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &, const QString &newOwner) { ownerChanged(newOwner); });
    // A host that registers after the watcher started (the usual order when
    // the watcher lives in a desktop daemon and the host in the panel).
    m_bus.connect(service, watcherPath, service, QStringLiteral("StatusNotifierHostRegistered"), this,
                  SLOT(hostRegistered()));
    askHostRegistered();
}

bool StatusNotifierHostWatcher::hasWatcher() const
{
    // The bus itself answers this, never the tray's program.
    return m_bus.isConnected() && m_bus.interface() && m_bus.interface()->isServiceRegistered(service).value();
}

void StatusNotifierHostWatcher::askHostRegistered()
{
    // Asked without waiting: the tray is drawn by another program, which
    // must not be able to hold this one up, and the answer may come from
    // this very thread in tests.
    QDBusMessage get = QDBusMessage::createMethodCall(service, watcherPath,
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << service << QStringLiteral("IsStatusNotifierHostRegistered");
    const int question = ++m_question;
    auto *pending = new QDBusPendingCallWatcher(m_bus.asyncCall(get, 5000), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this, pending, question] {
        pending->deleteLater();
        const QDBusMessage reply = pending->reply();
        if (question != m_question || reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            return;
        }
        if (reply.arguments().constFirst().value<QDBusVariant>().variant().toBool()) {
            setAvailable(true);
        }
    });
}

void StatusNotifierHostWatcher::ownerChanged(const QString &newOwner)
{
    if (newOwner.isEmpty()) {
        setAvailable(false);
        return;
    }
    // A restarted watcher: whatever was registered with the old one is gone,
    // so the tray counts as lost even if the new one is ready at once.
    setAvailable(false);
    askHostRegistered();
}

void StatusNotifierHostWatcher::hostRegistered()
{
    if (!m_available) {
        setAvailable(true);
    }
}

void StatusNotifierHostWatcher::setAvailable(bool available)
{
    if (m_available == available) {
        return;
    }
    m_available = available;
    if (available) {
        Q_EMIT appeared();
    } else {
        Q_EMIT lost();
    }
}

} // namespace voltmere
