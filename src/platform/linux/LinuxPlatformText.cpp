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

    // Settings
    {u"Menu bar shows", u"Tray shows"},
    {u"Voltmere stays in the menu bar. The Dock icon appears while a window is open.",
     u"Voltmere stays in the system tray. Its taskbar entry appears while a window is open."},
    {u"Stored on this Mac", u"Stored on this computer"},
    {u"Reveal in Finder", u"Show in File Manager"},
    {u"This removes every reading Voltmere has stored on this Mac. It can't be undone.",
     u"This removes every reading Voltmere has stored on this computer. It can't be undone."},

    // Welcome
    {u"What's flowing through your Mac, right now.", u"What's flowing through your computer, right now."},
    {u"Voltmere lives in the menu bar. Open it when you want three answers.",
     u"Voltmere lives in the system tray. Open it when you want three answers."},

    // About: where each reading comes from here, and what the program talks to.
    {u"host_statistics tick deltas. Per-process CPU is proc_pid_rusage, where 100% is one core.",
     u"/proc/stat tick deltas. Per-process CPU is utime plus stime from /proc/<pid>/stat, where 100% is one core."},
    {u"kern.memorystatus pressure and level, plus host_statistics64 for app, wired, and compressed memory.",
     u"/proc/pressure/memory stall times with MemAvailable from /proc/meminfo for pressure and level, plus MemTotal "
     u"for memory in use."},
    {u"vm.swapusage.", u"SwapTotal and SwapFree in /proc/meminfo."},
    {u"I/O Registry IOBlockStorageDriver statistics.",
     u"/proc/diskstats sectors read and written, for whole physical disks only."},
    {u"sysctl NET_RT_IFLIST2 counters, excluding loopback and tunnels.",
     u"/proc/net/dev byte counters with the interface flags in /sys/class/net, excluding loopback and tunnels."},
    {u"IOPowerSources for level, state, and adapter. Cycle count, capacity, and temperature come from "
     u"AppleSmartBattery, which is read-only and not a formally documented API.",
     u"/sys/class/power_supply for level, state, adapter, cycle count, capacity, and temperature, re-read on udev "
     u"power_supply events. Low Power Mode is the power-profiles daemon's active profile. Voltmere only reads "
     u"these."},
    {u"Voltmere does not access the network. Readings, history, and preferences stay on this Mac. Help opens the "
     u"website in your browser; that request is the browser's, not Voltmere's.",
     u"Voltmere does not access the network. Readings, history, and preferences stay on this computer. On the "
     u"desktop's local message bus it listens to logind for sleep and wake and hands notifications to "
     u"org.freedesktop.Notifications. Help opens the website in your browser; that request is the browser's, not "
     u"Voltmere's."},

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
