#include "history/view/ExportAction.h"
#include "history/HistoryStore.h"

#include "EventLoop.h"
#include "FakeClock.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

namespace voltmere {
namespace {

using test::FakeClock;

class ExportActionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        store = std::make_unique<HistoryStore>(dir.filePath(QStringLiteral("history.sqlite")), clock);
        action = new ExportAction(*store, &page);
    }

    void sample(Timestamp date, double cpu)
    {
        Snapshot s;
        s.date = date;
        s.cpuTotal = cpu;
        store->record(s);
    }

    QTemporaryDir dir;
    FakeClock clock;
    std::unique_ptr<HistoryStore> store;
    QWidget page;
    ExportAction *action = nullptr;
};

TEST_F(ExportActionTest, WritesTheReadingsNotYetOnDiskAndReportsTheRows)
{
    store->flush(true);
    sample(clock.now() - 10, 42); // still in the store's buffer
    const QString path = dir.filePath(QStringLiteral("cpu.csv"));
    QSignalSpy finished(action, &ExportAction::finished);
    action->exportTo(path, HistoryMetric::cpu, clock.now() - 3600, clock.now());
    EXPECT_TRUE(action->isRunning());
    ASSERT_TRUE(test::waitFor([&] { return finished.count() == 1; }));
    EXPECT_FALSE(action->isRunning());

    const auto result = finished[0][0].value<HistoryExport::Result>();
    EXPECT_TRUE(result.ok()) << result.error.toStdString();
    EXPECT_EQ(result.rows, 1);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[1].endsWith(",42,")) << lines[1].toStdString();
}

TEST_F(ExportActionTest, AFailureIsShownWithItsReason)
{
    page.show();
    const QString path = dir.filePath(QStringLiteral("gone/cpu.csv"));
    QSignalSpy finished(action, &ExportAction::finished);
    action->exportTo(path, std::nullopt, 0, clock.now());
    ASSERT_TRUE(test::waitFor([&] { return finished.count() == 1; }));
    EXPECT_EQ(finished[0][0].value<HistoryExport::Result>().status, HistoryExport::Result::Status::failed);

    auto *box = page.findChild<QMessageBox *>();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_TRUE(box->informativeText().contains(path)) << box->informativeText().toStdString();
    EXPECT_FALSE(QFile::exists(path));
    box->close();
}

TEST_F(ExportActionTest, SuggestsANameAfterTheMetricAndDay)
{
    const Timestamp noonLocal = QDateTime(QDate(2026, 12, 8), QTime(12, 0)).toMSecsSinceEpoch() / 1000.0;
    EXPECT_EQ(ExportAction::suggestedFileName(HistoryMetric::memPressure, noonLocal),
        QStringLiteral("Voltmere Memory pressure 2026-12-08.csv"));
    EXPECT_EQ(ExportAction::suggestedFileName(std::nullopt, noonLocal), QStringLiteral("Voltmere History 2026-12-08.csv"));
}

} // namespace
} // namespace voltmere
