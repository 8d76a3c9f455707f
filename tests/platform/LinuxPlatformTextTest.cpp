#include "platform/PlatformText.h"

#include "navigation/AppInfo.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace voltmere {
namespace {

// Words that are false on a Linux machine: the Mac, its system, its
// applications and the interfaces this build does not call.
const QRegularExpression macWords(QStringLiteral(
    R"(\bMac\b|macOS|Apple|host_statistics|sysctl|kern\.|vm\.swap|IORegistry|I/O Registry|IOPowerSources|IOBlockStorage|NET_RT|proc_pid|kernel_task|Activity Monitor|administrator|Finder|\bDock\b|System Settings|[Mm]enu bar|Optimized Battery)"));

TEST(LinuxPlatformTextTest, EveryReasonTextNamesTheLinuxSourceThatDidNotDeliver)
{
    using PlatformText::Name;
    const std::vector<std::pair<Name, const char *>> expected {
        { Name::cpuUnavailable, "/proc/stat didn't give CPU times." },
        { Name::memoryPressureUnavailable, "MemAvailable in /proc/meminfo couldn't be read." },
        { Name::memoryLevelUnavailable, "Neither /proc/pressure/memory nor /proc/meminfo could be read." },
        { Name::swapUnavailable, "SwapTotal in /proc/meminfo couldn't be read." },
        { Name::diskUnavailable, "No disk statistics were found in /proc/diskstats." },
        { Name::networkUnavailable, "Interface counters (/proc/net/dev) couldn't be read." },
        { Name::batteryLevelUnavailable, "The battery doesn't report capacity." },
        { Name::batteryStateUnavailable, "The battery doesn't report status." },
        { Name::batteryHealthUnavailable, "The battery doesn't report health." },
        { Name::cycleCountUnavailable, "The battery doesn't report cycle_count." },
        { Name::capacityUnavailable,
            "The battery doesn't report charge_full and charge_full_design (or energy_full and energy_full_design)." },
        { Name::temperatureUnavailable, "The battery doesn't report temp." },
        { Name::chargeLevelUnavailable, "/sys/class/power_supply didn't report a charge level." },
    };
    for (const auto &[name, linux] : expected) {
        EXPECT_EQ(PlatformText::say(name), QString::fromUtf8(linux));
    }
}

TEST(LinuxPlatformTextTest, SurfaceTextsSayComputerAndTheAboutListNamesLinuxSources)
{
    EXPECT_EQ(PlatformText::say(PlatformText::Name::asleepGapLabel), QStringLiteral("Computer asleep"));
    EXPECT_EQ(PlatformText::say(PlatformText::Name::noInternalBattery),
        QStringLiteral("This computer has no internal battery."));
    for (const AppInfo::Source &source : AppInfo::sources()) {
        EXPECT_FALSE(source.text.contains(macWords)) << source.text.toStdString();
    }
    EXPECT_EQ(AppInfo::sources()[2].text, QStringLiteral("SwapTotal and SwapFree in /proc/meminfo."));
    EXPECT_FALSE(PlatformText::processFootnote(8, 3).contains(macWords));
    EXPECT_FALSE(PlatformText::processFootnote(8, 0).contains(macWords));
}

// A text added to the table in macOS words fails here. The names are
// numbered from 0 in order; past the last one the table has no text.
TEST(LinuxPlatformTextTest, NoTextNamesTheMacOrItsInterfaces)
{
    int names = 0;
    for (;; ++names) {
        const QString said = PlatformText::say(static_cast<PlatformText::Name>(names));
        if (said.isEmpty()) {
            break;
        }
        EXPECT_FALSE(said.contains(macWords)) << said.toStdString();
    }
    EXPECT_GT(names, static_cast<int>(PlatformText::Name::lowPowerModeOn)) << "name " << names << " has no text";
}

} // namespace
} // namespace voltmere
