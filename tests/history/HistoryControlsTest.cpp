#include "history/view/HistoryControls.h"

#include "dashboard/view/WindowPicker.h"
#include "history/HistoryPage.h"
#include "ui/SegmentButton.h"

#include <QApplication>
#include <QComboBox>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace voltmere {
namespace {

// The History range and the Overview window are one kind of control, so
// they look and answer alike wherever they sit.
TEST(HistoryControlsTest, TheRangeIsTheDashboardsSegmentedControlAndReportsAClickedRange)
{
    HistoryControls controls;
    controls.resize(700, 40);
    controls.show();
    WindowPicker picker(5);
    ASSERT_NE(qobject_cast<SegmentButton *>(picker.segments().front()), nullptr);

    QSignalSpy spy(&controls, &HistoryControls::hoursChanged);
    for (const int hours : HistoryPage::rangeHours) {
        auto *segment = qobject_cast<SegmentButton *>(controls.rangeButton(hours));
        ASSERT_NE(segment, nullptr) << hours;
        EXPECT_TRUE(segment->focusPolicy() & Qt::TabFocus) << hours;
        // The bolder chosen face still fits the segment.
        EXPECT_LE(segment->sizeHint().width(), segment->width()) << hours;
    }
    const int last = HistoryPage::rangeHours.back();
    QTest::mouseClick(controls.rangeButton(last), Qt::LeftButton);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.front().front().toInt(), last);
    EXPECT_TRUE(qobject_cast<SegmentButton *>(controls.rangeButton(last))->isChecked());
    EXPECT_FALSE(qobject_cast<SegmentButton *>(controls.rangeButton(HistoryPage::rangeHours.front()))->isChecked());

    // The metric picker and the range keep their widths, whatever they list.
    EXPECT_EQ(controls.metricPicker()->width(), 180);
    EXPECT_EQ(controls.rangeButton(last)->parentWidget()->width(), 220);

    // The export menu opens from a button styled like "Copy summary".
    EXPECT_TRUE(controls.exportButton()->autoRaise());
    EXPECT_EQ(controls.exportButton()->popupMode(), QToolButton::InstantPopup);
}

TEST(HistoryControlsTest, TabEntersTheRangeAtTheChosenSegmentAndArrowsMoveTheChoice)
{
    HistoryControls controls;
    controls.resize(700, 40);
    controls.show();
    controls.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&controls));
    controls.setHours(24);
    QSignalSpy spy(&controls, &HistoryControls::hoursChanged);

    QWidget *metric = controls.findChild<QComboBox *>();
    ASSERT_NE(metric, nullptr);
    metric->setFocus(Qt::TabFocusReason);
    QTest::keyClick(metric, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), controls.rangeButton(24));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    EXPECT_EQ(QApplication::focusWidget(), controls.rangeButton(168));
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.front().front().toInt(), 168);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), controls.exportButton());
}

} // namespace
} // namespace voltmere
