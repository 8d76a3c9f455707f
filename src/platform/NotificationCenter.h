#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace voltmere {

// The system's authorisation for the program to notify. The raw values are
// the known ones; a platform may report a later value the program does not
// know, which is kept as its number.
enum class NotificationAuthorization : int {
    notDetermined = 0,
    denied = 1,
    authorized = 2,
    provisional = 3,
    ephemeral = 4,
};

// Whether the system shows alerts for the program.
enum class NotificationAlertSetting { notSupported, disabled, enabled };

struct NotificationSettings {
    NotificationAuthorization authorization = NotificationAuthorization::notDetermined;
    NotificationAlertSetting alert = NotificationAlertSetting::notSupported;
    bool operator==(const NotificationSettings &) const = default;
};

// What a notification says. A notification with no sound set is silent.
struct NotificationContent {
    enum class Sound { none, systemDefault };

    QString title;
    QString body;
    Sound sound = Sound::none;
    bool operator==(const NotificationContent &) const = default;
};

// The operating system's user-notification service. Every completion is
// called exactly once, on a thread of the implementation's choosing, with the
// error's user-readable description when the call failed (absent on success).
// The operations themselves are called on the main thread.
class NotificationCenter {
public:
    using ErrorCompletion = std::function<void(std::optional<QString> error)>;

    virtual ~NotificationCenter() = default;

    // Whether the program runs with an identity the service can attribute its
    // notifications to. Without one the settings cannot be read; requesting
    // and adding are still attempted.
    virtual bool hasApplicationIdentity() const = 0;
    // Reads the authorisation status and the alert setting.
    virtual void getSettings(std::function<void(NotificationSettings)> completion) = 0;
    // Asks for permission to show alerts with sound.
    virtual void requestAuthorization(ErrorCompletion completion) = 0;
    // Delivers a notification at once. A later notification with the same
    // identifier replaces the earlier one where the service allows it.
    virtual void add(const QString &identifier, const NotificationContent &content, ErrorCompletion completion) = 0;
    // Opens the desktop's notification settings. Returns the reason when
    // nothing could be opened; a failure is never silent.
    virtual std::optional<QString> openSettings() = 0;

    // The service of the running operating system.
    static std::unique_ptr<NotificationCenter> createForThisMachine();
};

} // namespace voltmere
