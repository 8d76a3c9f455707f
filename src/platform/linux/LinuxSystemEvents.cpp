#include "platform/linux/LinuxSystemEvents.h"

#include "platform/linux/PowerSourceObserver.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>

namespace voltmere {

LinuxSystemEvents::LinuxSystemEvents(const QDBusConnection &bus, QObject *parent)
    : SystemEvents(parent)
    , m_bus(bus)
{
}

std::unique_ptr<SystemEvents> SystemEvents::createForThisMachine(QObject *parent)
{
    return std::make_unique<LinuxSystemEvents>(QDBusConnection::systemBus(), parent);
}

void LinuxSystemEvents::start()
{
    if (m_started) {
        return;
    }
    m_started = true;

    // logind announces a suspend with PrepareForSleep(true) and the resume
    // with PrepareForSleep(false). Without a system bus (containers, CI)
    // there is simply no sleep event; nothing else depends on it.
    if (m_bus.isConnected()) {
        m_bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                    QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
                    SLOT(prepareForSleep(bool)));
        takeSleepInhibitor();
    }

    m_powerSources = new PowerSourceObserver(this);
    connect(m_powerSources, &PowerSourceObserver::changed, this, &SystemEvents::powerSourceChanged);
    m_powerSources->start();

    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive) {
                Q_EMIT applicationBecameActive();
            }
        });
    }
}

void LinuxSystemEvents::takeSleepInhibitor()
{
    // Asked without waiting: the answer comes from logind on the system bus,
    // and a start must not stall on it.
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.login1"),
        QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.login1.Manager"),
        QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep") << QStringLiteral("Voltmere")
         << QStringLiteral("Saving readings to the history before sleep") << QStringLiteral("delay");
    const int request = ++m_request;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, request] {
        watcher->deleteLater();
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *watcher;
        // An answer that arrives after the sleep began (or after a newer
        // request) would hold the machine awake for nothing; dropping it closes it.
        if (request != m_request || m_asleep || reply.isError()) {
            if (reply.isError()) {
                Q_EMIT sleepInhibitorChanged(false);
            }
            return;
        }
        m_inhibitor = reply.value();
        Q_EMIT sleepInhibitorChanged(m_inhibitor.isValid());
    });
}

void LinuxSystemEvents::prepareForSleep(bool start)
{
    if (start) {
        m_asleep = true;
        // The handlers run now, on this thread, and the Monitor's writes the
        // history before returning; closing the descriptor then lets the sleep go on.
        Q_EMIT willSleep();
        const bool held = m_inhibitor.isValid();
        m_inhibitor = QDBusUnixFileDescriptor();
        if (held) {
            Q_EMIT sleepInhibitorChanged(false);
        }
    } else {
        m_asleep = false;
        Q_EMIT didWake();
        if (m_bus.isConnected()) {
            takeSleepInhibitor();
        }
    }
}

} // namespace voltmere
