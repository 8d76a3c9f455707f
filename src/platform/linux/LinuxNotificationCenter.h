#pragma once

#include "platform/NotificationCenter.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

class QDBusError;
class QDBusMessage;

namespace voltmere {

// Notifications through the desktop's notification server
// (org.freedesktop.Notifications on the session bus).
//
// The freedesktop service has no authorisation step, so the four permission
// states are read from whether a server answers:
//   - no session bus: the program has no application identity, so the
//     permission stays unknown (the settings are never read);
//   - a server answers: authorised with alerts enabled (allowed);
//   - no server owns the name and none can be started: denied (off), since
//     nothing this program posts can be shown until the user installs or
//     enables one;
//   - any other failure (a timeout, an access error): not determined
//     (notAsked), so asking again tries the server again.
// Requesting authorisation asks the server who it is, which starts an
// activatable server and reports the same errors a notification would meet.
//
// Sounds use freedesktop sound-theme names: the system default sound is
// the "sound-name" hint "message-new-instant"; a notification without a sound
// carries "suppress-sound", so servers that play a sound for everything stay
// quiet. Identifiers map onto server ids: a notification replaces the one
// previously shown under the same identifier (replaces_id), and carries the
// identifier itself in the "x-voltmere-identifier" hint.
class LinuxNotificationCenter final : public NotificationCenter {
public:
    static constexpr int callTimeoutMs = 10'000;

    explicit LinuxNotificationCenter(QDBusConnection bus = QDBusConnection::sessionBus());
    ~LinuxNotificationCenter() override;

    bool hasApplicationIdentity() const override;
    void getSettings(std::function<void(NotificationSettings)> completion) override;
    void requestAuthorization(ErrorCompletion completion) override;
    void add(const QString &identifier, const NotificationContent &content, ErrorCompletion completion) override;
    std::optional<QString> openSettings() override;

    // The settings that the answer to a capability query stands for (an
    // invalid error means the server answered).
    static NotificationSettings settingsForReply(const QDBusError &error);

    struct Command {
        QString program;
        QStringList arguments;
        bool operator==(const Command &) const = default;
    };
    // The notification-settings program to run: the current desktop's own
    // first (`desktops` is XDG_CURRENT_DESKTOP, colon-separated), then any
    // other installed one. `findExecutable` returns the full path of a
    // program name, or an empty string when it is not installed.
    static std::optional<Command> settingsCommand(
        const QString &desktops, const std::function<QString(const QString &)> &findExecutable);

private:
    void call(const QDBusMessage &message, std::function<void(const QDBusMessage &reply)> done);

    QDBusConnection m_bus;
    std::unique_ptr<QObject> m_context; // parent of pending calls; they die with the centre
    QHash<QString, uint> m_serverIds; // our identifier -> the server's id of the last one shown
};

} // namespace voltmere
