#include "dashboard/FocusRing.h"
#include "dashboard/PressableStyle.h"

#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace voltmere {
namespace {

TEST(PressableStyleTest, PressShrinksTheButtonAndReleaseRestoresIt)
{
    QPushButton button(QStringLiteral("Open Dashboard"));
    EXPECT_EQ(PressableStyle::scale(&button), 1.0) << "buttons without the style are never scaled";
    PressableStyle::attach(&button);
    button.show();
    QTest::mousePress(&button, Qt::LeftButton);
    QTest::qWait(PressableStyle::durationMs + 80);
    EXPECT_NEAR(PressableStyle::scale(&button), PressableStyle::pressedScale, 1e-6);
    QTest::mouseRelease(&button, Qt::LeftButton);
    QTest::qWait(PressableStyle::durationMs + 80);
    EXPECT_NEAR(PressableStyle::scale(&button), 1.0, 1e-6);
}

TEST(FocusRingTest, KeyboardFocusShowsTheRingAroundTheTargetAndMouseFocusDoesNot)
{
    QWidget window;
    window.resize(300, 200);
    auto *target = new QPushButton(QStringLiteral("Copy summary"), &window);
    auto *other = new QPushButton(QStringLiteral("Other"), &window);
    target->setGeometry(40, 40, 120, 30);
    other->setGeometry(40, 120, 120, 30);
    FocusRing *ring = FocusRing::attach(target, 8);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    target->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(ring->isShowingFocus());
    EXPECT_TRUE(ring->isVisible());
    const int margin = FocusRing::outset + int(FocusRing::lineWidth);
    EXPECT_EQ(ring->geometry(), target->geometry().adjusted(-margin, -margin, margin, margin));

    other->setFocus(Qt::TabFocusReason);
    EXPECT_FALSE(ring->isVisible());
    target->setFocus(Qt::MouseFocusReason);
    EXPECT_FALSE(ring->isVisible());
}

} // namespace
} // namespace voltmere
