// The desktop's motion setting, from the settings portal: GNOME, KDE and the
// portal's own appearance group all publish theirs there, so one reader
// covers them, sandboxed or not.

#include "platform/MotionPreference.h"

#include <QDBusConnection>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusMessage>
#include <QDBusVariant>

namespace voltmere {

namespace {

const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
const QString path = QStringLiteral("/org/freedesktop/portal/desktop");
const QString settings = QStringLiteral("org.freedesktop.portal.Settings");

// The portal's Read wraps the value in a variant, sometimes twice.
QVariant unwrap(QVariant value)
{
    while (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>()) {
        value = value.value<QDBusVariant>().variant();
    }
    return value;
}

class PortalWatcher final : public QObject {
    Q_OBJECT
public:
    explicit PortalWatcher(MotionPreference &preference)
        : QObject(&preference)
        , m_preference(preference)
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected()) {
            return;
        }
        // Any sender on the portal's path and interface: the portal's owner
        // may change over a session, and a filter on its name would then
        // miss the signal.
        bus.connect(QString(), path, settings, QStringLiteral("SettingChanged"), this,
                    SLOT(settingChanged(QDBusMessage)));
        const std::pair<const char *, const char *> keys[] = {
            {"org.gnome.desktop.interface", "enable-animations"},
            {"org.kde.kdeglobals.KDE", "AnimationDurationFactor"},
            {"org.freedesktop.appearance", "reduced-motion"},
        };
        for (const auto &[group, key] : keys) {
            QDBusMessage read = QDBusMessage::createMethodCall(service, path, settings, QStringLiteral("Read"));
            read << QString::fromLatin1(group) << QString::fromLatin1(key);
            // Never block start-up on a portal that is slow or absent.
            auto *call = new QDBusPendingCallWatcher(bus.asyncCall(read, 5000), this);
            connect(call, &QDBusPendingCallWatcher::finished, this,
                    [this, g = QString::fromLatin1(group), k = QString::fromLatin1(key)](QDBusPendingCallWatcher *w) {
                        const QDBusPendingReply<QDBusVariant> reply = *w;
                        if (!reply.isError()) {
                            m_preference.apply(g, k, unwrap(reply.argumentAt(0)));
                        }
                        w->deleteLater();
                    });
        }
    }

private Q_SLOTS:
    void settingChanged(const QDBusMessage &message)
    {
        const QList<QVariant> args = message.arguments();
        if (args.size() == 3) {
            m_preference.apply(args.at(0).toString(), args.at(1).toString(), unwrap(args.at(2)));
        }
    }

private:
    MotionPreference &m_preference;
};

} // namespace

MotionPreference &MotionPreference::shared()
{
    static MotionPreference *instance = [] {
        auto *preference = new MotionPreference;
        new PortalWatcher(*preference);
        return preference;
    }();
    return *instance;
}

} // namespace voltmere

#include "LinuxMotionPreference.moc"
