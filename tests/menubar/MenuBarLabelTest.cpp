#include "menubar/view/MenuBarLabel.h"
#include "navigation/URLRouter.h"
#include "navigation/WelcomeGate.h"
#include "preferences/Preferences.h"
#include "ui/AppIcon.h"

#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace voltmere {
namespace {

using Content = MenuBarLabel::Content;

BatteryReading battery(std::optional<int> level, std::optional<ChargingState> state)
{
    BatteryReading reading;
    reading.level = level;
    reading.state = state;
    return reading;
}

Snapshot cpu(double total)
{
    Snapshot snapshot;
    snapshot.cpuTotal = total;
    return snapshot;
}

const Insight attention{QStringLiteral("Memory pressure is high."), Insight::Severity::attention,
                        DashboardSection::overview, OverviewAnchor::memory};
const Insight info{QStringLiteral("Battery is holding at 80%."), Insight::Severity::info, DashboardSection::battery,
                   std::nullopt};

TEST(MenuBarLabelTest, BatteryStyleShowsTheLevelWithTheBoltOnlyWhileCharging)
{
    EXPECT_EQ(MenuBarLabel::content(MenuBarStyle::battery, battery(100, ChargingState::fullyCharged), {}, {}),
              (Content{QString(), QStringLiteral("100%"), false}));
    EXPECT_EQ(MenuBarLabel::content(MenuBarStyle::battery, battery(100, ChargingState::charging), {}, {}),
              (Content{QStringLiteral("bolt.fill"), QStringLiteral("100%"), false}));
    EXPECT_EQ(MenuBarLabel::content(MenuBarStyle::battery, battery(87, std::nullopt), {}, attention),
              (Content{QString(), QStringLiteral("87%"), false}))
        << "only the icon style marks attention";
}

TEST(MenuBarLabelTest, BatteryStyleFallsBackToThePlugWithoutALevel)
{
    const Content plug{QStringLiteral("powerplug"), QString(), false};
    EXPECT_EQ(MenuBarLabel::content(MenuBarStyle::battery, battery(std::nullopt, ChargingState::charging), {}, {}),
              plug);
    EXPECT_EQ(MenuBarLabel::content(MenuBarStyle::battery, std::nullopt, cpu(12), {}), plug);
    EXPECT_EQ(MenuBarLabel::spokenDescription(battery(std::nullopt, ChargingState::charging), {}, {}),
              QStringLiteral("Voltmere, Charging"));
}

TEST(MenuBarLabelTest, CpuStyleRoundsHalfAwayFromZero)
{
    EXPECT_EQ(MenuBarLabel::content(MenuBarStyle::cpu, {}, cpu(12.5), {}),
              (Content{QStringLiteral("cpu"), QStringLiteral(" 13%"), false}));
    EXPECT_EQ(MenuBarLabel::content(MenuBarStyle::cpu, {}, cpu(0.4), {}).text, QStringLiteral(" 0%"));
    EXPECT_EQ(MenuBarLabel::content(MenuBarStyle::cpu, {}, cpu(99.5), {}).text, QStringLiteral(" 100%"));
    EXPECT_EQ(MenuBarLabel::content(MenuBarStyle::cpu, {}, Snapshot{}, {}),
              (Content{QStringLiteral("cpu"), QString(), false}));
    EXPECT_EQ(MenuBarLabel::content(MenuBarStyle::cpu, {}, std::nullopt, {}),
              (Content{QStringLiteral("cpu"), QString(), false}));
}

TEST(MenuBarLabelTest, IconStyleShowsTheTriangleOnlyForAttention)
{
    EXPECT_EQ(MenuBarLabel::content(MenuBarStyle::icon, {}, {}, info), (Content{QString(), QString(), true}));
    EXPECT_EQ(MenuBarLabel::content(MenuBarStyle::icon, {}, {}, std::nullopt), (Content{QString(), QString(), true}));
    EXPECT_EQ(MenuBarLabel::content(MenuBarStyle::icon, {}, {}, attention),
              (Content{QStringLiteral("exclamationmark.triangle"), QString(), false}));
}

TEST(MenuBarLabelTest, SpokenDescriptionListsEverythingKnownInOrder)
{
    EXPECT_EQ(MenuBarLabel::spokenDescription(battery(87, ChargingState::pluggedNotCharging), cpu(12.5), attention),
              QStringLiteral("Voltmere, battery 87%, Plugged in, not charging, CPU 13%, Memory pressure is high."));
    EXPECT_EQ(MenuBarLabel::spokenDescription(battery(87, ChargingState::onBattery), cpu(3), info),
              QStringLiteral("Voltmere, battery 87%, On battery, CPU 3%"));
    EXPECT_EQ(MenuBarLabel::spokenDescription(battery(100, ChargingState::fullyCharged), {}, {}),
              QStringLiteral("Voltmere, battery 100%, Fully charged"));
}

TEST(MenuBarLabelTest, DesktopWithoutBatterySpeaksNameAndCpu)
{
    EXPECT_EQ(MenuBarLabel::spokenDescription(std::nullopt, std::nullopt, std::nullopt), QStringLiteral("Voltmere"));
    EXPECT_EQ(MenuBarLabel::spokenDescription(std::nullopt, cpu(41.6), std::nullopt), QStringLiteral("Voltmere, CPU 42%"));
}

// Fraction of the image's pixels that are visibly drawn.
double coverage(const QImage &image)
{
    int drawn = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            drawn += image.pixelColor(x, y).alpha() > 128 ? 1 : 0;
        }
    }
    return double(drawn) / (image.width() * image.height());
}

TEST(MenuBarLabelTest, RenderedLabelIsNeverEmptyAndFitsTheTrayHeight)
{
    const QColor ink(Qt::black);
    const Content cases[] = {{QStringLiteral("powerplug"), QString(), false},
                             {QStringLiteral("bolt.fill"), QStringLiteral("100%"), false},
                             {QStringLiteral("cpu"), QStringLiteral(" 13%"), false},
                             {QString(), QString(), true},
                             {QStringLiteral("exclamationmark.triangle"), QString(), false}};
    for (const Content &content : cases) {
        const QImage image = MenuBarLabel::render(content, ink, 2.0);
        EXPECT_EQ(image.height(), MenuBarLabel::height * 2);
        EXPECT_GE(image.width(), image.height());
        EXPECT_GT(coverage(image), 0.03) << content.symbol.toStdString() << content.text.toStdString();
    }
    const QImage wide = MenuBarLabel::render({QStringLiteral("bolt.fill"), QStringLiteral("100%"), false}, ink, 1.0);
    EXPECT_GT(wide.width(), 40) << "the text gets the width it needs";
}

TEST(MenuBarLabelTest, AppIconsLoadFromTheResources)
{
    EXPECT_GT(coverage(AppIcon::menuBarTemplate(Qt::black, 2.0)), 0.05);
    EXPECT_FALSE(AppIcon::image(false).isNull());
    EXPECT_FALSE(AppIcon::image(true).isNull());
}

class RecordingOpener final : public WindowOpener {
public:
    void openWindow(const QString &identifier) override { opened.append(identifier); }
    QStringList opened;
};

class MenuBarLabelWelcomeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WelcomeGate::setOffered(false);
        qunsetenv("VOLTMERE_SKIP_WELCOME");
    }
    void TearDown() override
    {
        WelcomeGate::setOffered(false);
        URLRouter::setOpenWindow(nullptr);
        qunsetenv("VOLTMERE_SKIP_WELCOME");
    }

    QTemporaryDir dir;
    QSettings settings{dir.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat};
    Preferences prefs{settings};
    RecordingOpener opener;
};

TEST_F(MenuBarLabelWelcomeTest, WelcomeOpensAtMostOncePerRun)
{
    MenuBarLabel::onDisplay(opener, prefs);
    EXPECT_EQ(URLRouter::openWindow(), &opener);
    // The label reappears, for example after the style changed.
    MenuBarLabel::onDisplay(opener, prefs);
    MenuBarLabel::onDisplay(opener, prefs);
    EXPECT_EQ(opener.opened, QStringList{QStringLiteral("welcome")});
    EXPECT_TRUE(WelcomeGate::offered());
}

TEST_F(MenuBarLabelWelcomeTest, NoWelcomeWhenCompletedOrSkipped)
{
    prefs.setWelcomeCompleted(true);
    MenuBarLabel::onDisplay(opener, prefs);
    EXPECT_TRUE(opener.opened.isEmpty());
    EXPECT_EQ(URLRouter::openWindow(), &opener) << "the opener is handed over regardless";

    prefs.setWelcomeCompleted(false);
    qputenv("VOLTMERE_SKIP_WELCOME", "1");
    MenuBarLabel::onDisplay(opener, prefs);
    EXPECT_TRUE(opener.opened.isEmpty());
    EXPECT_FALSE(WelcomeGate::offered());
}

} // namespace
} // namespace voltmere
