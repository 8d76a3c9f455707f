#include "TestMonitor.h"
#include "app/view/Surfaces.h"

#include "app/view/ApplicationShell.h"
#include "dashboard/view/BatteryHeroCard.h"
#include "dashboard/view/BatteryView.h"
#include "dashboard/view/DashboardChrome.h"
#include "dashboard/view/DashboardView.h"
#include "dashboard/view/MetricCard.h"
#include "dashboard/view/OverviewView.h"
#include "dashboard/view/SelfUsageFooter.h"
#include "navigation/URLRouter.h"
#include "ui/DashboardScroll.h"
#include "ui/ChargeRing.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <gtest/gtest.h>

#include <map>

namespace voltmere {
namespace {

using test::TestMonitor;

class DashboardViewTest : public ::testing::Test {
protected:
    void setOpen(bool open) { t.monitor->setSurfaceOpen(DashboardView::surface, open); }
    DashboardView::PageFactory pages()
    {
        return [this](DashboardSection section) { return Surfaces::dashboardPage(section, *t.monitor); };
    }

    TestMonitor t;
};

TEST_F(DashboardViewTest, ClosedWindowBuildsNothingAndOpensOnTheSectionSetMeanwhile)
{
    DashboardView view(*t.monitor, pages());
    EXPECT_FALSE(view.isBuilt());
    EXPECT_EQ(view.page(), nullptr);

    // The panel switches the section while the window is closed.
    t.monitor->setSection(DashboardSection::history);
    EXPECT_FALSE(view.isBuilt());
    setOpen(true);
    ASSERT_TRUE(view.isBuilt());
    EXPECT_EQ(view.page()->title(), QStringLiteral("History"));
    EXPECT_TRUE(view.sidebarRow(DashboardSection::history)->isChecked());

    // Closing drops the pages; the section survives for the next opening.
    setOpen(false);
    EXPECT_FALSE(view.isBuilt());
    setOpen(true);
    EXPECT_EQ(view.shownSection(), DashboardSection::history);
}

TEST_F(DashboardViewTest, SidebarWritesTheSectionOnlyWhenItDiffers)
{
    setOpen(true);
    DashboardView view(*t.monitor, pages());
    ASSERT_EQ(t.monitor->section(), DashboardSection::overview);
    QSignalSpy written(t.monitor.get(), &Monitor::sectionChanged);

    view.sidebarRow(DashboardSection::overview)->click();
    EXPECT_EQ(written.count(), 0);
    EXPECT_NE(qobject_cast<OverviewView *>(view.page()), nullptr);

    view.sidebarRow(DashboardSection::battery)->click();
    EXPECT_EQ(written.count(), 1);
    EXPECT_EQ(view.page()->title(), QStringLiteral("Battery"));
    EXPECT_NE(qobject_cast<BatteryView *>(view.page()), nullptr);

    // The keyboard walks the list and stops at its ends.
    QTest::keyClick(view.sidebarRow(DashboardSection::battery), Qt::Key_Down);
    EXPECT_EQ(t.monitor->section(), DashboardSection::history);
    QTest::keyClick(view.sidebarRow(DashboardSection::history), Qt::Key_Down);
    EXPECT_EQ(written.count(), 2);

    // Any other writer moves the same window.
    t.monitor->setSection(DashboardSection::overview);
    EXPECT_EQ(view.page()->title(), QStringLiteral("Overview"));
    EXPECT_TRUE(view.sidebarRow(DashboardSection::overview)->isChecked());
}

TEST_F(DashboardViewTest, ASectionChosenElsewhereTakesTheSidebarsFocusAlong)
{
    setOpen(true);
    DashboardView view(*t.monitor, pages());
    view.show();
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    view.sidebarRow(DashboardSection::overview)->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(view.sidebarRow(DashboardSection::overview)->hasFocus());

    // An address switches the section: the focus ring must not stay behind.
    t.monitor->setSection(DashboardSection::history);
    EXPECT_TRUE(view.sidebarRow(DashboardSection::history)->hasFocus());

    // Nor when a tile in the panel, the active window then, chooses it.
    QWidget panel;
    panel.show();
    panel.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&panel));
    t.monitor->setSection(DashboardSection::battery);
    EXPECT_EQ(view.focusWidget(), view.sidebarRow(DashboardSection::battery));
    panel.hide();
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));

    // Focus elsewhere in the window stays where the user put it.
    auto *copy = view.findChild<QToolButton *>();
    ASSERT_NE(copy, nullptr);
    copy->setFocus(Qt::TabFocusReason);
    t.monitor->setSection(DashboardSection::overview);
    EXPECT_FALSE(view.sidebarRow(DashboardSection::overview)->hasFocus());
}

// Tab goes left to right through the header and never stops anywhere that
// shows no focus.
TEST_F(DashboardViewTest, TabWalksTheHeaderInOrderAndOnlyOntoVisibleStops)
{
    setOpen(true);
    DashboardView view(*t.monitor, pages());
    view.resize(1120, 780);
    view.show();
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    for (const DashboardSection section : {DashboardSection::overview, DashboardSection::history}) {
        t.monitor->setSection(section);
        // History shows its controls once its first answer is in.
        ASSERT_TRUE(QTest::qWaitFor([&view] {
            QWidget *control = view.page()->control();
            return control && control->isVisible();
        }));
        QAbstractButton *row = view.sidebarRow(section);
        row->setFocus(Qt::TabFocusReason);
        QStringList stops;
        for (QWidget *focused = row; stops.size() < 8;) {
            QTest::keyClick(focused, Qt::Key_Tab);
            focused = QApplication::focusWidget();
            ASSERT_NE(focused, nullptr);
            EXPECT_EQ(qobject_cast<QAbstractScrollArea *>(focused), nullptr) << "an invisible stop";
            if (focused == row) {
                break;
            }
            stops << (focused->accessibleName().isEmpty() ? focused->metaObject()->className()
                                                          : focused->accessibleName());
        }
        const QStringList expected = section == DashboardSection::overview
            ? QStringList{QStringLiteral("5 min"), QStringLiteral("Copy summary")}
            : QStringList{QStringLiteral("Metric"), QStringLiteral("1 h"), QStringLiteral("QToolButton"),
                          QStringLiteral("Copy summary")};
        EXPECT_EQ(stops.mid(0, expected.size()), expected);
    }
}

// In the narrowest window the Overview's two columns both fit: a long detail
// gives way rather than pushing the second column out of sight.
TEST_F(DashboardViewTest, AtItsSmallestTheOverviewCardsAllFitBesideEachOther)
{
    constexpr double gib = 1024.0 * 1024 * 1024;
    Snapshot s;
    s.date = t.clock.now();
    s.cpuTotal = 31;
    s.memPressure = 42;
    s.memUsed = 10.6 * gib;
    s.memTotal = 16 * gib;
    s.memLevel = MemoryPressureLevel::normal;
    s.swapUsed = 0.841 * gib;
    s.swapTotal = 2 * gib;
    s.diskRead = 4.5e6;
    s.diskWrite = 1.6e6;
    s.netIn = 8.3e3;
    s.netOut = 7.5e3;
    t.monitor->ingest(s);
    setOpen(true);
    DashboardView view(*t.monitor, pages());
    view.resize(DashboardView::minimumWindowWidth, DashboardView::minimumWindowHeight);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    auto *overview = qobject_cast<OverviewView *>(view.page());
    ASSERT_NE(overview, nullptr);
    QApplication::processEvents();
    QWidget *viewport = overview->scroll()->scrollArea()->viewport();
    for (OverviewAnchor anchor : {OverviewAnchor::cpu, OverviewAnchor::memory, OverviewAnchor::swap,
                                  OverviewAnchor::disk, OverviewAnchor::network}) {
        const QWidget *card = overview->card(anchor);
        EXPECT_LE(card->mapTo(viewport, QPoint(card->width(), 0)).x(), viewport->width()) << rawValue(anchor).toStdString();
    }
}

TEST_F(DashboardViewTest, AtItsSmallestTheHistoryHeaderFitsWithoutOverlaps)
{
    setOpen(true);
    t.monitor->setSection(DashboardSection::history);
    DashboardView view(*t.monitor, pages());
    view.resize(DashboardView::minimumWindowWidth, DashboardView::minimumWindowHeight);
    view.show();
    ASSERT_TRUE(QTest::qWaitFor([&view] {
        QWidget *control = view.page()->control();
        return control && control->isVisible();
    }));
    QApplication::processEvents();
    // Every visible control in the header, left to right, in window coordinates.
    QList<QRect> boxes;
    QWidget *header = view.page()->control()->parentWidget();
    for (QWidget *widget : header->findChildren<QWidget *>()) {
        if (widget->isVisible() && widget->focusPolicy() != Qt::NoFocus) {
            boxes << QRect(widget->mapTo(&view, QPoint()), widget->size());
        }
    }
    ASSERT_GE(boxes.size(), 5);
    for (int i = 0; i < boxes.size(); ++i) {
        EXPECT_LE(boxes[i].right(), view.width()) << i;
        for (int j = i + 1; j < boxes.size(); ++j) {
            EXPECT_FALSE(boxes[i].intersects(boxes[j])) << i << " overlaps " << j;
        }
    }
    // Short of room "Copy summary" shows its symbol alone, still named; with
    // room it has its words again.
    QToolButton *copy = view.chrome()->copyButton();
    EXPECT_EQ(copy->accessibleName(), QStringLiteral("Copy summary"));
    view.resize(1300, 800);
    QApplication::processEvents();
    EXPECT_EQ(copy->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
}

TEST_F(DashboardViewTest, AddressesOpenTheOneWindowOnTheirSectionAndItReopensWhereItWas)
{
    ApplicationShell shell(*t.monitor);
    shell.registerWindow(WindowID::dashboard, [this] { return DashboardView::createWindow(*t.monitor, pages()); });
    URLRouter::setOpenWindow(&shell);

    URLRouter::handleAll({QStringLiteral("voltmere://open/battery")}, *t.monitor);
    auto *view = qobject_cast<DashboardView *>(shell.window(WindowID::dashboard));
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(test::waitFor([&] { return view->isBuilt(); }));
    EXPECT_EQ(view->page()->title(), QStringLiteral("Battery"));
    EXPECT_GE(view->minimumWidth(), 860);
    EXPECT_GE(view->minimumHeight(), 600);

    URLRouter::handleAll({QStringLiteral("voltmere://open/overview")}, *t.monitor);
    EXPECT_EQ(shell.window(WindowID::dashboard), view) << "one window for every way in";
    EXPECT_EQ(view->page()->title(), QStringLiteral("Overview"));

    view->close();
    EXPECT_FALSE(t.monitor->openSurfaces().contains(DashboardView::surface));
    EXPECT_FALSE(view->isBuilt());
    t.monitor->setSection(DashboardSection::history);
    URLRouter::handleAll({QStringLiteral("voltmere://open")}, *t.monitor);
    ASSERT_TRUE(test::waitFor([&] { return view->isBuilt(); }));
    EXPECT_EQ(view->page()->title(), QStringLiteral("History"));
}

// A tile pressed in the panel builds the Overview in the same turn as it asks
// for the scroll, and the window system may still resize a window it has
// just mapped; the scroll must follow the settled layout, or it stops short
// of the card.
TEST_F(DashboardViewTest, ATilePressedWithTheOverviewNotShownScrollsAllTheWayToItsCard)
{
    for (int i = 0; i < 5; ++i) {
        Snapshot s;
        s.date = t.clock.now() - 10 + 2 * i;
        s.cpuTotal = 30;
        s.memPressure = 40;
        s.netIn = 800;
        s.netOut = 200;
        t.monitor->ingest(s);
    }
    ApplicationShell shell(*t.monitor);
    shell.registerWindow(WindowID::dashboard, [this] { return DashboardView::createWindow(*t.monitor, pages()); });
    // What the panel's tiles do, in their order, and a window manager that
    // gives the window another size right after.
    const auto pressTile = [&](OverviewAnchor anchor, QSize resized) {
        if (t.monitor->section() != DashboardSection::overview) {
            t.monitor->setSection(DashboardSection::overview);
        }
        t.monitor->setOverviewAnchor(anchor);
        shell.openWindow(WindowID::dashboard);
        QWidget *window = shell.window(WindowID::dashboard);
        QTimer::singleShot(60, window, [window, resized] { window->resize(resized); });
    };
    const auto scrolledTo = [&](OverviewAnchor anchor) {
        auto *view = qobject_cast<DashboardView *>(shell.window(WindowID::dashboard));
        auto *overview = view ? qobject_cast<OverviewView *>(view->page()) : nullptr;
        if (!overview || t.monitor->overviewAnchor() || !overview->scroll()->scrollArea()) {
            return false;
        }
        QScrollBar *bar = overview->scroll()->scrollArea()->verticalScrollBar();
        const int top = overview->anchorTarget(anchor)->mapTo(overview->scroll()->content(), QPoint()).y();
        return bar->value() > 0 && bar->value() == std::min(top, bar->maximum());
    };

    // The window closed.
    pressTile(OverviewAnchor::processes, QSize(860, 600));
    EXPECT_TRUE(test::waitFor([&] { return scrolledTo(OverviewAnchor::processes); }, 2000));

    // The window open on another section.
    t.monitor->setSection(DashboardSection::battery);
    QCoreApplication::processEvents();
    pressTile(OverviewAnchor::network, QSize(1120, 620));
    EXPECT_TRUE(test::waitFor([&] { return scrolledTo(OverviewAnchor::network); }, 2000));
}

// The ring pulses while charging only as long as the window is on screen,
// whichever way it got there: opened straight onto the page, or restored.
TEST_F(DashboardViewTest, TheChargeRingPulsesWhileTheWindowIsOnScreenAndOnlyThen)
{
    BatteryReading charging;
    charging.level = 64;
    charging.state = ChargingState::charging;
    charging.isPluggedIn = true;
    Snapshot s;
    s.date = t.clock.now();
    s.battery = charging;
    t.monitor->ingest(s);
    t.monitor->setSection(DashboardSection::battery);
    std::unique_ptr<DashboardView> view(DashboardView::createWindow(*t.monitor, pages()));
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    auto *page = qobject_cast<BatteryView *>(view->page());
    ASSERT_NE(page, nullptr);
    ChargeRing *ring = page->heroCard()->ring();
    EXPECT_TRUE(test::waitFor([&] { return ring->isPulsing(); }, 1000)) << "opened onto the page";

    view->showMinimized();
    EXPECT_TRUE(test::waitFor([&] { return !ring->isPulsing(); }, 1000)) << "minimised";
    view->showNormal();
    EXPECT_TRUE(test::waitFor([&] { return ring->isPulsing(); }, 1000)) << "restored";

    // Unplugged and plugged in again while the window is on screen.
    charging.state = ChargingState::onBattery;
    s.battery = charging;
    t.monitor->ingest(s);
    EXPECT_FALSE(ring->isPulsing());
    charging.state = ChargingState::charging;
    s.battery = charging;
    t.monitor->ingest(s);
    EXPECT_TRUE(ring->isPulsing());
}

// Waits handed to the chrome, run by the test at the times it chooses.
struct ManualScheduler {
    std::multimap<int, std::function<void()>> due;
    int now = 0;
    DashboardChrome::Scheduler scheduler()
    {
        return [this](int ms, QObject *, std::function<void()> work) { due.emplace(now + ms, std::move(work)); };
    }
    void advanceTo(int ms)
    {
        now = ms;
        while (!due.empty() && due.begin()->first <= ms) {
            auto work = std::move(due.begin()->second);
            due.erase(due.begin());
            work();
        }
    }
};

class StillPage final : public DashboardPage {
public:
    QString title() const override { return QStringLiteral("Battery"); }
    QString copyText() const override { return QStringLiteral("Battery\nCharging, 64%"); }
};

TEST_F(DashboardViewTest, SecondCopyExtendsTheConfirmationToItsOwnWait)
{
    ManualScheduler clock;
    DashboardChrome chrome(new StillPage, clock.scheduler());
    EXPECT_EQ(chrome.copyButton()->text(), QStringLiteral("Copy summary"));

    chrome.copySummary();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), chrome.page()->copyText());
    EXPECT_EQ(chrome.copyButton()->text(), QStringLiteral("Copied"));
    clock.advanceTo(1000);
    chrome.copySummary();
    clock.advanceTo(1400); // the first wait ends, but a newer copy happened
    EXPECT_TRUE(chrome.isShowingCopied());
    clock.advanceTo(2399);
    EXPECT_TRUE(chrome.isShowingCopied());
    clock.advanceTo(2400);
    EXPECT_FALSE(chrome.isShowingCopied());
    EXPECT_EQ(chrome.copyButton()->text(), QStringLiteral("Copy summary"));
    EXPECT_EQ(chrome.copyGeneration(), 2);
}

TEST_F(DashboardViewTest, FooterMeasuresForThirtySecondsThenShowsTheShareOfOneCore)
{
    EXPECT_EQ(SelfUsageFooter::usageText({0.2, 29.9}), QStringLiteral("measuring…"));
    EXPECT_EQ(SelfUsageFooter::usageText({0.3, 60}), QStringLiteral("0.50%"));
    EXPECT_EQ(SelfUsageFooter::intervalText(2.0), QStringLiteral("Every 2 s"));
}

} // namespace
} // namespace voltmere
