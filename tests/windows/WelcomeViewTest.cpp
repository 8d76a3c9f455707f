#include "MonitorHarness.h"

#include "ui/ToggleSwitch.h"
#include "windows/view/WelcomeView.h"

#include <QApplication>
#include <QCheckBox>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

namespace voltmere {
namespace {

using test::MonitorHarness;

class WelcomeViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        view = WelcomeView::createWindow(*h.monitor);
        view->show();
        QApplication::setActiveWindow(view);
    }
    void TearDown() override { delete view.data(); }

    MonitorHarness h;
    QPointer<WelcomeView> view;
};

TEST_F(WelcomeViewTest, ClosingByTheCloseButtonCompletesTheWelcome)
{
    ASSERT_TRUE(h.prefs.shouldOfferWelcome());
    view->close();
    EXPECT_TRUE(h.prefs.welcomeCompleted());
    EXPECT_FALSE(h.prefs.shouldOfferWelcome());
}

// Where no tray shows the program, the window says how to get one, and the
// window grows to hold it rather than clipping the buttons below.
TEST_F(WelcomeViewTest, TheTrayHintShowsWhileThereIsNoTrayAndTheWindowGrowsForIt)
{
    const int before = view->height();
    view->setTrayHint(QStringLiteral("Install the extension."));
    EXPECT_TRUE(view->trayHintRow()->isVisibleTo(view));
    EXPECT_GT(view->height(), before);
    EXPECT_TRUE(view->continueButton()->geometry().bottom() < view->height());
    view->setTrayHint(QString());
    EXPECT_FALSE(view->trayHintRow()->isVisibleTo(view));
    EXPECT_EQ(view->height(), before);
}

TEST_F(WelcomeViewTest, ReturnActivatesContinue)
{
    // Wherever the focus is, Return is the default action.
    view->reminderSwitch()->setFocus();
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_TRUE(MonitorHarness::waitFor([this] { return !view || !view->isVisible(); }));
    EXPECT_TRUE(h.prefs.welcomeCompleted());
}

TEST_F(WelcomeViewTest, SwitchingTheReminderOnAsksForPermissionAndOffDoesNot)
{
    EXPECT_FALSE(view->targetRow()->isVisible());
    const int heightOff = view->height();

    view->reminderSwitch()->click();
    h.settle();
    EXPECT_TRUE(h.prefs.reminderEnabled());
    EXPECT_EQ(h.notifications->authorizationRequests, 1);
    EXPECT_TRUE(view->targetRow()->isVisible());
    EXPECT_GT(view->height(), heightOff); // the window grows to hold the row

    view->reminderSwitch()->click();
    h.settle();
    EXPECT_FALSE(h.prefs.reminderEnabled());
    EXPECT_EQ(h.notifications->authorizationRequests, 1);
    EXPECT_FALSE(view->targetRow()->isVisible());
    EXPECT_EQ(view->height(), heightOff);
}

TEST_F(WelcomeViewTest, TheReminderIsTheBatteryPagesSwitchAndTheKeyboardFlipsIt)
{
    // The same control as on the Battery page, so both read as one setting.
    ToggleSwitch *reminder = view->reminderSwitch();
    EXPECT_EQ(reminder->accessibleName(), QStringLiteral("Charge reminder"));
    EXPECT_TRUE(reminder->focusPolicy() & Qt::TabFocus);
    EXPECT_GE(reminder->sizeHint().width(), ToggleSwitch::trackWidth);
    reminder->setFocus();
    QTest::keyClick(reminder, Qt::Key_Space);
    h.settle();
    EXPECT_TRUE(h.prefs.reminderEnabled());
}

TEST_F(WelcomeViewTest, TheTargetMovesInStepsOfFiveBetween50And100)
{
    view->reminderSwitch()->click();
    QSlider *slider = view->targetSlider();
    EXPECT_EQ(slider->value(), 80);
    slider->setValue(87); // a drag passes every whole number
    EXPECT_EQ(slider->value(), 85);
    EXPECT_EQ(h.prefs.reminderTarget(), 85);
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(h.prefs.reminderTarget(), 90);
    slider->setValue(100);
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(h.prefs.reminderTarget(), 100);
    slider->setValue(50);
    QTest::keyClick(slider, Qt::Key_Left);
    EXPECT_EQ(h.prefs.reminderTarget(), 50);
}

} // namespace
} // namespace voltmere
