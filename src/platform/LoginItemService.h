#pragma once

#include <QString>

#include <optional>

namespace voltmere {

// The platform's registration of this program as started at login. The
// platform is the only source of truth: nothing about it is stored elsewhere.
enum class LoginItemStatus { notRegistered, enabled, requiresApproval, notFound };

// Main thread only.
class LoginItemService {
public:
    virtual ~LoginItemService() = default;

    virtual LoginItemStatus status() const = 0;
    // Each returns nothing on success, else the platform's description of
    // why it refused.
    virtual std::optional<QString> registerItem() = 0;
    virtual std::optional<QString> unregisterItem() = 0;

    // This machine's service for the running program (created once).
    static LoginItemService &forThisMachine();
};

} // namespace voltmere
