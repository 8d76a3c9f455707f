#include "platform/PlatformText.h"

namespace voltmere {

// Every text shown to the user that names the machine, its system or one of
// its services, as a Linux user reads it.
QString PlatformText::say(Name name)
{
    switch (name) {
    case Name::asleepGapLabel:
        return QStringLiteral("Computer asleep");

    // Swap on Linux may be a partition as well as a file.
    case Name::swapNoun:
        return QStringLiteral("swap space");
    case Name::pressureExplanation:
        return QStringLiteral("Pressure reflects how hard Linux is working to free memory, not how full it is.");

    case Name::cpuUnavailable:
        return QStringLiteral("/proc/stat didn't give CPU times.");
    case Name::memoryPressureUnavailable:
        return QStringLiteral("MemAvailable in /proc/meminfo couldn't be read.");
    case Name::memoryLevelUnavailable:
        return QStringLiteral("Neither /proc/pressure/memory nor /proc/meminfo could be read.");
    case Name::swapUnavailable:
        return QStringLiteral("SwapTotal in /proc/meminfo couldn't be read.");
    case Name::diskUnavailable:
        return QStringLiteral("No disk statistics were found in /proc/diskstats.");
    case Name::networkUnavailable:
        return QStringLiteral("Interface counters (/proc/net/dev) couldn't be read.");
    case Name::batteryLevelUnavailable:
        return QStringLiteral("The battery doesn't report capacity.");
    case Name::batteryStateUnavailable:
        return QStringLiteral("The battery doesn't report status.");
    case Name::batteryHealthUnavailable:
        return QStringLiteral("The battery doesn't report health.");
    case Name::cycleCountUnavailable:
        return QStringLiteral("The battery doesn't report cycle_count.");
    case Name::capacityUnavailable:
        return QStringLiteral(
            "The battery doesn't report charge_full and charge_full_design (or energy_full and energy_full_design).");
    case Name::temperatureUnavailable:
        return QStringLiteral("The battery doesn't report temp.");
    case Name::chargeLevelUnavailable:
        return QStringLiteral("/sys/class/power_supply didn't report a charge level.");
    case Name::sensorsUnavailable:
        return QStringLiteral("No temperature or fan sensor was found in /sys/class/hwmon or /sys/class/thermal.");
    case Name::processorSensorUnavailable:
        return QStringLiteral(
            "No sensor in /sys/class/hwmon or /sys/class/thermal reports the processor's temperature.");

    case Name::noInternalBattery:
        return QStringLiteral("This computer has no internal battery.");
    case Name::cpuWaiting:
        return QStringLiteral("Waiting for a second CPU reading, or /proc/stat couldn't be read.");

    case Name::reminderWithoutChargeLevel:
        return QStringLiteral("The battery isn't reporting a charge level, so the reminder can't run.");
    // On Linux a charge threshold or the laptop's firmware holds the charge.
    case Name::chargeHeldInsight:
        return QStringLiteral("The battery's charge limit or the laptop's firmware is holding the charge.");

    case Name::processScaleNote:
        return QStringLiteral("% CPU \u00b7 100% = one core, like top");

    case Name::menuBarStyleLabel:
        return QStringLiteral("Tray shows");
    case Name::menuBarStyleCaption:
        return QStringLiteral("Voltmere stays in the system tray. Its taskbar entry appears while a window is open.");
    case Name::storageLabel:
        return QStringLiteral("Stored on this computer");
    case Name::storageFooterStart:
        return QStringLiteral("Stored on this computer at ");
    case Name::revealButton:
        return QStringLiteral("Show in File Manager");
    case Name::deleteHistoryWarning:
        return QStringLiteral("This removes every reading Voltmere has stored on this computer. It can't be undone.");

    case Name::tagline:
        return QStringLiteral("What's flowing through your computer, right now.");
    case Name::welcomeWhereItLives:
        return QStringLiteral("Voltmere lives in the system tray. Open it when you want three answers.");
    case Name::noTrayHint:
        return QStringLiteral(
            "This desktop shows no tray icons, so Voltmere has no icon to click. On GNOME, install the AppIndicator "
            "extension (the package gnome-shell-extension-appindicator) and turn it on in Extensions, then log out and "
            "back in; on other desktops, add the panel's system tray or status notifier applet. Until then, open "
            "Voltmere again from the app grid or a terminal to see its panel.");

    // The files and services each reading comes from here.
    case Name::cpuSource:
        return QStringLiteral("/proc/stat tick deltas. Per-process CPU is utime plus stime from /proc/<pid>/stat, "
                              "where 100% is one core.");
    case Name::memorySource:
        return QStringLiteral("/proc/pressure/memory stall times with MemAvailable from /proc/meminfo for pressure and "
                              "level, plus MemTotal for memory in use.");
    case Name::swapSource:
        return QStringLiteral("SwapTotal and SwapFree in /proc/meminfo.");
    case Name::diskSource:
        return QStringLiteral("/proc/diskstats sectors read and written, for whole physical disks only.");
    case Name::networkSource:
        return QStringLiteral("/proc/net/dev byte counters of physical interfaces (those with a device in "
                              "/sys/class/net), excluding loopback, bridges, and tunnels.");
    case Name::batterySource:
        return QStringLiteral("/sys/class/power_supply for level, state, adapter, cycle count, capacity, and "
                              "temperature, re-read on udev power_supply events. Low Power Mode is the "
                              "power-profiles daemon's active profile. Voltmere only reads these.");
    case Name::sensorsSource:
        return QStringLiteral("/sys/class/hwmon: temp*_input, temp*_label and temp*_crit, fan*_input and fan*_label of "
                              "each chip. The processor's temperature comes from the coretemp, k10temp or zenpower "
                              "chip; without one, from a chip or a /sys/class/thermal/thermal_zone* (type, temp, and "
                              "the critical trip point) named for the CPU, else the ACPI zone. Voltmere only reads "
                              "these.");
    case Name::privacyStatement:
        return QStringLiteral("Voltmere does not access the network. Readings, history, and preferences stay on this "
                              "computer. On the desktop's local message bus it listens to logind for sleep and wake "
                              "and hands notifications to org.freedesktop.Notifications. Help opens the website in "
                              "your browser; that request is the browser's, not Voltmere's.");

    case Name::historyEmptyExplanation:
        return QStringLiteral("When readings exist, gaps are labeled Computer asleep, Voltmere not running, or No "
                              "readings. Nothing here is filled in.");

    case Name::adapterOnly:
        return QStringLiteral("This computer runs from a power adapter only, so battery readings and the charge "
                              "reminder aren't available.");
    case Name::chargeHeldExplanation:
        return QStringLiteral("The battery reports that it isn't charging, usually because the firmware's charge limit "
                              "has been reached.");
    case Name::capacityAbove100Note:
        return QStringLiteral(
            "New batteries often hold more than their design capacity, so this can read above 100% for a while.");
    case Name::lowPowerModeOn:
        return QStringLiteral("Power saver mode is on");
    }
    return {};
}

QString PlatformText::sensorUnreadable(const QString &file)
{
    return file + QStringLiteral(" couldn't be read.");
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
