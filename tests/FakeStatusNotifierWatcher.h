#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
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

    bool isHostRegistered() const { return m_hostRegistered; }
    int protocolVersion() const { return 0; }
    QStringList items() const { return m_items; }
    // Every item registration seen, across restarts.
    int registrations = 0;

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString &service)
    {
        // Items name either their bus name or their object path; the sender
        // is the bus name either way.
        const QString item = service.startsWith(QLatin1Char('/')) ? message().service() + service : service;
        m_items.append(item);
        ++registrations;
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
    bool m_hostRegistered = true;
};

} // namespace voltmere::test
