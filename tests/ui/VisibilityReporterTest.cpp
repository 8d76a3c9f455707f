#include "MonitorHarness.h"

#include "platform/ActivationPolicy.h"
#include "ui/VisibilityReporter.h"

#include <QCloseEvent>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace voltmere {
namespace {

using test::MonitorHarness;

// A window that may refuse to close, as one with unsaved input would.
class RefusingWindow : public QWidget {
public:
    bool refuse = false;

protected:
    void closeEvent(QCloseEvent *event) override
    {
        if (refuse) {
            event->ignore();
        } else {
            QWidget::closeEvent(event);
        }
    }
};

// Real top-level widgets on the offscreen platform, reporting to a Monitor
// with fake sources and to an activation policy of the test's own.
class VisibilityReporterTest : public ::testing::Test {
protected:
    std::unique_ptr<RefusingWindow> window(const QString &surface)
    {
        auto w = std::make_unique<RefusingWindow>();
        w->resize(200, 100);
        const bool panel = surface == QLatin1String("panel");
        new VisibilityReporter(w.get(), surface, !panel, panel, monitor, policy);
        return w;
    }

    static void show(QWidget &w)
    {
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        QCoreApplication::processEvents();
    }

    bool visible(const char *surface) const { return monitor.visibleSurfaces().contains(QLatin1String(surface)); }
    bool open(const char *surface) const { return monitor.openSurfaces().contains(QLatin1String(surface)); }

    MonitorHarness h;
    Monitor &monitor = *h.monitor;
    ActivationPolicy policy;
};

TEST_F(VisibilityReporterTest, ADashboardOnScreenIsOpenVisibleAndPromotesTheApp)
{
    auto dashboard = window(QStringLiteral("dashboard"));
    // Entering its window already makes the program a regular application.
    EXPECT_EQ(policy.policy(), ActivationPolicy::Policy::regular);
    EXPECT_FALSE(open("dashboard"));
    show(*dashboard);
    EXPECT_TRUE(open("dashboard"));
    EXPECT_TRUE(visible("dashboard"));
    EXPECT_EQ(monitor.interval(), 2.0);
    EXPECT_TRUE(policy.showsDockIcon());

    QSignalSpy cleared(&policy, &ActivationPolicy::dockIconCleared);
    dashboard->close();
    EXPECT_FALSE(open("dashboard"));
    EXPECT_FALSE(visible("dashboard"));
    EXPECT_EQ(monitor.interval(), 5.0);
    EXPECT_EQ(policy.policy(), ActivationPolicy::Policy::accessory);
    EXPECT_FALSE(policy.showsDockIcon());
    EXPECT_EQ(cleared.count(), 1);
}

TEST_F(VisibilityReporterTest, AMinimisedWindowStaysOpenButIsNotVisible)
{
    auto dashboard = window(QStringLiteral("dashboard"));
    show(*dashboard);
    dashboard->showMinimized();
    QCoreApplication::processEvents();
    EXPECT_TRUE(open("dashboard"));
    EXPECT_FALSE(visible("dashboard"));
    EXPECT_EQ(monitor.interval(), 5.0);
    dashboard->showNormal();
    QCoreApplication::processEvents();
    EXPECT_TRUE(visible("dashboard"));
}

TEST_F(VisibilityReporterTest, HidingAnOrdinaryWindowIsNotClosingIt)
{
    auto settings = window(QStringLiteral("settings"));
    show(*settings);
    settings->hide();
    QCoreApplication::processEvents();
    EXPECT_FALSE(visible("settings"));
    EXPECT_TRUE(open("settings"));
}

TEST_F(VisibilityReporterTest, AWindowThatRefusesToCloseStaysReported)
{
    auto settings = window(QStringLiteral("settings"));
    show(*settings);
    settings->refuse = true;
    EXPECT_FALSE(settings->close());
    QCoreApplication::processEvents();
    EXPECT_TRUE(open("settings"));
    EXPECT_TRUE(visible("settings"));
    // A later programmatic hide is still just a hide.
    settings->hide();
    EXPECT_TRUE(open("settings"));
}

TEST_F(VisibilityReporterTest, ThePanelIsOpenOnlyWhileShownAndNeverAddsADockIcon)
{
    auto panel = window(QStringLiteral("panel"));
    QSignalSpy applied(&policy, &ActivationPolicy::dockIconApplied);
    show(*panel);
    EXPECT_TRUE(open("panel"));
    EXPECT_TRUE(visible("panel"));
    EXPECT_EQ(monitor.interval(), 2.0);
    panel->hide(); // the panel drops away without closing
    QCoreApplication::processEvents();
    EXPECT_FALSE(open("panel"));
    EXPECT_FALSE(visible("panel"));
    EXPECT_EQ(policy.policy(), ActivationPolicy::Policy::accessory);
    EXPECT_EQ(applied.count(), 0);
}

TEST_F(VisibilityReporterTest, TheDockIconStaysWhileAnotherDockSurfaceIsVisible)
{
    auto dashboard = window(QStringLiteral("dashboard"));
    auto about = window(QStringLiteral("about"));
    show(*dashboard);
    show(*about);
    about->close();
    EXPECT_EQ(policy.policy(), ActivationPolicy::Policy::regular);
    EXPECT_TRUE(policy.showsDockIcon());

    // With the dashboard open but not on screen, closing About drops it.
    show(*about);
    dashboard->showMinimized();
    QCoreApplication::processEvents();
    about->close();
    EXPECT_TRUE(open("dashboard"));
    EXPECT_EQ(policy.policy(), ActivationPolicy::Policy::accessory);
    EXPECT_FALSE(policy.showsDockIcon());
}

TEST_F(VisibilityReporterTest, AVisiblePanelDoesNotKeepTheDockIcon)
{
    auto panel = window(QStringLiteral("panel"));
    auto welcome = window(QStringLiteral("welcome"));
    show(*panel);
    show(*welcome);
    welcome->close();
    EXPECT_TRUE(visible("panel"));
    EXPECT_EQ(policy.policy(), ActivationPolicy::Policy::accessory);
}

TEST_F(VisibilityReporterTest, ShowingAPromotingWindowAgainRestoresTheRegularPolicy)
{
    auto dashboard = window(QStringLiteral("dashboard"));
    show(*dashboard);
    dashboard->close();
    ASSERT_EQ(policy.policy(), ActivationPolicy::Policy::accessory);
    show(*dashboard); // reopened: the same reporter sees it visible again
    EXPECT_EQ(policy.policy(), ActivationPolicy::Policy::regular);
    EXPECT_TRUE(policy.showsDockIcon());
    EXPECT_TRUE(open("dashboard"));
}

TEST_F(VisibilityReporterTest, ADestroyedReporterReportsNothing)
{
    auto dashboard = window(QStringLiteral("dashboard"));
    show(*dashboard);
    delete dashboard->findChild<VisibilityReporter *>();
    dashboard->close();
    EXPECT_TRUE(visible("dashboard"));
    EXPECT_TRUE(open("dashboard"));
}

TEST(ActivationPolicyTest, TransitionsAndTheirSignals)
{
    ActivationPolicy policy;
    EXPECT_EQ(policy.policy(), ActivationPolicy::Policy::accessory);
    QSignalSpy changed(&policy, &ActivationPolicy::policyChanged);
    QSignalSpy applied(&policy, &ActivationPolicy::dockIconApplied);
    QSignalSpy activated(&policy, &ActivationPolicy::activationRequested);

    policy.promotingSurfaceShown();
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(applied.count(), 1);
    policy.promotingSurfaceShown(); // already regular: nothing to apply
    EXPECT_EQ(applied.count(), 1);
    policy.promotingSurfaceAttached(); // attaching always applies the icon and activates
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(applied.count(), 2);
    EXPECT_EQ(activated.count(), 1);

    policy.promotingSurfaceClosed({ QStringLiteral("settings") });
    EXPECT_EQ(policy.policy(), ActivationPolicy::Policy::regular);
    policy.promotingSurfaceClosed({ QStringLiteral("panel") });
    EXPECT_EQ(policy.policy(), ActivationPolicy::Policy::accessory);
    EXPECT_EQ(changed.count(), 2);
    EXPECT_EQ(ActivationPolicy::dockSurfaces(),
        (QSet<QString> { QStringLiteral("dashboard"), QStringLiteral("welcome"), QStringLiteral("about"),
            QStringLiteral("settings") }));
}

} // namespace
} // namespace voltmere
