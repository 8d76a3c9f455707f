#include "platform/PlatformText.h"

#include "navigation/AppInfo.h"
#include "sampling/BatteryReader.h"
#include "sampling/CPUSampler.h"
#include "sampling/DiskSampler.h"
#include "sampling/MemorySampler.h"
#include "sampling/NetworkSampler.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace voltmere {
namespace {

// Words that are false on a Linux machine: the Mac, its system and the
// interfaces this build does not call.
const QRegularExpression macWords(QStringLiteral(
    R"(\bMac\b|macOS|Apple|host_statistics|sysctl|kern\.|vm\.swap|IORegistry|I/O Registry|IOPowerSources|IOBlockStorage|NET_RT|proc_pid|kernel_task|Activity Monitor|administrator)"));

TEST(LinuxPlatformTextTest, EveryReasonTextNamesTheLinuxSourceThatDidNotDeliver)
{
    const std::vector<std::pair<const char *, const char *>> expected {
        { CPUSampler::unavailableReason, "/proc/stat didn't give CPU times." },
        { MemorySampler::swapUnavailableReason, "SwapTotal in /proc/meminfo couldn't be read." },
        { DiskSampler::unavailableReason, "No disk statistics were found in /proc/diskstats." },
        { NetworkSampler::unavailableReason, "Interface counters (/proc/net/dev) couldn't be read." },
        { BatteryReader::cycleCountUnavailableReason, "The battery doesn't report cycle_count." },
        { BatteryReader::temperatureUnavailableReason, "The battery doesn't report temp." },
        { BatteryReader::chargeLevelUnavailableReason, "/sys/class/power_supply didn't report a charge level." },
    };
    for (const auto &[original, linux] : expected) {
        EXPECT_EQ(PlatformText::say(QString::fromLatin1(original)), QString::fromUtf8(linux));
    }
    for (const char *original : { MemorySampler::pressureUnavailableReason, MemorySampler::levelUnavailableReason,
             BatteryReader::levelUnavailableReason, BatteryReader::stateUnavailableReason,
             BatteryReader::healthUnavailableReason, BatteryReader::capacityUnavailableReason }) {
        const QString said = PlatformText::say(QString::fromLatin1(original));
        EXPECT_FALSE(said.contains(macWords)) << said.toStdString();
        EXPECT_NE(said, QString::fromLatin1(original));
    }
}

TEST(LinuxPlatformTextTest, SurfaceTextsSayComputerAndTheAboutListNamesLinuxSources)
{
    EXPECT_EQ(PlatformText::say(u"Mac asleep"), QStringLiteral("Computer asleep"));
    EXPECT_EQ(PlatformText::say(u"This Mac has no internal battery."),
              QStringLiteral("This computer has no internal battery."));
    for (const AppInfo::Source &source : AppInfo::sources()) {
        const QString said = PlatformText::say(source.text);
        EXPECT_FALSE(said.contains(macWords)) << said.toStdString();
    }
    // Texts that are true everywhere pass through untouched.
    EXPECT_EQ(PlatformText::say(u"Voltmere not running"), QStringLiteral("Voltmere not running"));
    EXPECT_FALSE(PlatformText::processFootnote(8, 3).contains(macWords));
    EXPECT_FALSE(PlatformText::processFootnote(8, 0).contains(macWords));
}

} // namespace
} // namespace voltmere
