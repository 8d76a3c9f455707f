#include "TestMonitor.h"

#include "app/view/ApplicationShell.h"
#include "navigation/URLRouter.h"
#include "navigation/WelcomeGate.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace voltmere {
namespace {

class ApplicationShellTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WelcomeGate::setOffered(false);
        qunsetenv("VOLTMERE_SKIP_WELCOME");
        for (const QString &id : {WindowID::dashboard, WindowID::welcome, WindowID::about, WindowID::panel}) {
            shell.registerWindow(id, [this, id] {
                ++created[id];
                auto *window = new QWidget;
                window->setWindowTitle(id);
                return window;
            });
        }
    }
    void TearDown() override { WelcomeGate::setOffered(false); }

    test::TestMonitor fixture;
    ApplicationShell shell{*fixture.monitor};
    QHash<QString, int> created;
};

// Starting the shell puts its tray item on the session bus, where it would
// register with the stand-in tray of any other test running beside it; with
// "DBus" in its name the suite takes the bus's lock, so none runs beside it
// and the bus has no tray.
class ApplicationShellDBusTest : public ApplicationShellTest {};

TEST_F(ApplicationShellTest, OpensAWindowOnceAndRaisesItAfterwards)
{
    shell.openWindow(WindowID::about);
    QWidget *about = shell.window(WindowID::about);
    ASSERT_TRUE(about);
    EXPECT_TRUE(about->isVisible());
    about->hide();
    shell.openWindow(WindowID::about);
    EXPECT_EQ(shell.window(WindowID::about), about);
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(created.value(WindowID::about), 1);
}

// Without a display every handed-over address opens a window; the platform
// cannot raise one there and must not be asked to, or the log fills up.
TEST_F(ApplicationShellTest, OpeningWindowsWithoutADisplayLogsNothing)
{
    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &text) {
        warnings.append(text);
    });
    for (int i = 0; i < 3; ++i) {
        shell.openWindow(WindowID::dashboard);
        shell.activateApp();
    }
    qInstallMessageHandler(previous);
    EXPECT_EQ(warnings, QStringList{});
}

TEST_F(ApplicationShellTest, WindowThatDeletesItselfOnCloseIsCreatedAnew)
{
    shell.openWindow(WindowID::dashboard);
    QWidget *dashboard = shell.window(WindowID::dashboard);
    ASSERT_TRUE(dashboard);
    dashboard->setAttribute(Qt::WA_DeleteOnClose);
    dashboard->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(shell.window(WindowID::dashboard));
    shell.openWindow(WindowID::dashboard);
    EXPECT_TRUE(shell.window(WindowID::dashboard));
    EXPECT_EQ(created.value(WindowID::dashboard), 2);
}

TEST_F(ApplicationShellTest, UnknownIdentifierOpensNothing)
{
    shell.openWindow(QStringLiteral("inspector"));
    EXPECT_FALSE(shell.window(QStringLiteral("inspector")));
}

TEST_F(ApplicationShellTest, ClickingTheStatusItemWithoutATrayShowsThePanelAsAWindow)
{
    URLRouter::handle(QStringLiteral("voltmere://panel"), *fixture.monitor);
    ASSERT_TRUE(shell.window(WindowID::panel));
    EXPECT_TRUE(shell.window(WindowID::panel)->isVisible());
}

TEST_F(ApplicationShellDBusTest, StartingWithoutATrayStillRoutesAddressesAndOffersTheWelcomeOnce)
{
    shell.start(); // no tray on the test's bus
    EXPECT_EQ(URLRouter::openWindow(), &shell);
    EXPECT_EQ(created.value(WindowID::welcome), 1);
    EXPECT_TRUE(WelcomeGate::offered());

    URLRouter::handle(QStringLiteral("voltmere://open/battery"), *fixture.monitor);
    EXPECT_EQ(fixture.monitor->section(), DashboardSection::battery);
    ASSERT_TRUE(shell.window(WindowID::dashboard));
    EXPECT_TRUE(shell.window(WindowID::dashboard)->isVisible());
}

// GNOME without its AppIndicator extension shows no tray: once the grace
// for a tray starting with the session is over, the log says once what to do.
TEST_F(ApplicationShellDBusTest, WithoutATrayTheLogSaysOnceHowToGetOne)
{
    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &text) {
        warnings.append(text);
    });
    QSignalSpy missing(&shell, &ApplicationShell::trayMissingChanged);
    shell.start(); // no tray on the test's bus
    EXPECT_FALSE(shell.trayMissing()) << "a tray may still be starting";
    EXPECT_TRUE(missing.wait(ApplicationShell::trayGraceMs + 3000));
    QTest::qWait(200);
    qInstallMessageHandler(previous);
    EXPECT_TRUE(shell.trayMissing());
    EXPECT_EQ(missing.count(), 1);
    ASSERT_EQ(warnings.filter(QStringLiteral("AppIndicator")).size(), 1) << warnings.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(warnings.filter(QStringLiteral("AppIndicator")).constFirst().contains(QStringLiteral("open Voltmere again")));
}

TEST_F(ApplicationShellTest, ClosingTheLastWindowKeepsTheProgramRunning)
{
    QApplication::setQuitOnLastWindowClosed(false);
    bool quitRequested = false;
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, &shell, [&quitRequested] { quitRequested = true; });
    shell.openWindow(WindowID::about);
    shell.window(WindowID::about)->close();
    QCoreApplication::processEvents();
    EXPECT_FALSE(quitRequested);
}

TEST_F(ApplicationShellTest, AppearanceChangeReappliesTheIcon)
{
    QSignalSpy appearance(&shell, &ApplicationShell::appearanceChanged);
    const QPalette original = QApplication::palette();
    QApplication::setWindowIcon(QIcon());
    QPalette dark = original;
    dark.setColor(QPalette::Window, QColor(0x11, 0x13, 0x16));
    QApplication::setPalette(dark);
    QCoreApplication::processEvents();
    QApplication::setPalette(original);
    EXPECT_GE(appearance.count(), 1);
    EXPECT_FALSE(QApplication::windowIcon().isNull());
}

TEST_F(ApplicationShellDBusTest, ForgetsItselfAsRouterTargetWhenDestroyed)
{
    {
        test::TestMonitor other;
        ApplicationShell temporary(*other.monitor);
        temporary.start();
        EXPECT_EQ(URLRouter::shell(), &temporary);
    }
    EXPECT_EQ(URLRouter::shell(), nullptr);
    EXPECT_EQ(URLRouter::openWindow(), nullptr);
}

TEST_F(ApplicationShellTest, CtrlCommaOpensSettingsFromAnyOfItsWindows)
{
    shell.registerWindow(WindowID::settings, [this] {
        ++created[WindowID::settings];
        return new QWidget;
    });
    shell.openWindow(WindowID::about);
    QWidget *about = shell.window(WindowID::about);
    ASSERT_TRUE(about);
    QApplication::setActiveWindow(about);
    QTest::keySequence(about, ApplicationShell::settingsShortcut());
    ASSERT_TRUE(shell.window(WindowID::settings));
    EXPECT_TRUE(shell.window(WindowID::settings)->isVisible());
}

} // namespace
} // namespace voltmere
