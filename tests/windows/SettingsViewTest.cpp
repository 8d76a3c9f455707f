#include "MonitorHarness.h"
#include "app/view/Surfaces.h"

#include "menubar/view/MenuBarTray.h"
#include "navigation/WindowOpener.h"
#include "ui/Theme.h"
#include "ui/ThemedLabel.h"
#include "windows/view/AboutView.h"
#include "windows/view/GeneralSettings.h"
#include "windows/view/NotificationsSettings.h"
#include "windows/view/SettingsView.h"

#include <QApplication>
#include <QComboBox>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace voltmere {
namespace {

using test::MonitorHarness;

class NoWindows final : public WindowOpener {
public:
    void openWindow(const QString &) override {}
};

const NotificationSettings allowedSettings{NotificationAuthorization::authorized, NotificationAlertSetting::enabled};
const NotificationSettings deniedSettings{NotificationAuthorization::denied, NotificationAlertSetting::disabled};
const NotificationSettings undecidedSettings{NotificationAuthorization::notDetermined, NotificationAlertSetting::notSupported};

class SettingsViewTest : public ::testing::Test {
protected:
    // The Settings window on its Notifications tab, after the Monitor read
    // `settings` (or could not read any, without an identity).
    void showNotifications(const NotificationSettings &settings, bool identity = true)
    {
        h.notifications->settings = settings;
        h.notifications->identity = identity;
        view = std::make_unique<SettingsView>(*h.monitor, Surfaces::historySettings(*h.monitor));
        view->tabs()->setCurrentWidget(view->notifications());
        view->show();
        h.settle();
    }

    NotificationsSettings &tab() { return *view->notifications(); }

    MonitorHarness h;
    std::unique_ptr<SettingsView> view;
};

TEST_F(SettingsViewTest, EachPermissionShowsItsValueAndItsOneAction)
{
    struct Case {
        NotificationSettings settings;
        bool identity;
        QString value;
        ThemeColor color;
        QString action; // empty: the checking text instead of a button
    };
    const Case cases[] = {
        {allowedSettings, false, QStringLiteral("Checking…"), Theme::text, QString()},
        {undecidedSettings, true, QStringLiteral("Not asked yet"), Theme::text, QStringLiteral("Allow Notifications")},
        {allowedSettings, true, QStringLiteral("Allowed"), Theme::text, QStringLiteral("Send test notification")},
        {deniedSettings, true, QStringLiteral("Off"), Theme::amber, QStringLiteral("Notification Settings…")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.value.toStdString());
        showNotifications(c.settings, c.identity);
        EXPECT_EQ(tab().permissionLabel()->text(), c.value);
        EXPECT_EQ(tab().permissionLabel()->color(), c.color);
        EXPECT_EQ(tab().actionButton()->isVisible(), !c.action.isEmpty());
        EXPECT_EQ(tab().checkingLabel()->isVisible(), c.action.isEmpty());
        if (!c.action.isEmpty()) {
            EXPECT_EQ(tab().actionButton()->text(), c.action);
        }
    }
}

TEST_F(SettingsViewTest, EachActionDoesWhatItSays)
{
    showNotifications(undecidedSettings);
    h.notifications->settings = allowedSettings; // the user says yes
    tab().actionButton()->click();
    h.settle();
    EXPECT_EQ(h.notifications->authorizationRequests, 1);
    EXPECT_EQ(tab().permissionLabel()->text(), QStringLiteral("Allowed"));

    tab().actionButton()->click();
    h.settle();
    ASSERT_EQ(h.notifications->added.size(), 1u);
    EXPECT_EQ(h.notifications->added.front().identifier, Monitor::chargeReminderTestId);

    h.notifications->settings = deniedSettings;
    h.monitor->refreshNotificationStatus();
    h.settle();
    tab().actionButton()->click();
    EXPECT_EQ(h.notifications->settingsOpened, 1);
}

TEST_F(SettingsViewTest, AFailedTestNotificationShowsItsErrorUntilALaterSuccess)
{
    h.notifications->completeOnOtherThread = true;
    showNotifications(allowedSettings);
    EXPECT_FALSE(tab().errorLabel()->isVisible());

    h.notifications->addError = QStringLiteral("The server refused the notification.");
    tab().actionButton()->click();
    ASSERT_TRUE(MonitorHarness::waitFor([this] { return tab().errorLabel()->isVisible(); }));
    EXPECT_EQ(tab().errorLabel()->text(), QStringLiteral("The server refused the notification."));
    EXPECT_EQ(tab().errorLabel()->color(), Theme::amber);

    // Switching tabs and back keeps it: only a success clears it.
    view->tabs()->setCurrentIndex(0);
    view->tabs()->setCurrentWidget(view->notifications());
    h.settle();
    EXPECT_TRUE(tab().errorLabel()->isVisible());

    h.notifications->addError.reset();
    tab().actionButton()->click();
    EXPECT_TRUE(MonitorHarness::waitFor([this] { return !tab().errorLabel()->isVisible(); }));
}

TEST_F(SettingsViewTest, ShowingTheTabReadsThePermissionAgain)
{
    showNotifications(undecidedSettings);
    view->tabs()->setCurrentIndex(0);
    // Meanwhile the user turned notifications off in the desktop's settings.
    h.notifications->settings = deniedSettings;
    const int reads = h.notifications->settingsReads;
    view->tabs()->setCurrentWidget(view->notifications());
    h.settle();
    EXPECT_EQ(h.notifications->settingsReads, reads + 1);
    EXPECT_EQ(tab().permissionLabel()->text(), QStringLiteral("Off"));
}

TEST_F(SettingsViewTest, MenuBarShowsChangesTheTrayLabelWithoutClosingTheWindow)
{
    NoWindows opener;
    MenuBarTray tray(*h.monitor, opener);
    SettingsView *window = SettingsView::createWindow(*h.monitor, Surfaces::historySettings(*h.monitor));
    window->show();
    const MenuBarLabel::Content before = tray.content();

    QComboBox *picker = window->general()->stylePicker();
    ASSERT_EQ(picker->count(), 3);
    EXPECT_EQ(picker->itemText(0), QStringLiteral("Battery percentage"));
    EXPECT_EQ(picker->itemText(1), QStringLiteral("CPU percentage"));
    const int compact = picker->findText(QStringLiteral("Compact icon"));
    ASSERT_EQ(compact, 2);
    picker->setCurrentIndex(compact);
    Q_EMIT picker->activated(compact);

    EXPECT_EQ(h.prefs.menuBarStyle(), MenuBarStyle::icon);
    EXPECT_TRUE(tray.content().templateIcon);
    EXPECT_NE(tray.content(), before);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->size(), QSize(SettingsView::width, SettingsView::height));
    window->close();
}

// Settings and About are small windows of their own: Escape dismisses them,
// as it does the desktop's dialogs.
TEST_F(SettingsViewTest, EscapeClosesSettingsAndAbout)
{
    for (QWidget *window : { static_cast<QWidget *>(SettingsView::createWindow(*h.monitor, Surfaces::historySettings(*h.monitor))),
                             static_cast<QWidget *>(AboutView::createWindow(*h.monitor)) }) {
        QPointer<QWidget> alive = window;
        window->show();
        QApplication::setActiveWindow(window);
        QTest::keyClick(window, Qt::Key_Escape);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(alive.isNull()) << window->windowTitle().toStdString();
        delete alive.data();
    }
}

} // namespace
} // namespace voltmere
