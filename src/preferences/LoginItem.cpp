#include "preferences/LoginItem.h"

namespace voltmere::LoginItem {

std::optional<QString> setEnabled(bool enabled, LoginItemService &service)
{
    return enabled ? service.registerItem() : service.unregisterItem();
}

bool isEnabled(const LoginItemService &service)
{
    return service.status() == LoginItemStatus::enabled;
}

} // namespace voltmere::LoginItem
