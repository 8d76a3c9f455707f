#include "TestMonitor.h"

#include "navigation/URLRouter.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace voltmere {
namespace {

class RecordingOpener final : public WindowOpener {
public:
    void openWindow(const QString &identifier) override { opened.append(identifier); }
    QStringList opened;
};

class RecordingShell final : public ShellActions {
public:
    void activateApp() override { ++activations; }
    void clickStatusItem() override { ++clicks; }
    int activations = 0;
    int clicks = 0;
};

class URLRouterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        URLRouter::setOpenWindow(&opener);
        URLRouter::setShell(&shell);
        monitor().setSection(DashboardSection::battery);
        monitor().setOverviewAnchor(OverviewAnchor::processes);
    }
    void TearDown() override
    {
        URLRouter::setOpenWindow(nullptr);
        URLRouter::setShell(nullptr);
    }
    Monitor &monitor() { return *fixture.monitor; }

    test::TestMonitor fixture;
    RecordingOpener opener;
    RecordingShell shell;
};

TEST_F(URLRouterTest, OpenWithSectionSwitchesClearsAnchorOpensDashboardAndActivates)
{
    URLRouter::handle(QStringLiteral("voltmere://open/history"), monitor());
    EXPECT_EQ(monitor().section(), DashboardSection::history);
    EXPECT_EQ(monitor().overviewAnchor(), std::nullopt);
    EXPECT_EQ(opener.opened, QStringList{QStringLiteral("dashboard")});
    EXPECT_EQ(shell.activations, 1);
    EXPECT_EQ(shell.clicks, 0);
}

TEST_F(URLRouterTest, UnknownOrMissingSectionKeepsTheSectionShown)
{
    QSignalSpy sectionSpy(&monitor(), &Monitor::sectionChanged);
    for (const char *url : {"voltmere://open/settings", "voltmere://open", "voltmere://open/", "voltmere://open/Battery"}) {
        URLRouter::handle(QString::fromLatin1(url), monitor());
        EXPECT_EQ(monitor().section(), DashboardSection::battery) << url;
    }
    EXPECT_EQ(sectionSpy.count(), 0);
    EXPECT_EQ(opener.opened.size(), 4);
    EXPECT_EQ(monitor().overviewAnchor(), std::nullopt);
}

TEST_F(URLRouterTest, SchemeAndHostAreComparedExactly)
{
    for (const char *url : {"voltmere://OPEN/history", "Voltmere://open/history", "VOLTMERE://panel",
                            "voltmere://Panel", "ampery://open/history", "https://open/history", "voltmere://opener/history",
                            "voltmere://settings", "not a url", ""}) {
        URLRouter::handle(QString::fromLatin1(url), monitor());
        EXPECT_EQ(monitor().section(), DashboardSection::battery) << url;
    }
    EXPECT_EQ(monitor().overviewAnchor(), OverviewAnchor::processes);
    EXPECT_TRUE(opener.opened.isEmpty());
    EXPECT_EQ(shell.activations, 0);
    EXPECT_EQ(shell.clicks, 0);
}

TEST_F(URLRouterTest, AddressesWithoutAHostAreIgnored)
{
    for (const char *url : {"voltmere:open/history", "voltmere:///history", "voltmere:/open/history"}) {
        URLRouter::handle(QString::fromLatin1(url), monitor());
    }
    EXPECT_EQ(monitor().section(), DashboardSection::battery);
    EXPECT_TRUE(opener.opened.isEmpty());
    EXPECT_EQ(shell.activations, 0);
}

TEST_F(URLRouterTest, PanelClicksTheStatusItemWhateverThePath)
{
    URLRouter::handle(QStringLiteral("voltmere://panel"), monitor());
    URLRouter::handle(QStringLiteral("voltmere://panel/anything/else?x=1"), monitor());
    EXPECT_EQ(shell.clicks, 2);
    EXPECT_TRUE(opener.opened.isEmpty());
    EXPECT_EQ(monitor().section(), DashboardSection::battery);
    EXPECT_EQ(monitor().overviewAnchor(), OverviewAnchor::processes);
}

TEST_F(URLRouterTest, SeparatorsQueryAndEscapesDoNotHideTheSection)
{
    URLRouter::handle(QStringLiteral("voltmere://open//history/"), monitor());
    EXPECT_EQ(monitor().section(), DashboardSection::history);
    URLRouter::handle(QStringLiteral("voltmere://open/overview?from=panel#top"), monitor());
    EXPECT_EQ(monitor().section(), DashboardSection::overview);
    URLRouter::handle(QStringLiteral("voltmere://open/%62attery/extra"), monitor());
    EXPECT_EQ(monitor().section(), DashboardSection::battery);
    URLRouter::handle(QStringLiteral("voltmere://user@open:80/history"), monitor());
    EXPECT_EQ(monitor().section(), DashboardSection::history);
}

TEST_F(URLRouterTest, TwoAddressesAreHandledInOrderAndTheSecondWins)
{
    QSignalSpy sectionSpy(&monitor(), &Monitor::sectionChanged);
    URLRouter::handleAll({QStringLiteral("voltmere://open/overview"), QStringLiteral("voltmere://open/history")},
                         monitor());
    EXPECT_EQ(monitor().section(), DashboardSection::history);
    EXPECT_EQ(sectionSpy.count(), 2);
    EXPECT_EQ(opener.opened.size(), 2);
}

TEST_F(URLRouterTest, WithoutAWindowOpenerTheSectionStillChangesAndTheAppActivates)
{
    URLRouter::setOpenWindow(nullptr);
    URLRouter::handle(QStringLiteral("voltmere://open/history"), monitor());
    EXPECT_EQ(monitor().section(), DashboardSection::history);
    EXPECT_EQ(monitor().overviewAnchor(), std::nullopt);
    EXPECT_TRUE(opener.opened.isEmpty());
    EXPECT_EQ(shell.activations, 1);
}

TEST_F(URLRouterTest, WithoutAShellNothingBreaks)
{
    URLRouter::setShell(nullptr);
    URLRouter::handle(QStringLiteral("voltmere://panel"), monitor());
    URLRouter::handle(QStringLiteral("voltmere://open/overview"), monitor());
    EXPECT_EQ(monitor().section(), DashboardSection::overview);
    EXPECT_EQ(opener.opened, QStringList{QStringLiteral("dashboard")});
}

} // namespace
} // namespace voltmere
