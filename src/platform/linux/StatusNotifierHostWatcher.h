#pragma once

#include "platform/TrayHostWatcher.h"

#include <QDBusConnection>

class QDBusServiceWatcher;

namespace voltmere {

// The freedesktop tray: an org.kde.StatusNotifierWatcher on the session bus
// with a host (the panel that draws the items) registered with it. The
// watcher and its host may start in either order, so a tray counts as
// available only once the watcher says a host is registered.
class StatusNotifierHostWatcher final : public TrayHostWatcher {
    Q_OBJECT
public:
    static inline const QString service = QStringLiteral("org.kde.StatusNotifierWatcher");

    explicit StatusNotifierHostWatcher(const QDBusConnection &bus, QObject *parent = nullptr);

    bool isAvailable() const override { return m_available; }
    bool canWatch() const override { return m_bus.isConnected(); }
    bool hasWatcher() const override;

private Q_SLOTS:
    void hostRegistered();

private:
    void ownerChanged(const QString &newOwner);
    // Asks the watcher whether a host is registered; a yes makes the tray available.
    void askHostRegistered();
    void setAvailable(bool available);

    QDBusConnection m_bus;
    QDBusServiceWatcher *m_watcher = nullptr;
    bool m_available = false;
    int m_question = 0; // answers about an earlier watcher are dropped
};

} // namespace voltmere
