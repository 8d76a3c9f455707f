#include "SpokenTree.h"
#include "TestMonitor.h"

#include "menubar/view/MenuBarPanel.h"
#include "menubar/view/MenuBarTray.h"
#include "menubar/view/PanelRows.h"
#include "menubar/view/PanelTiles.h"
#include "menubar/view/TileButton.h"
#include "navigation/URLRouter.h"
#include "ui/AuroraBackground.h"
#include "ui/ChargeRing.h"
#include "ui/Environment.h"
#include "ui/HeroNumber.h"
#include "ui/SegmentGauge.h"
#include "ui/TextComponent.h"
#include "ui/Theme.h"
#include "ui/TimeSeriesChart.h"
#include "ui/Unavailable.h"
#include "ui/WrappingText.h"

#include <QAccessible>
#include <QAction>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QMenu>
#include <QToolTip>
#include <QPainter>
#include <QSystemTrayIcon>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace voltmere {
namespace {

class RecordingOpener final : public WindowOpener {
public:
    void openWindow(const QString &identifier) override { opened.append(identifier); }
    QStringList opened;
};

BatteryReading reading(std::optional<int> level, std::optional<ChargingState> state, bool pluggedIn)
{
    BatteryReading r;
    r.level = level;
    r.state = state;
    r.isPluggedIn = pluggedIn;
    return r;
}

Snapshot at(Timestamp date, std::optional<double> cpu)
{
    Snapshot s;
    s.date = date;
    s.cpuTotal = cpu;
    return s;
}

// ------------------------------------------------------------ tile contents

TEST(PanelTilesTest, PowerStateLineFollowsStateAndPlug)
{
    using Line = PowerTile::StateLine;
    EXPECT_EQ(PowerTile::stateLine(reading(50, ChargingState::charging, true)),
              (Line{QStringLiteral("bolt.fill"), QStringLiteral("Charging"), true}));
    EXPECT_EQ(PowerTile::stateLine(reading(80, ChargingState::pluggedNotCharging, true)),
              (Line{QStringLiteral("powerplug.fill"), QStringLiteral("Plugged in, not charging"), false}));
    EXPECT_EQ(PowerTile::stateLine(reading(100, ChargingState::fullyCharged, true)).text,
              QStringLiteral("Fully charged"));
    EXPECT_EQ(PowerTile::stateLine(reading(40, ChargingState::onBattery, false)),
              (Line{QStringLiteral("battery.75percent"), QStringLiteral("On battery"), false}));
    // No state: the plug decides the words.
    EXPECT_EQ(PowerTile::stateLine(reading(40, std::nullopt, true)),
              (Line{QStringLiteral("powerplug.fill"), QStringLiteral("Power adapter"), false}));
    EXPECT_EQ(PowerTile::stateLine(reading(40, std::nullopt, false)).text, QStringLiteral("On battery"));
}

// The figure and its sign fit in the ring's hole, clear of the stroke and of
// the charging glow, and sit in its middle; a short figure keeps its size.
TEST(PanelTilesTest, TheLevelFitsInsideTheRingAtAnyWidth)
{
    PowerTile tile;
    tile.resize(328, 100);
    tile.show();
    ChargeRing *ring = tile.ring();
    auto *figure = ring->findChild<HeroNumber *>();
    TextComponent *sign = nullptr;
    for (TextComponent *text : ring->findChildren<TextComponent *>()) {
        if (text->text() == QStringLiteral("%")) {
            sign = text;
        }
    }
    ASSERT_TRUE(figure && sign);
    const qreal hole = 76.0 / 2 - 8 - ChargeRing::haloMargin;
    for (int level : {8, 76, 100}) {
        tile.set(reading(level, ChargingState::charging, true), true, std::nullopt);
        QCoreApplication::processEvents();
        const qreal width = figure->lineWidth(figure->text()) + sign->lineWidth(sign->text());
        const qreal capHeight = QFontMetricsF(figure->textFont()).capHeight();
        EXPECT_LE(std::hypot(width / 2, capHeight / 2), hole - 1) << level;
        // Centred: the figure's right end and the sign's are as far from
        // the middle as its left end.
        const qreal left = figure->mapTo(ring, QPoint(figure->width(), 0)).x() - figure->lineWidth(figure->text());
        const qreal right = sign->mapTo(ring, QPoint()).x() + sign->lineWidth(sign->text());
        EXPECT_NEAR((left + right) / 2, ring->ringRect().center().x(), 2.0) << level;
        // The sign follows the last digit's cell, with no gap of its own.
        const qreal figureEnd = figure->mapTo(ring, QPoint(figure->width(), 0)).x();
        EXPECT_LE(sign->mapTo(ring, QPoint()).x() - figureEnd, 0.5) << level;
    }
    tile.set(reading(8, ChargingState::charging, true), true, std::nullopt);
    EXPECT_EQ(figure->textFont().pointSizeF(), Theme::font(30).pointSizeF());
}

// The detail and reminder lines set their figures in equal-width digits, so
// a new time to full does not move the words after it.
TEST(PanelTilesTest, DetailFiguresKeepTheirWidth)
{
    PowerTile tile;
    tile.resize(328, 100);
    tile.show();
    const auto widthOf = [&](int watts, int minutes, int target) {
        BatteryReading r = reading(50, ChargingState::charging, true);
        r.adapterWatts = watts;
        r.timeToFullMinutes = minutes;
        tile.set(r, true, target);
        QList<int> widths;
        for (const WrappingText *line : tile.findChildren<WrappingText *>()) {
            if (line->text().contains(QStringLiteral("W adapter")) || line->text().startsWith(QStringLiteral("Reminder"))) {
                widths.append(line->sizeHint().width());
            }
        }
        return widths;
    };
    const QList<int> ones = widthOf(11, 71, 55);
    ASSERT_EQ(ones.size(), 2);
    EXPECT_EQ(widthOf(88, 88, 85), ones);
}

TEST(PanelTilesTest, PowerDetailJoinsWhatIsKnown)
{
    BatteryReading r = reading(64, ChargingState::charging, true);
    EXPECT_EQ(PowerTile::detailLine(r), std::nullopt);
    r.adapterWatts = 96;
    r.timeToFullMinutes = 48;
    EXPECT_EQ(PowerTile::detailLine(r), QStringLiteral("96 W adapter · 48 min to full"));
    r.adapterWatts.reset();
    r.timeToFullMinutes = -1; // not a duration
    r.timeToEmptyMinutes = 135;
    EXPECT_EQ(PowerTile::detailLine(r), QStringLiteral("2 h 15 min left"));
    EXPECT_EQ(PowerTile::reminderLine(85), QStringLiteral("Reminder at 85% (tick on ring)"));
    EXPECT_EQ(PowerTile::mode(std::nullopt, true), PowerTile::Mode::waiting);
    EXPECT_EQ(PowerTile::mode(std::nullopt, false), PowerTile::Mode::noBattery);
    EXPECT_EQ(PowerTile::mode(r, true), PowerTile::Mode::reading);
}

TEST(PanelTilesTest, ChartPointsBreakIntoSegmentsAfterTwentySeconds)
{
    const auto points = CPUTile::chartPoints(
        {at(100, 10), at(102, std::nullopt), at(104, 30), at(129, 40), at(149, 50), at(170, 60)});
    ASSERT_EQ(points.size(), 5u);
    // The snapshot without a figure is skipped but still counts as the previous date.
    EXPECT_EQ(points[1], (ChartPoint{104, 30, 0}));
    EXPECT_EQ(points[2].segment, 1); // 25 s after the previous one
    EXPECT_EQ(points[3].segment, 1); // exactly 20 s: same piece
    EXPECT_EQ(points[4].segment, 2);
    EXPECT_EQ(CPUTile::readout(12.6), QStringLiteral("13%"));
    EXPECT_EQ(CPUTile::readout(NAN), QStringLiteral("—"));
    EXPECT_EQ(CPUTile::topProcessText({3, QStringLiteral("kwin"), 12.34}), QStringLiteral("kwin 12.3%"));
}

TEST(PanelTilesTest, MemoryWordsAndUsedOfTotal)
{
    EXPECT_EQ(levelWord(MemoryPressureLevel::normal), QStringLiteral("Normal"));
    EXPECT_EQ(levelWord(MemoryPressureLevel::warning), QStringLiteral("Elevated"));
    EXPECT_EQ(levelWord(MemoryPressureLevel::critical), QStringLiteral("Critical"));
    Snapshot s;
    EXPECT_EQ(MemoryTile::usedOfTotal(s), std::nullopt);
    s.memUsed = NAN;
    s.memTotal = 16.0 * 1024 * 1024 * 1024;
    const std::optional<QString> text = MemoryTile::usedOfTotal(s);
    ASSERT_TRUE(text.has_value());
    EXPECT_TRUE(text->startsWith(QStringLiteral("— of 16"))) << text->toStdString();
}

// ------------------------------------------------------------- the panel

class MenuBarPanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        URLRouter::setOpenWindow(nullptr);
        URLRouter::setShell(nullptr);
    }
    void TearDown() override
    {
        URLRouter::setOpenWindow(nullptr);
    }

    Monitor &monitor() { return *fixture.monitor; }

    // Shows the panel as an open surface, so it draws its live column.
    void openPanel(MenuBarPanel &panel)
    {
        monitor().setSurfaceOpen(MenuBarPanel::surface, true);
        panel.show();
        QCoreApplication::processEvents();
    }

    void ingest(Snapshot snapshot)
    {
        monitor().ingest(snapshot);
        QCoreApplication::processEvents();
    }

    Snapshot snapshot(std::optional<double> cpu = 37.4)
    {
        Snapshot s = at(now, cpu);
        s.memLevel = MemoryPressureLevel::normal;
        s.memPressure = 41;
        s.memUsed = 4.0 * 1024 * 1024 * 1024;
        s.memTotal = 8.0 * 1024 * 1024 * 1024;
        return s;
    }

    static QStringList visibleTexts(const QWidget *root)
    {
        QStringList texts;
        for (const TextComponent *text : root->findChildren<TextComponent *>()) {
            if (text->isVisibleTo(root) && !text->text().isEmpty()) {
                texts.append(text->text());
            }
        }
        return texts;
    }

    static bool reaches(const QStringList &said, const QString &reading)
    {
        return std::any_of(said.begin(), said.end(),
                           [&](const QString &s) { return s.contains(reading, Qt::CaseInsensitive); });
    }

    test::TestMonitor fixture;
    RecordingOpener opener;
    Timestamp now = 1'800'000'000;
};

TEST_F(MenuBarPanelTest, DesktopShowsTheAdapterCardAndNoReminderRow)
{
    MenuBarPanel panel(monitor(), &opener);
    openPanel(panel);
    Snapshot s = snapshot();
    s.battery = std::nullopt;
    ingest(s);
    EXPECT_FALSE(monitor().hasBattery());
    EXPECT_EQ(panel.powerTile()->shownMode(), PowerTile::Mode::noBattery);
    EXPECT_TRUE(visibleTexts(panel.powerTile()).contains(QStringLiteral("This computer has no internal battery.")));
    EXPECT_FALSE(panel.reminderRow()->isVisibleTo(&panel));

    QTest::mouseClick(panel.powerButton(), Qt::LeftButton);
    EXPECT_EQ(monitor().section(), DashboardSection::battery);
    EXPECT_EQ(opener.opened, QStringList{WindowID::dashboard});
}

TEST_F(MenuBarPanelTest, BeforeTheFirstReadingEveryTileSaysSo)
{
    MenuBarPanel panel(monitor(), &opener);
    openPanel(panel);
    EXPECT_EQ(panel.freshnessText()->text(), QStringLiteral("Waiting for a reading"));
    EXPECT_EQ(panel.powerTile()->shownMode(), PowerTile::Mode::waiting);
    EXPECT_TRUE(panel.cpuTile()->unavailable()->isVisibleTo(&panel));
    EXPECT_EQ(panel.cpuTile()->unavailable()->reason(), CPUTile::unavailableReason);
    EXPECT_TRUE(visibleTexts(panel.memoryTile()).contains(QStringLiteral("Unavailable")));
    EXPECT_TRUE(panel.reminderRow()->isVisibleTo(&panel));
}

TEST_F(MenuBarPanelTest, OneSnapshotGivesOnePointAndItsFigure)
{
    MenuBarPanel panel(monitor(), &opener);
    openPanel(panel);
    Snapshot s = snapshot(37.4);
    s.topProcesses = {{77, QStringLiteral("compiler"), 180.25}};
    ingest(s);
    ASSERT_EQ(panel.cpuTile()->chart()->series().size(), 1u);
    EXPECT_EQ(panel.cpuTile()->chart()->series()[0].points.size(), 1u);
    EXPECT_EQ(panel.cpuTile()->chart()->xDomain(), (TimeSeriesChart::TimeRange{now - 60, now}));
    EXPECT_TRUE(panel.cpuTile()->heroNumber()->isVisibleTo(&panel));
    EXPECT_EQ(panel.cpuTile()->heroNumber()->text(), QStringLiteral("37%"));
    EXPECT_EQ(panel.cpuTile()->topProcess()->text(), QStringLiteral("compiler 180.3%"));
    EXPECT_TRUE(panel.freshnessText()->text().startsWith(QStringLiteral("Updated ")));

    // A second reading 25 s later starts a new piece of line.
    Snapshot later = snapshot(12);
    later.date = now + 25;
    ingest(later);
    const auto &points = panel.cpuTile()->chart()->series()[0].points;
    ASSERT_EQ(points.size(), 2u);
    EXPECT_NE(points[0].segment, points[1].segment);
}

TEST_F(MenuBarPanelTest, TheCPUCaptionCarriesTheProcessorTemperatureWhereThereIsOne)
{
    MenuBarPanel panel(monitor(), &opener);
    openPanel(panel);
    Snapshot s = snapshot(20);
    s.topProcesses = {{77, QStringLiteral("compiler"), 80}};
    ingest(s);
    EXPECT_EQ(panel.cpuTile()->caption()->text(), QStringLiteral("Share of all cores"));
    s.date += 2;
    s.sensors = SensorReading{};
    s.sensors->cpuCelsius = 54.5;
    ingest(s);
    EXPECT_EQ(panel.cpuTile()->caption()->text(), QStringLiteral("Share of all cores · CPU 54.5 \u00b0C"));
    EXPECT_EQ(panel.cpuTile()->topProcess()->text(), QStringLiteral("compiler 80.0%")) << "the header is left alone";
}

TEST_F(MenuBarPanelTest, ChargingWithAReminderShowsRingTargetAndRow)
{
    fixture.prefs.setReminderEnabled(true);
    fixture.prefs.setReminderTarget(85);
    MenuBarPanel panel(monitor(), &opener);
    openPanel(panel);
    Snapshot s = snapshot();
    BatteryReading r = reading(64, ChargingState::charging, true);
    r.adapterWatts = 96;
    s.battery = r;
    ingest(s);
    EXPECT_EQ(panel.powerTile()->shownMode(), PowerTile::Mode::reading);
    const QStringList texts = visibleTexts(panel.powerTile());
    EXPECT_TRUE(texts.contains(QStringLiteral("64"))) << texts.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(panel.powerTile()->ring()->level(), 64.0);
    EXPECT_TRUE(panel.reminderRow()->bellOn());
    EXPECT_FALSE(panel.reminderRow()->statusText().isEmpty());

    fixture.prefs.setReminderEnabled(false);
    QCoreApplication::processEvents();
    EXPECT_FALSE(panel.reminderRow()->bellOn());
}

TEST_F(MenuBarPanelTest, InfoInsightIsMintWithoutPrefixAndTheChipStaysClear)
{
    MenuBarPanel panel(monitor(), &opener);
    openPanel(panel);
    Snapshot s = snapshot();
    s.battery = reading(80, ChargingState::pluggedNotCharging, true);
    ingest(s);
    ASSERT_TRUE(monitor().insight().has_value());
    ASSERT_EQ(monitor().insight()->severity, Insight::Severity::info);
    EXPECT_TRUE(panel.insightRow()->isVisibleTo(&panel));
    EXPECT_EQ(panel.insightRow()->accessibleName(), monitor().insight()->text);
    EXPECT_EQ(panel.statusChip()->label(), QStringLiteral("All clear"));

    const Insight attention{QStringLiteral("Memory is tight."), Insight::Severity::attention,
                            DashboardSection::overview, OverviewAnchor::memory};
    EXPECT_EQ(InsightRow::spokenLabel(attention), QStringLiteral("Needs attention: Memory is tight."));

    // Clicking the insight opens where it points.
    monitor().setSection(DashboardSection::history);
    QTest::mouseClick(panel.insightRow(), Qt::LeftButton);
    EXPECT_EQ(monitor().section(), monitor().insight()->section);
}

TEST_F(MenuBarPanelTest, ElevatedMemoryReadsAsAWordInAmber)
{
    MenuBarPanel panel(monitor(), &opener);
    openPanel(panel);
    Snapshot s = snapshot();
    s.memLevel = MemoryPressureLevel::warning;
    s.memPressure = 78;
    ingest(s);
    EXPECT_EQ(panel.memoryTile()->levelText()->text(), QStringLiteral("Elevated"));
    EXPECT_EQ(panel.memoryTile()->gauge()->lit(), SegmentGauge::litCount(0.78, MemoryTile::gaugeSegments));
    EXPECT_TRUE(visibleTexts(panel.memoryTile()).contains(QStringLiteral("4.0 GB of 8.0 GB")) ||
                visibleTexts(panel.memoryTile()).join(QLatin1Char('|')).contains(QStringLiteral(" of ")));
}

TEST_F(MenuBarPanelTest, OpenWritesOnlyAChangedSectionAndAlwaysTheAnchor)
{
    MenuBarPanel panel(monitor(), &opener);
    monitor().setOverviewAnchor(OverviewAnchor::swap);
    QSignalSpy sections(&monitor(), &Monitor::sectionChanged);

    panel.open(DashboardSection::overview, OverviewAnchor::cpu);
    EXPECT_EQ(sections.count(), 0); // already overview
    EXPECT_EQ(monitor().overviewAnchor(), OverviewAnchor::cpu);
    // The panel's own opener was handed to URL routing, which opened the dashboard.
    EXPECT_EQ(URLRouter::openWindow(), &opener);
    EXPECT_EQ(opener.opened, QStringList{WindowID::dashboard});

    panel.open(DashboardSection::battery, std::nullopt);
    EXPECT_EQ(sections.count(), 1);
    EXPECT_EQ(monitor().overviewAnchor(), std::nullopt);

    // An opener already installed is kept.
    RecordingOpener other;
    URLRouter::setOpenWindow(&other);
    panel.open(DashboardSection::battery, OverviewAnchor::memory);
    EXPECT_EQ(sections.count(), 1);
    EXPECT_EQ(other.opened, QStringList{WindowID::dashboard});
    EXPECT_EQ(opener.opened.size(), 2);
}

TEST_F(MenuBarPanelTest, ClicksOnTilesAndTheFooterNavigate)
{
    MenuBarPanel panel(monitor(), &opener);
    openPanel(panel);
    ingest(snapshot());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));

    monitor().setSection(DashboardSection::history);
    QTest::mouseClick(panel.cpuButton(), Qt::LeftButton);
    EXPECT_EQ(monitor().section(), DashboardSection::overview);
    EXPECT_EQ(monitor().overviewAnchor(), OverviewAnchor::cpu);

    QTest::mouseClick(panel.memoryButton(), Qt::LeftButton);
    EXPECT_EQ(monitor().overviewAnchor(), OverviewAnchor::memory);

    // The footer keeps the section and clears the pending anchor.
    monitor().setSection(DashboardSection::battery);
    QTest::mouseClick(panel.footer(), Qt::LeftButton);
    EXPECT_EQ(monitor().section(), DashboardSection::battery);
    EXPECT_EQ(monitor().overviewAnchor(), std::nullopt);

    // So does Ctrl+D.
    monitor().setOverviewAnchor(OverviewAnchor::disk);
    panel.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&panel));
    QTest::keyClick(&panel, Qt::Key_D, Qt::ControlModifier);
    // A shortcut presses the button visibly, so the click lands a moment later.
    EXPECT_TRUE(QTest::qWaitFor([this] { return !monitor().overviewAnchor().has_value(); }, 2000));
    EXPECT_EQ(opener.opened.size(), 4);
}

TEST_F(MenuBarPanelTest, TrayMenuOpensTheDashboardOnItsLastSectionWithoutAPendingScroll)
{
    MenuBarTray tray(monitor(), opener);
    monitor().setSection(DashboardSection::battery);
    monitor().setOverviewAnchor(OverviewAnchor::memory);
    QAction *open = nullptr;
    for (QAction *action : tray.menu()->actions()) {
        if (action->text() == QStringLiteral("Open Dashboard")) {
            open = action;
        }
    }
    ASSERT_NE(open, nullptr);
    open->trigger();
    EXPECT_EQ(monitor().section(), DashboardSection::battery);
    EXPECT_FALSE(monitor().overviewAnchor().has_value());
    EXPECT_EQ(opener.opened, QStringList{QStringLiteral("dashboard")});
}

TEST_F(MenuBarPanelTest, ScreenReadersReachEveryReadingTheTilesShow)
{
    fixture.prefs.setReminderEnabled(true);
    fixture.prefs.setReminderTarget(85);
    MenuBarPanel panel(monitor(), &opener);
    openPanel(panel);
    Snapshot s = snapshot(13.2);
    s.topProcesses = {{77, QStringLiteral("compiler"), 180.25}};
    BatteryReading r = reading(64, ChargingState::charging, true);
    r.adapterWatts = 96;
    r.timeToFullMinutes = 70;
    s.battery = r;
    ingest(s);

    const QStringList said = test::spoken(&panel);
    const QString detail = *PowerTile::detailLine(r);
    for (const QString &reading :
         {QStringLiteral("64%, charging, reminder at 85%"), QStringLiteral("Charging"), detail,
          PowerTile::reminderLine(85), QStringLiteral("13%"), QStringLiteral("compiler 180.3%"),
          QStringLiteral("Normal"), QStringLiteral("41%"), *MemoryTile::usedOfTotal(s), panel.freshnessText()->text()}) {
        EXPECT_TRUE(said.contains(reading)) << reading.toStdString() << " not in: "
                                            << said.join(QLatin1Char('|')).toStdString();
    }
    // Whatever text the tiles paint is read out somewhere.
    for (QWidget *tile : {static_cast<QWidget *>(panel.powerTile()), static_cast<QWidget *>(panel.cpuTile()),
                          static_cast<QWidget *>(panel.memoryTile())}) {
        for (const QString &text : visibleTexts(tile)) {
            EXPECT_TRUE(reaches(said, text)) << text.toStdString();
        }
    }
    // Tabbing to a tile announces what it shows, not only where it leads.
    const QString cpuName = QAccessible::queryAccessibleInterface(panel.cpuButton())->text(QAccessible::Name);
    EXPECT_TRUE(cpuName.startsWith(QStringLiteral("CPU: "))) << cpuName.toStdString();
    EXPECT_TRUE(cpuName.contains(QStringLiteral("13%"))) << cpuName.toStdString();
    QAccessibleInterface *gauge = QAccessible::queryAccessibleInterface(panel.memoryTile()->gauge());
    EXPECT_EQ(gauge->text(QAccessible::Name), QStringLiteral("Memory pressure"));
    ASSERT_TRUE(gauge->valueInterface());
    EXPECT_DOUBLE_EQ(gauge->valueInterface()->currentValue().toDouble(), 41.0);
}

TEST_F(MenuBarPanelTest, EveryUnavailableShowsItsReasonUnderThePointer)
{
    MenuBarPanel panel(monitor(), &opener);
    openPanel(panel);
    Snapshot s = snapshot(std::nullopt);
    s.memLevel = std::nullopt;
    s.battery = reading(std::nullopt, ChargingState::charging, true);
    ingest(s);

    int checked = 0;
    for (Unavailable *marker : panel.findChildren<Unavailable *>()) {
        if (!marker->isVisibleTo(&panel)) {
            continue;
        }
        ++checked;
        const QPoint inPanel = marker->mapTo(&panel, marker->rect().center());
        EXPECT_EQ(panel.childAt(inPanel), marker) << marker->reason().toStdString();
        QHelpEvent help(QEvent::ToolTip, marker->rect().center(), marker->mapToGlobal(marker->rect().center()));
        QCoreApplication::sendEvent(panel.childAt(inPanel), &help);
        EXPECT_EQ(QToolTip::text(), marker->reason());
        QToolTip::hideText();
    }
    EXPECT_EQ(checked, 3) << "charge level, CPU and memory level";

    // The tiles still take the click that lands on the marker.
    QTest::mouseClick(panel.cpuTile()->unavailable(), Qt::LeftButton);
    EXPECT_EQ(monitor().overviewAnchor(), OverviewAnchor::cpu);
}

TEST_F(MenuBarPanelTest, TilesHighlightUnderThePointer)
{
    MenuBarPanel panel(monitor(), &opener);
    openPanel(panel);
    EXPECT_EQ(panel.cpuButton()->accessibleDescription(), QStringLiteral("Opens CPU in the dashboard"));
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(panel.cpuButton(), &enter);
    EXPECT_TRUE(panel.cpuButton()->isHovering());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(panel.cpuButton(), &leave);
    EXPECT_FALSE(panel.cpuButton()->isHovering());
    EXPECT_EQ(panel.cpuButton()->focusPolicy(), Qt::StrongFocus);
}

TEST_F(MenuBarPanelTest, TilesCastTheCardShadowOnThePanel)
{
    MenuBarPanel panel(monitor(), &opener);
    Environment::setColorScheme(&panel, ColorScheme::dark);
    openPanel(panel);
    ingest(snapshot());
    const QImage drawn = panel.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QImage background(drawn.size(), QImage::Format_RGB32);
    background.setDevicePixelRatio(drawn.devicePixelRatio());
    {
        QPainter painter(&background);
        AuroraBackground::paint(painter, QRectF(panel.rect()), ColorScheme::dark);
    }
    const qreal dpr = drawn.devicePixelRatio();
    for (TileButton *tile : {panel.powerButton(), panel.cpuButton(), panel.memoryButton()}) {
        // Just under the card, in the gap before the next row: the shadow
        // falls below the card, so the panel is darker there than its
        // background alone.
        const QRect card(tile->mapTo(&panel, QPoint(0, 0)), tile->size());
        const QPoint below(static_cast<int>(card.center().x() * dpr), static_cast<int>((card.bottom() + 3) * dpr));
        EXPECT_LT(qGray(drawn.pixel(below)), qGray(background.pixel(below))) << tile->label().toStdString();
    }
}

TEST_F(MenuBarPanelTest, OptionsMenuSetsTheMenuBarStyle)
{
    MenuBarPanel panel(monitor(), &opener);
    QStringList titles;
    QAction *cpu = nullptr;
    for (QAction *action : panel.optionsMenu()->actions()) {
        titles.append(action->text());
        if (action->text() == QStringLiteral("CPU percentage")) {
            cpu = action;
        }
    }
    // Titled as in Settings: on Linux the readings sit in the tray.
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Tray shows"), QStringLiteral("Battery percentage"),
                                   QStringLiteral("CPU percentage"), QStringLiteral("Compact icon"), QString(),
                                   QStringLiteral("Open Dashboard"), QStringLiteral("Settings…"),
                                   QStringLiteral("About Voltmere"), QString(), QStringLiteral("Quit Voltmere")}));
    ASSERT_NE(cpu, nullptr);
    cpu->trigger();
    EXPECT_EQ(fixture.prefs.menuBarStyle(), MenuBarStyle::cpu);
    EXPECT_TRUE(cpu->isChecked());
}

TEST_F(MenuBarPanelTest, ClosedPanelKeepsOnlyItsBackgroundAtTheLastSize)
{
    MenuBarPanel panel(monitor(), &opener);
    panel.show();
    QCoreApplication::processEvents();
    // First drawn live, which measures it.
    ASSERT_TRUE(panel.lastSize().has_value());
    const QSize measured = *panel.lastSize();
    EXPECT_EQ(measured.width(), MenuBarPanel::width);

    // Not an open surface: the next round leaves the column hidden.
    ingest(snapshot());
    EXPECT_FALSE(panel.isLive());
    EXPECT_EQ(panel.size(), measured);

    // Opening draws the live column at once, from the latest state.
    monitor().setSurfaceOpen(MenuBarPanel::surface, true);
    EXPECT_TRUE(panel.isLive());
    EXPECT_EQ(panel.cpuTile()->heroNumber()->text(), QStringLiteral("37%"));
    monitor().setSurfaceOpen(MenuBarPanel::surface, false);
    EXPECT_FALSE(panel.isLive());
}

TEST_F(MenuBarPanelTest, DropDownReportsItselfAndClosesOnEscape)
{
    const QRect tray(1800, 0, 24, 24);
    std::unique_ptr<MenuBarPanel> panel(
        MenuBarPanel::createWindow(monitor(), &opener, [tray] { return MenuBarPanel::Presentation{true, tray}; }));
    panel->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel.get()));
    EXPECT_TRUE(monitor().openSurfaces().contains(MenuBarPanel::surface));
    EXPECT_TRUE(monitor().visibleSurfaces().contains(MenuBarPanel::surface));
    EXPECT_DOUBLE_EQ(monitor().interval(), Monitor::visibleInterval);
    EXPECT_TRUE(panel->isLive());

    QTest::keyClick(panel.get(), Qt::Key_Escape);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_FALSE(monitor().openSurfaces().contains(MenuBarPanel::surface));
    EXPECT_DOUBLE_EQ(monitor().interval(), Monitor::idleInterval);
    EXPECT_FALSE(panel->isLive());
}

// Where no tray shows the program the panel is an ordinary window, which
// stays when it loses focus; once a tray holds it, it is the drop-down again.
TEST_F(MenuBarPanelTest, WithoutATrayThePanelOpensAsAnOrdinaryWindow)
{
    bool tray = false;
    std::unique_ptr<MenuBarPanel> panel(MenuBarPanel::createWindow(
        monitor(), &opener, [&tray] { return MenuBarPanel::Presentation{tray, std::nullopt}; }));
    panel->show();
    EXPECT_EQ(panel->windowType(), Qt::Window);
    QTest::keyClick(panel.get(), Qt::Key_Escape);
    EXPECT_TRUE(panel->isVisible()) << "a window closes like any other, not on Escape";
    panel->close();
    tray = true;
    panel->show();
    EXPECT_NE(panel->windowType(), Qt::Window);
    EXPECT_TRUE(panel->windowFlags().testFlag(Qt::FramelessWindowHint));
}

TEST_F(MenuBarPanelTest, TheRingPulsesWhileTheOpenPanelIsOnScreen)
{
    Snapshot s = snapshot();
    s.battery = reading(64, ChargingState::charging, true);
    ingest(s);
    std::unique_ptr<MenuBarPanel> panel(MenuBarPanel::createWindow(
        monitor(), &opener, [] { return MenuBarPanel::Presentation{true, std::nullopt}; }));
    panel->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel.get()));
    ChargeRing *ring = panel->powerTile()->ring();
    EXPECT_TRUE(test::waitFor([&] { return ring->isPulsing(); }, 1000));
    panel->hide();
    EXPECT_FALSE(ring->isPulsing());
    // Reopened, it pulses again from the first frame it is on screen.
    panel->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel.get()));
    EXPECT_TRUE(test::waitFor([&] { return ring->isPulsing(); }, 1000));
}

TEST(MenuBarPanelPlacementTest, DropsFromTheTrayOrTheScreenCorner)
{
    const QRect screen(0, 0, 1920, 1080);
    const QSize size(360, 600);
    // Under a tray icon at the top, centred on it but kept on screen.
    EXPECT_EQ(MenuBarPanel::placement(QRect(900, 0, 24, 24), size, screen), QPoint(912 - 180, 28));
    EXPECT_EQ(MenuBarPanel::placement(QRect(1890, 0, 24, 24), size, screen), QPoint(1920 - 8 - 360, 28));
    // A tray at the bottom opens upwards.
    EXPECT_EQ(MenuBarPanel::placement(QRect(900, 1050, 24, 30), size, screen).y(), 1050 - 4 - 600);
    // Without a known icon: the top-right corner.
    EXPECT_EQ(MenuBarPanel::placement(std::nullopt, size, screen), QPoint(1920 - 8 - 360, 8));
}

} // namespace
} // namespace voltmere
