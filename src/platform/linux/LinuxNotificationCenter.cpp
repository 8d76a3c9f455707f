#include "platform/linux/LinuxNotificationCenter.h"

#include <QCoreApplication>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QProcess>
#include <QStandardPaths>
#include <QGuiApplication>
#include <QVariantMap>

#include <array>

namespace voltmere {

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");

QDBusMessage methodCall(const QString &method)
{
    return QDBusMessage::createMethodCall(service, path, interface, method);
}

std::optional<QString> errorText(const QDBusMessage &reply)
{
    if (reply.type() != QDBusMessage::ErrorMessage) {
        return std::nullopt;
    }
    return reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
}

// The notification-settings programs of the common desktops, keyed by the
// names those desktops put in XDG_CURRENT_DESKTOP.
struct SettingsProgram {
    const char *desktop;
    const char *program;
    std::initializer_list<const char *> arguments;
};

const std::array<SettingsProgram, 8> settingsPrograms { {
    { "GNOME", "gnome-control-center", { "notifications" } },
    { "Unity", "gnome-control-center", { "notifications" } },
    { "KDE", "systemsettings", { "kcm_notifications" } },
    { "KDE", "systemsettings5", { "kcm_notifications" } },
    { "XFCE", "xfce4-notifyd-config", {} },
    { "MATE", "mate-notification-properties", {} },
    { "X-Cinnamon", "cinnamon-settings", { "notifications" } },
    { "LXQt", "lxqt-config-notificationd", {} },
} };

} // namespace

std::unique_ptr<NotificationCenter> NotificationCenter::createForThisMachine()
{
    return std::make_unique<LinuxNotificationCenter>();
}

LinuxNotificationCenter::LinuxNotificationCenter(QDBusConnection bus)
    : m_bus(std::move(bus))
    , m_context(std::make_unique<QObject>())
{
}

LinuxNotificationCenter::~LinuxNotificationCenter() = default;

bool LinuxNotificationCenter::hasApplicationIdentity() const
{
    return m_bus.isConnected();
}

void LinuxNotificationCenter::call(const QDBusMessage &message, std::function<void(const QDBusMessage &)> done)
{
    // Without a bus QtDBus hands back a call that never finishes, so the
    // failure is reported here, from the event loop like any answer, so that
    // completions never run inside the caller.
    if (!m_bus.isConnected()) {
        const QString reason = m_bus.lastError().isValid() && !m_bus.lastError().message().isEmpty()
            ? m_bus.lastError().message()
            : QStringLiteral("Not connected to the session bus.");
        QMetaObject::invokeMethod(
            m_context.get(),
            [done = std::move(done), reply = message.createErrorReply(QDBusError::Disconnected, reason)] {
                done(reply);
            },
            Qt::QueuedConnection);
        return;
    }
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message, callTimeoutMs), m_context.get());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
        [done = std::move(done)](QDBusPendingCallWatcher *finished) {
            finished->deleteLater();
            done(finished->reply());
        });
}

NotificationSettings LinuxNotificationCenter::settingsForReply(const QDBusError &error)
{
    if (!error.isValid()) {
        return { NotificationAuthorization::authorized, NotificationAlertSetting::enabled };
    }
    // ServiceUnknown: nobody owns the name and no activatable server exists;
    // Spawn.*: an activatable server exists but could not be started.
    if (error.type() == QDBusError::ServiceUnknown
        || error.name().startsWith(QLatin1String("org.freedesktop.DBus.Error.Spawn"))) {
        return { NotificationAuthorization::denied, NotificationAlertSetting::notSupported };
    }
    return { NotificationAuthorization::notDetermined, NotificationAlertSetting::notSupported };
}

void LinuxNotificationCenter::getSettings(std::function<void(NotificationSettings)> completion)
{
    call(
        methodCall(QStringLiteral("GetCapabilities")), [completion = std::move(completion)](const QDBusMessage &reply) {
            completion(settingsForReply(QDBusError(reply)));
        });
}

void LinuxNotificationCenter::requestAuthorization(ErrorCompletion completion)
{
    call(methodCall(QStringLiteral("GetServerInformation")),
        [completion = std::move(completion)](const QDBusMessage &reply) { completion(errorText(reply)); });
}

void LinuxNotificationCenter::add(
    const QString &identifier, const NotificationContent &content, ErrorCompletion completion)
{
    QVariantMap hints;
    hints.insert(QStringLiteral("x-voltmere-identifier"), identifier);
    if (content.sound == NotificationContent::Sound::systemDefault) {
        hints.insert(QStringLiteral("sound-name"), QStringLiteral("message-new-instant"));
    } else {
        hints.insert(QStringLiteral("suppress-sound"), true);
    }
    // The desktop entry's name lets the desktop attribute the notification
    // to Voltmere (its settings, grouping and icon); the icon is the one the
    // entry names, installed into the icon theme.
    QString entry = QGuiApplication::desktopFileName();
    if (entry.isEmpty()) {
        entry = QStringLiteral("voltmere");
    }
    hints.insert(QStringLiteral("desktop-entry"), entry);
    QDBusMessage message = methodCall(QStringLiteral("Notify"));
    message << QCoreApplication::applicationName() << m_serverIds.value(identifier, 0u) << entry << content.title
            << content.body << QStringList() << hints << -1; // -1: the server's own display time
    call(message, [this, identifier, completion = std::move(completion)](const QDBusMessage &reply) {
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
            m_serverIds.insert(identifier, reply.arguments().constFirst().toUInt());
        }
        completion(errorText(reply));
    });
}

std::optional<LinuxNotificationCenter::Command> LinuxNotificationCenter::settingsCommand(
    const QString &desktops, const std::function<QString(const QString &)> &findExecutable)
{
    const QStringList current = desktops.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    std::vector<const SettingsProgram *> ordered;
    for (const QString &desktop : current) {
        for (const SettingsProgram &candidate : settingsPrograms) {
            if (desktop.compare(QLatin1String(candidate.desktop), Qt::CaseInsensitive) == 0) {
                ordered.push_back(&candidate);
            }
        }
    }
    for (const SettingsProgram &candidate : settingsPrograms) {
        ordered.push_back(&candidate);
    }
    for (const SettingsProgram *candidate : ordered) {
        const QString program = findExecutable(QString::fromLatin1(candidate->program));
        if (program.isEmpty()) {
            continue;
        }
        Command command { program, {} };
        for (const char *argument : candidate->arguments) {
            command.arguments << QString::fromLatin1(argument);
        }
        return command;
    }
    return std::nullopt;
}

std::optional<QString> LinuxNotificationCenter::openSettings()
{
    const auto command = settingsCommand(qEnvironmentVariable("XDG_CURRENT_DESKTOP"),
        [](const QString &name) { return QStandardPaths::findExecutable(name); });
    if (!command) {
        return QStringLiteral("No notification settings were found for this desktop.");
    }
    if (!QProcess::startDetached(command->program, command->arguments)) {
        return QStringLiteral("The notification settings could not be opened (%1 did not start).")
            .arg(command->program);
    }
    return std::nullopt;
}

} // namespace voltmere
