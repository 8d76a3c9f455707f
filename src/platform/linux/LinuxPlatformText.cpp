#include "platform/PlatformText.h"

#include <QHash>

namespace voltmere {

namespace {

struct Wording {
    const char16_t *original;
    const char16_t *here;
};

// Every text shown to the user that would be false on a Linux machine, with
// what a Linux user reads instead. Grouped by where the text appears.
constexpr Wording table[] = {
    // Gap labels
    {u"Mac asleep", u"Computer asleep"},

    // Battery page
    {u"This Mac runs from a power adapter only, so battery readings and the charge reminder aren't available.",
     u"This computer runs from a power adapter only, so battery readings and the charge reminder aren't available."},
    {u"This Mac has no internal battery.", u"This computer has no internal battery."},
    {u"IOPowerSources didn't report a current capacity.", u"The battery doesn't report capacity."},
    {u"IOPowerSources didn't report a power source state.", u"The battery doesn't report status."},
    {u"IOPowerSources didn't report a health condition.", u"The battery doesn't report health."},
    {u"AppleSmartBattery CycleCount is missing.", u"The battery doesn't report cycle_count."},
    {u"AppleSmartBattery capacity keys are missing.",
     u"The battery doesn't report charge_full and charge_full_design (or energy_full and energy_full_design)."},
    {u"AppleSmartBattery Temperature is missing.", u"The battery doesn't report temp."},
    {u"macOS is holding the charge, usually because of Optimized Battery Charging.",
     u"The battery reports that it isn't charging, usually because the firmware's charge limit has been reached."},
    {u"New batteries often hold more than their design capacity; System Settings caps this at 100%.",
     u"New batteries often hold more than their design capacity, so this can read above 100% for a while."},
    {u"macOS isn't reporting a charge level, so the reminder can't run.",
     u"The system isn't reporting a charge level, so the reminder can't run."},
    {u"Low Power Mode is on", u"Power saver mode is on"},
};

const QHash<QStringView, QStringView> &lookup()
{
    static const QHash<QStringView, QStringView> map = [] {
        QHash<QStringView, QStringView> m;
        for (const Wording &w : table) {
            m.insert(QStringView(w.original), QStringView(w.here));
        }
        return m;
    }();
    return map;
}

} // namespace

QString PlatformText::say(QStringView original)
{
    const auto it = lookup().constFind(original);
    return (it == lookup().constEnd() ? original : *it).toString();
}

} // namespace voltmere
