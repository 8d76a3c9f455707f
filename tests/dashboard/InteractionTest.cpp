#include "ui/FocusRing.h"
#include "ui/PressableStyle.h"

#include <QImage>
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

TEST(PressableStyleTest, ThePressScalesWhatIsOnTheButtonAndLeavesNothingBehind)
{
    // A card-like button whose text is a child widget, as the panel's tiles are.
    QWidget window;
    window.resize(400, 200);
    auto &button = *new QPushButton(&window);
    button.resize(400, 200);
    auto *content = new QWidget(&button);
    content->setGeometry(0, 0, 400, 200);
    content->setAutoFillBackground(true);
    content->setPalette(QPalette(Qt::black));
    PressableStyle::attach(&button);
    window.show();
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(200, 100));
    QTest::qWait(PressableStyle::durationMs + 80);
    ASSERT_NE(button.graphicsEffect(), nullptr);
    // At 0.985 the child no longer reaches the corner of the button.
    QImage pressed(window.size(), QImage::Format_ARGB32);
    pressed.fill(Qt::white);
    window.render(&pressed, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_NE(pressed.pixelColor(0, 0).rgb(), QColor(Qt::black).rgb());
    EXPECT_EQ(pressed.pixelColor(200, 100).rgb(), QColor(Qt::black).rgb());
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(200, 100));
    QTest::qWait(PressableStyle::durationMs + 80);
    EXPECT_EQ(button.graphicsEffect(), nullptr) << "a button at rest renders as usual";
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

    // The 2-point stroke is centred 2 points outside the target: it covers
    // the band 1 to 3 points out and leaves the target's edge clear.
    QImage drawn(ring->size(), QImage::Format_ARGB32_Premultiplied);
    drawn.fill(Qt::transparent);
    ring->render(&drawn, QPoint(), QRegion(), QWidget::DrawChildren);
    const int middle = drawn.height() / 2;
    EXPECT_EQ(qAlpha(drawn.pixel(0, middle)), 0);
    EXPECT_GT(qAlpha(drawn.pixel(1, middle)), 200);
    EXPECT_GT(qAlpha(drawn.pixel(2, middle)), 200);
    EXPECT_EQ(qAlpha(drawn.pixel(3, middle)), 0);
    EXPECT_EQ(qAlpha(drawn.pixel(drawn.width() - 1, middle)), 0);
    EXPECT_GT(qAlpha(drawn.pixel(drawn.width() - 2, middle)), 200);

    other->setFocus(Qt::TabFocusReason);
    EXPECT_FALSE(ring->isVisible());
    target->setFocus(Qt::MouseFocusReason);
    EXPECT_FALSE(ring->isVisible());
}

} // namespace
} // namespace voltmere
