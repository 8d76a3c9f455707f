#pragma once

#include "platform/LoginItemService.h"

#include <QString>

#include <optional>

namespace voltmere {

// Starting the program at login. Main thread only.
namespace LoginItem {

// Registers (true) or unregisters (false) the program; nothing on success,
// else the platform's description of the refusal.
std::optional<QString> setEnabled(bool enabled, LoginItemService &service = LoginItemService::forThisMachine());
// Only a registration the platform reports as enabled counts as on; one that
// awaits the user's approval or whose program is missing does not.
bool isEnabled(const LoginItemService &service = LoginItemService::forThisMachine());

} // namespace LoginItem

} // namespace voltmere
