#include "monitor/NotificationPermission.h"

namespace voltmere {

NotificationPermission notificationPermissionFor(const NotificationSettings &settings)
{
    if (settings.alert == NotificationAlertSetting::enabled) {
        return NotificationPermission::allowed;
    }
    switch (settings.authorization) {
    case NotificationAuthorization::notDetermined:
        return NotificationPermission::notAsked;
    case NotificationAuthorization::denied:
        return NotificationPermission::off;
    case NotificationAuthorization::authorized:
    case NotificationAuthorization::provisional:
    case NotificationAuthorization::ephemeral:
        return NotificationPermission::allowed;
    }
    return settings.alert == NotificationAlertSetting::disabled ? NotificationPermission::off
                                                                : NotificationPermission::notAsked;
}

} // namespace voltmere
