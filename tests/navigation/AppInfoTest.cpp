#include "navigation/AppInfo.h"

#include <gtest/gtest.h>

namespace voltmere {
namespace {

TEST(AppInfoTest, VersionFallsBackWhenTheBuildSetsNone)
{
    EXPECT_EQ(AppInfo::buildValue("", QStringLiteral("0.1.0")), QStringLiteral("0.1.0"));
    EXPECT_EQ(AppInfo::buildValue(nullptr, QStringLiteral("1")), QStringLiteral("1"));
    EXPECT_EQ(AppInfo::buildValue("2.3.4", QStringLiteral("0.1.0")), QStringLiteral("2.3.4"));
    EXPECT_FALSE(AppInfo::versionShort().isEmpty());
    EXPECT_FALSE(AppInfo::buildNumber().isEmpty());
}

TEST(AppInfoTest, WebsiteIsAnAbsoluteWebAddress)
{
    const QUrl &site = AppInfo::website();
    EXPECT_TRUE(site.isValid());
    EXPECT_FALSE(site.isRelative());
    EXPECT_EQ(site.scheme(), QStringLiteral("https"));
}

TEST(AppInfoTest, SourcesListEveryReadingInOrder)
{
    QStringList titles;
    for (const AppInfo::Source &source : AppInfo::sources()) {
        titles.append(source.title);
        EXPECT_FALSE(source.text.isEmpty());
    }
    EXPECT_EQ(titles, (QStringList{"CPU", "Memory", "Swap", "Disk", "Network", "Battery", "Temperatures and fans"}));
    EXPECT_EQ(AppInfo::sources()[2].text, QStringLiteral("SwapTotal and SwapFree in /proc/meminfo."));
}

} // namespace
} // namespace voltmere
