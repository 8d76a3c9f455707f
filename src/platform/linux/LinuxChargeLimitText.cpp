#include "platform/ChargeLimitText.h"

#include <QStringList>

namespace voltmere {

namespace {

const QString never = QStringLiteral("Voltmere never limits charging, so there's nothing to override.");

QString percent(int value)
{
    return QString::number(value) + QLatin1Char('%');
}

std::vector<const BatteryChargeLimits *> limited(const std::vector<BatteryChargeLimits> &limits)
{
    std::vector<const BatteryChargeLimits *> out;
    for (const BatteryChargeLimits &battery : limits) {
        if (battery.endThreshold) {
            out.push_back(&battery);
        }
    }
    return out;
}

// True when every limited battery stops and starts at the same levels, so
// one sentence covers them all.
bool alike(const std::vector<const BatteryChargeLimits *> &batteries)
{
    for (const BatteryChargeLimits *battery : batteries) {
        if (battery->endThreshold != batteries.front()->endThreshold
            || battery->startThreshold != batteries.front()->startThreshold) {
            return false;
        }
    }
    return true;
}

// "80% and starts again below 75%", or just "80%".
QString stopAndStart(const BatteryChargeLimits &battery)
{
    QString text = percent(*battery.endThreshold);
    if (battery.startThreshold && *battery.startThreshold < *battery.endThreshold) {
        text += QStringLiteral(" and starts again below ") + percent(*battery.startThreshold);
    }
    return text;
}

// What a charge behaviour other than the normal one means right now.
QString behaviourSentence(const std::vector<BatteryChargeLimits> &limits)
{
    for (const BatteryChargeLimits &battery : limits) {
        if (battery.behaviour == QStringLiteral("inhibit-charge")) {
            return QStringLiteral(" Right now the firmware is holding the charge (charge_behaviour is inhibit-charge).");
        }
        if (battery.behaviour == QStringLiteral("force-discharge")) {
            return QStringLiteral(" Right now the firmware runs the computer from the battery even on the power "
                                  "adapter (charge_behaviour is force-discharge).");
        }
    }
    return {};
}

// "this battery", or "these batteries" on a machine with several.
QString batteryNoun(const std::vector<BatteryChargeLimits> &limits)
{
    return limits.size() > 1 ? QStringLiteral("these batteries") : QStringLiteral("this battery");
}

} // namespace

ChargeLimitText::Explanation ChargeLimitText::checking()
{
    return {QStringLiteral("Enforced charge limit"), QStringLiteral("Checking…"),
            QStringLiteral("Checking whether the kernel exposes a charge limit for this battery…")};
}

ChargeLimitText::Explanation ChargeLimitText::enforcedLimit(const std::vector<BatteryChargeLimits> &limits)
{
    const QString title = QStringLiteral("Enforced charge limit");
    const auto batteries = limited(limits);
    if (batteries.empty()) {
        // Only the kernel's files are known: a limit kept by the firmware
        // setup, or by a driver that does not expose it, may still hold.
        return {title, QStringLiteral("Not exposed by the kernel"),
                QStringLiteral("The kernel exposes no charge limit for ") + batteryNoun(limits) +
                    QStringLiteral(" (no charge_control_end_threshold). A limit set in the firmware setup, or one "
                                   "the kernel's driver doesn't expose, may still hold; Voltmere can't see it. "
                                   "Voltmere never writes charging settings, so it doesn't offer a limit of its own "
                                   "rather than one that might not hold.") +
                    behaviourSentence(limits)};
    }
    QString status;
    QString stops;
    if (alike(batteries)) {
        status = QStringLiteral("Stops at ") + percent(*batteries.front()->endThreshold);
        stops = QStringLiteral("The firmware stops charging at ") + stopAndStart(*batteries.front()) +
                QLatin1Char('.');
    } else {
        status = QStringLiteral("Set by the firmware");
        QStringList each;
        for (const BatteryChargeLimits *battery : batteries) {
            each.append(battery->battery + QStringLiteral(" at ") + stopAndStart(*battery));
        }
        stops = QStringLiteral("The firmware stops charging ") + each.join(QStringLiteral("; ")) + QLatin1Char('.');
    }
    return {title, status,
            stops + behaviourSentence(limits) +
                QStringLiteral(" The limit is set by the system (the laptop's firmware setup, the desktop's power "
                               "settings or a power tool), not by Voltmere, which only reads "
                               "charge_control_end_threshold and never changes it.")};
}

ChargeLimitText::Explanation ChargeLimitText::chargeToFull(const std::vector<BatteryChargeLimits> &limits)
{
    const QString title = QStringLiteral("Charge to full");
    const QString status = QStringLiteral("Not needed");
    const auto batteries = limited(limits);
    const bool below = std::any_of(batteries.begin(), batteries.end(),
                                   [](const BatteryChargeLimits *battery) { return *battery->endThreshold < 100; });
    if (below && alike(batteries)) {
        return {title, status,
                never + QStringLiteral(" If the battery is holding below 100%, that's the firmware's charge limit of ") +
                    percent(*batteries.front()->endThreshold) +
                    QStringLiteral("; raising it to 100% in the firmware setup or the desktop's power settings lets "
                                   "it charge to full.")};
    }
    if (below) {
        return {title, status,
                never + QStringLiteral(" If a battery is holding below 100%, that's the firmware's charge limit; "
                                       "raising it to 100% in the firmware setup or the desktop's power settings lets "
                                       "it charge to full.")};
    }
    return {title, status,
            never + QStringLiteral(" If the battery is holding below 100% while plugged in, that's the laptop's "
                                   "firmware or power settings, which Voltmere doesn't change.")};
}

QString ChargeLimitText::summary(const std::vector<BatteryChargeLimits> &limits)
{
    const auto batteries = limited(limits);
    if (batteries.empty()) {
        return QStringLiteral("The kernel exposes no charge limit for ") + batteryNoun(limits) +
               QStringLiteral(", and Voltmere does not offer one.");
    }
    if (alike(batteries)) {
        return QStringLiteral("The firmware limits charging to ") + percent(*batteries.front()->endThreshold) +
               QStringLiteral("; Voltmere only reads that limit.");
    }
    QStringList each;
    for (const BatteryChargeLimits *battery : batteries) {
        each.append(battery->battery + QLatin1Char(' ') + percent(*battery->endThreshold));
    }
    return QStringLiteral("The firmware limits charging (") + each.join(QStringLiteral(", ")) +
           QStringLiteral("); Voltmere only reads these limits.");
}

} // namespace voltmere
