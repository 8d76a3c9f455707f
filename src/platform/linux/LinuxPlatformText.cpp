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
    // Dashboard Overview: unavailable reasons name the file that did not
    // deliver; swap on Linux may be a partition as well as a file.
    {u"host_statistics didn't return CPU load.", u"/proc/stat didn't give CPU times."},
    {u"kern.memorystatus_level couldn't be read.", u"/proc/meminfo couldn't be read."},
    {u"vm.swapusage couldn't be read.", u"The swap totals in /proc/meminfo couldn't be read."},
    {u"No IOBlockStorageDriver statistics were found.", u"No disk statistics were found in /proc/diskstats."},
    {u"Interface counters (NET_RT_IFLIST2) couldn't be read.", u"Interface counters (/proc/net/dev) couldn't be read."},
    {u"swap files", u"swap space"},
    {u"Pressure reflects how hard macOS is working to free memory, not how full it is.",
     u"Pressure reflects how hard Linux is working to free memory, not how full it is."},

    // Reason texts of the readers: the Linux source that did not deliver
    {u"host_statistics didn't return CPU load.", u"/proc/stat didn't give CPU times."},
    {u"kern.memorystatus_level couldn't be read.", u"MemAvailable in /proc/meminfo couldn't be read."},
    {u"kern.memorystatus_vm_pressure_level couldn't be read.",
     u"Neither /proc/pressure/memory nor /proc/meminfo could be read."},
    {u"vm.swapusage couldn't be read.", u"SwapTotal in /proc/meminfo couldn't be read."},
    {u"No IOBlockStorageDriver statistics were found.", u"No disk statistics were found in /proc/diskstats."},
    {u"Interface counters (NET_RT_IFLIST2) couldn't be read.", u"Interface counters (/proc/net/dev) couldn't be read."},
    {u"IOPowerSources didn't report a current capacity.", u"The battery doesn't report capacity."},
    {u"IOPowerSources didn't report a power source state.", u"The battery doesn't report status."},
    {u"IOPowerSources didn't report a health condition.", u"The battery doesn't report health."},
    {u"AppleSmartBattery CycleCount is missing.", u"The battery doesn't report cycle_count."},
    {u"AppleSmartBattery capacity keys are missing.",
     u"The battery doesn't report charge_full and charge_full_design (or their energy_ forms)."},
    {u"AppleSmartBattery Temperature is missing.", u"The battery doesn't report temp."},

    // Menu bar panel
    {u"This Mac has no internal battery.", u"This computer has no internal battery."},
    {u"macOS didn't report a charge level.", u"/sys/class/power_supply didn't report a charge level."},
    {u"Waiting for a second CPU reading, or host_statistics failed.",
     u"Waiting for a second CPU reading, or /proc/stat couldn't be read."},

    // Charge reminder and insights
    {u"macOS isn't reporting a charge level, so the reminder can't run.",
     u"The battery isn't reporting a charge level, so the reminder can't run."},
    // Follows "Plugged in but not charging at 80"; on Linux a charge
    // threshold or the laptop's firmware holds the charge.
    {u"%. macOS is holding the charge.", u"%. The battery's charge limit or the laptop's firmware is holding the charge."},

    // Process table
    {u"% CPU · 100% = one core, like Activity Monitor", u"% CPU · 100% = one core, like top"},

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
     u"/proc/net/dev byte counters of physical interfaces (those with a device in /sys/class/net), excluding "
     u"loopback, bridges, and tunnels."},
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
    // History page
    {u"Stored on this Mac at ", u"Stored on this computer at "},
    {u"When readings exist, gaps are labeled Mac asleep, Voltmere not running, or No readings. Nothing here is "
     u"filled in.",
     u"When readings exist, gaps are labeled Computer asleep, Voltmere not running, or No readings. Nothing here is "
     u"filled in."},
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

QString PlatformText::processFootnote(int cores, int unreadableProcesses)
{
    QString text = QStringLiteral("This computer has %1 cores, so the maximum is %2%.")
                       .arg(cores)
                       .arg(static_cast<long long>(cores) * 100);
    // Linux shows every user's /proc/<pid>/stat unless /proc is mounted
    // with hidepid, so usually nothing is left to estimate.
    if (unreadableProcesses <= 0) {
        return text + QStringLiteral(" Every process's CPU use can be read, so none is estimated.");
    }
    return text
        + (unreadableProcesses == 1 ? QStringLiteral(" 1 process couldn't be read")
                                    : QStringLiteral(" %1 processes couldn't be read").arg(unreadableProcesses))
        + QStringLiteral(" one by one (/proc hides other users' processes where it is mounted with hidepid), so "
                         "Voltmere shows their combined use, estimated as total CPU minus the processes listed.");
}

} // namespace voltmere
