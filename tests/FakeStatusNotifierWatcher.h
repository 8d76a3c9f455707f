#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QObject>
#include <QStringList>

#include <memory>

namespace voltmere::test {

// The desktop's tray as D-Bus sees it: org.kde.StatusNotifierWatcher with a
// host registered, on a connection of its own so it can come and go (and
// come back as a restarted tray) while the program under test runs.
class FakeStatusNotifierWatcher : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
public:
    explicit FakeStatusNotifierWatcher(const QString &connectionName)
        : m_connectionName(connectionName)
    {
    }
    ~FakeStatusNotifierWatcher() override { stop(); }

    // Takes the watcher's name (a tray starting); with `hostRegistered`
    // false the host registers only when registerHost() is called.
    bool start(bool hostRegistered = true)
    {
        m_hostRegistered = hostRegistered;
        m_bus = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName));
        return m_bus->registerObject(QStringLiteral("/StatusNotifierWatcher"), this,
                   QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties
                       | QDBusConnection::ExportAllSignals)
            && m_bus->registerService(QStringLiteral("org.kde.StatusNotifierWatcher"));
    }
    // The tray goes away.
    void stop()
    {
        if (!m_bus) {
            return;
        }
        m_bus->unregisterService(QStringLiteral("org.kde.StatusNotifierWatcher"));
        m_bus->unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
        m_bus.reset();
        QDBusConnection::disconnectFromBus(m_connectionName);
        m_items.clear();
    }
    void registerHost()
    {
        m_hostRegistered = true;
        Q_EMIT StatusNotifierHostRegistered();
    }

    // What a tray does with an item, over the tray's own connection. Calls
    // wait while serving events, so an item in this very process answers.
    QDBusMessage callItem(const QString &item, const QString &path, const QString &interface, const QString &method,
                          const QVariantList &arguments = {})
    {
        QDBusMessage call = QDBusMessage::createMethodCall(item, path, interface, method);
        call.setArguments(arguments);
        return m_bus ? m_bus->call(call, QDBus::BlockWithGui, 5000) : QDBusMessage();
    }
    // The same without waiting for the answer.
    void sendToItem(const QString &item, const QString &path, const QString &interface, const QString &method,
                    const QVariantList &arguments = {})
    {
        QDBusMessage call = QDBusMessage::createMethodCall(item, path, interface, method);
        call.setArguments(arguments);
        if (m_bus) {
            m_bus->asyncCall(call);
        }
    }
    // A property of `item`'s org.kde.StatusNotifierItem; invalid when it cannot be read.
    QVariant itemProperty(const QString &item, const QString &name)
    {
        const QDBusMessage reply = callItem(item, QStringLiteral("/StatusNotifierItem"),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
            { QStringLiteral("org.kde.StatusNotifierItem"), name });
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            return {};
        }
        return reply.arguments().constFirst().value<QDBusVariant>().variant();
    }

    bool isHostRegistered() const { return m_hostRegistered; }
    int protocolVersion() const { return 0; }
    QStringList items() const { return m_items; }
    // The registrations of one item, across restarts. Programs that other
    // tests start share the session bus and may register too.
    int registrationsOf(const QString &item) const { return m_everRegistered.count(item); }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString &service)
    {
        // Items name either their bus name or their object path; the sender
        // is the bus name either way.
        const QString item = service.startsWith(QLatin1Char('/')) ? message().service() + service : service;
        m_items.append(item);
        m_everRegistered.append(item);
        Q_EMIT StatusNotifierItemRegistered(item);
    }
    void RegisterStatusNotifierHost(const QString &) { registerHost(); }

Q_SIGNALS:
    void StatusNotifierItemRegistered(const QString &service);
    void StatusNotifierItemUnregistered(const QString &service);
    void StatusNotifierHostRegistered();

private:
    QString m_connectionName;
    std::unique_ptr<QDBusConnection> m_bus;
    QStringList m_items;
    QStringList m_everRegistered;
    bool m_hostRegistered = true;
};

} // namespace voltmere::test
