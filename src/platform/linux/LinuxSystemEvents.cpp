#include "platform/linux/LinuxSystemEvents.h"

#include "platform/linux/PowerSourceObserver.h"

#include <QDBusConnection>
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

void LinuxSystemEvents::prepareForSleep(bool start)
{
    if (start) {
        Q_EMIT willSleep();
    } else {
        Q_EMIT didWake();
    }
}

} // namespace voltmere
