#include "monitor/ReminderText.h"
#include "platform/PlatformText.h"

#include "model/Format.h"

namespace voltmere::ReminderText {

using Kind = ChargeReminderLogic::Status::Kind;

QString longText(const ChargeReminderLogic::Status &status, int target, Timestamp now)
{
    const QString t = QString::number(target);
    switch (status.kind()) {
    case Kind::delivered:
        return QStringLiteral("Reached ") + t + QStringLiteral("% at ")
            + Format::timestamp(status.deliveredAt().value_or(now), now)
            + QStringLiteral(". Notification sent; it won't repeat until you unplug.");
    case Kind::off:
        return QStringLiteral("Off.");
    case Kind::waitingForPower:
        return QStringLiteral("Waiting for the power adapter. You'll get one notification when the battery reaches ")
            + t + QStringLiteral("% while plugged in.");
    case Kind::armed:
        return QStringLiteral("Plugged in and charging toward ") + t
            + QStringLiteral("%. You'll get one notification when it gets there.");
    case Kind::aboveTargetAtPlugIn:
        return QStringLiteral("The battery was already at or above ") + t
            + QStringLiteral("% when plugged in, so there's nothing to remind you about this time.");
    case Kind::noBatteryReading:
        return PlatformText::say(PlatformText::Name::reminderWithoutChargeLevel);
    }
    return {};
}

QString shortText(const ChargeReminderLogic::Status &status, int target)
{
    const QString t = QString::number(target);
    switch (status.kind()) {
    case Kind::delivered:
        return t + QStringLiteral("% \u00B7 reached");
    case Kind::off:
        return QStringLiteral("Off");
    case Kind::waitingForPower:
        return t + QStringLiteral("% \u00B7 waiting for power");
    case Kind::armed:
        return t + QStringLiteral("% \u00B7 armed");
    case Kind::aboveTargetAtPlugIn:
        return t + QStringLiteral("% \u00B7 already above");
    case Kind::noBatteryReading:
        return QStringLiteral("No battery reading");
    }
    return {};
}

} // namespace voltmere::ReminderText
