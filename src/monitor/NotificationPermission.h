#pragma once

#include "platform/NotificationCenter.h"

namespace voltmere {

// The program's permission to notify, as the Monitor publishes it.
enum class NotificationPermission {
    unknown, // not determined yet, or the program has no application identity
    notAsked, // the user has not been asked yet
    allowed, // alerts may be shown
    off, // the user refused, or turned alerts off
};

// Enabled alerts always mean allowed; otherwise the authorisation decides,
// and for a status this program does not know, the alert setting does.
NotificationPermission notificationPermissionFor(const NotificationSettings &settings);

} // namespace voltmere
