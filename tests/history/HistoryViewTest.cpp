#include "history/view/HistoryView.h"

#include "BusyGlobalPool.h"
#include "EventLoop.h"
#include "FakeClock.h"
#include "FakeSystemEvents.h"

#include "history/HistoryPool.h"
#include "history/HistoryStore.h"
#include "history/view/ExportAction.h"
#include "history/view/HistoryControls.h"
#include "history/view/HistoryEmpty.h"
#include "history/view/HistorySkeleton.h"
#include "history/view/SelectableText.h"
#include "model/Format.h"
#include "monitor/Monitor.h"
#include "preferences/Preferences.h"
#include "sampling/SamplingEngine.h"
#include "ui/Card.h"
#include "ui/SectionLabel.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>

#include <gtest/gtest.h>

#include <atomic>
#include <future>

namespace voltmere {
namespace {

// A page over a Monitor whose history is a real store at `databasePath`.
class HistoryViewTest : public ::testing::Test {
protected:
    void build(const QString &databasePath)
    {
        store = std::make_unique<HistoryStore>(databasePath, clock);
        monitor = std::make_unique<Monitor>(prefs, *store,
            std::make_unique<SamplingEngine>(SamplingEngine::Readers {}, 4.0, clock),
            std::make_unique<test::FakeSystemEvents>(), clock);
        view = std::make_unique<HistoryView>(*monitor);
    }

    // Loads and lookups still on the pool read the store; let them end
    // before it goes.
    void TearDown() override
    {
        view.reset();
        HistoryPool::instance().waitForDone();
    }

    void fill(Timestamp from, Timestamp to, double step)
    {
        for (Timestamp t = from; t <= to; t += step) {
            Snapshot s;
            s.date = t;
            s.cpuTotal = 20 + static_cast<int>(t) % 60;
            store->record(s);
        }
    }

    QTemporaryDir dir;
    QSettings settings { dir.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat };
    Preferences prefs { settings };
    test::FakeClock clock;
    std::unique_ptr<HistoryStore> store;
    std::unique_ptr<Monitor> monitor;
    std::unique_ptr<HistoryView> view;
};

TEST_F(HistoryViewTest, AnUnopenableDatabaseShowsTheSkeletonThenTheEmptyPageAndSaysWhy)
{
    QFile file(dir.filePath(QStringLiteral("not-a-folder")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    build(dir.filePath(QStringLiteral("not-a-folder/history.sqlite")));
    ASSERT_TRUE(store->openError());

    view->show();
    EXPECT_TRUE(view->findChild<HistorySkeleton *>()->isVisible());
    // One element for screen readers, not its placeholder cards.
    QAccessibleInterface *skeleton = QAccessible::queryAccessibleInterface(view->findChild<HistorySkeleton *>());
    EXPECT_EQ(skeleton->text(QAccessible::Name), QStringLiteral("Loading history"));
    EXPECT_EQ(skeleton->childCount(), 0);
    ASSERT_TRUE(test::waitFor([&] { return !view->isLoading(); }));
    EXPECT_FALSE(view->findChild<HistorySkeleton *>()->isVisible());
    EXPECT_TRUE(view->findChild<HistoryEmpty *>()->isVisible());
    EXPECT_EQ(view->storageFooterText(), "History is unavailable: " + *store->openError() + ".");
}

TEST_F(HistoryViewTest, AReadingAMinutePastTheRangeRefreshesInPlaceWhileANewRangeStartsOver)
{
    build(dir.filePath(QStringLiteral("history.sqlite")));
    for (Timestamp t = clock.now() - 1800; t <= clock.now(); t += 5) {
        Snapshot s;
        s.date = t;
        s.cpuTotal = 20;
        store->record(s);
    }
    view->show();
    ASSERT_TRUE(test::waitFor([&] { return !view->isLoading(); }));
    const Timestamp firstEnd = view->rangeEnd();
    const int firstCount = view->series().sampleCount;
    EXPECT_GT(firstCount, 300);

    Snapshot live;
    live.cpuTotal = 30;
    live.date = firstEnd + 60; // not yet past the minute
    monitor->ingest(live);
    EXPECT_FALSE(view->isLoading());

    clock.advance(61);
    live.date = firstEnd + 61;
    monitor->ingest(live);
    // In place: the loaded series stays on screen while the refresh runs.
    EXPECT_TRUE(view->isLoading());
    EXPECT_EQ(view->series().sampleCount, firstCount);
    EXPECT_FALSE(view->findChild<HistorySkeleton *>()->isVisible());
    ASSERT_TRUE(test::waitFor([&] { return !view->isLoading(); }));
    EXPECT_EQ(view->rangeEnd(), firstEnd + 61);

    // Another range clears the page back to the placeholder first.
    view->controls()->setHours(24);
    EXPECT_EQ(view->series().sampleCount, 0);
    EXPECT_TRUE(view->findChild<HistorySkeleton *>()->isVisible());
    ASSERT_TRUE(test::waitFor([&] { return !view->isLoading(); }));
    EXPECT_EQ(view->series().bucketSeconds, 360);
}

// The highest readings and the selected reading sit side by side, each as
// tall as its own content, from the same top.
TEST_F(HistoryViewTest, TheTwoReadingCardsAreTopAlignedNotStretched)
{
    build(dir.filePath(QStringLiteral("history.sqlite")));
    for (Timestamp t = clock.now() - 3000; t <= clock.now(); t += 5) {
        Snapshot s;
        s.date = t;
        s.cpuTotal = 20 + (static_cast<int>(t) % 600 == 0 ? 60 : 0);
        store->record(s);
    }
    view->resize(900, 1200);
    view->show();
    ASSERT_TRUE(test::waitFor([&] { return !view->isLoading(); }));
    QCoreApplication::processEvents();
    const auto cardOf = [&](const QString &heading) -> QWidget * {
        for (SectionLabel *label : view->findChildren<SectionLabel *>()) {
            if (label->text() == heading) {
                QWidget *card = label->parentWidget();
                while (card && !qobject_cast<Card *>(card)) {
                    card = card->parentWidget();
                }
                return card;
            }
        }
        return nullptr;
    };
    QWidget *highest = cardOf(QStringLiteral("HIGHEST READINGS"));
    QWidget *selected = cardOf(QStringLiteral("SELECTED READING"));
    ASSERT_TRUE(highest && selected);
    EXPECT_EQ(highest->mapTo(view.get(), QPoint()).y(), selected->mapTo(view.get(), QPoint()).y());
    EXPECT_NE(highest->height(), selected->height()) << "stretched to the taller one";
}

TEST_F(HistoryViewTest, ChoosingAMomentInspectsTheNearestPeakAndTheEarlierOnATie)
{
    build(dir.filePath(QStringLiteral("history.sqlite")));
    const Timestamp t = clock.now() - 600;
    const std::vector<ChartPoint> peaks { { t, 10, 0 }, { t + 100, 20, 0 }, { t + 200, 30, 0 } };
    view->select(t + 140, peaks);
    ASSERT_TRUE(view->inspected());
    EXPECT_EQ(view->inspected()->date, t + 100);
    view->select(t + 150, peaks); // halfway: the earlier one
    EXPECT_EQ(view->inspected()->date, t + 100);
    view->select(t + 151, peaks);
    EXPECT_EQ(view->inspected()->value, 30);
    view->select(std::nullopt, peaks); // the pointer left: the choice stays
    EXPECT_EQ(view->inspected()->date, t + 200);
}

TEST_F(HistoryViewTest, AnOlderLookupThatAnswersLateIsDropped)
{
    build(dir.filePath(QStringLiteral("history.sqlite")));
    const Timestamp first = clock.now() - 600;
    const Timestamp second = clock.now() - 300;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    view->setProcessLookup([=](Timestamp date) -> std::optional<std::pair<Timestamp, std::vector<ProcessCPU>>> {
        if (date == first) {
            released.wait(); // the slow one
            return std::pair { first, std::vector<ProcessCPU> { { 1, QStringLiteral("old"), 50 } } };
        }
        return std::pair { date - 2, std::vector<ProcessCPU> { { 2, QStringLiteral("new"), 20 } } };
    });

    view->inspect(first, 50);
    view->inspect(second, 20);
    test::settleFor(50);
    EXPECT_FALSE(view->inspected()->processes) << "nothing answers the newer choice before the older is done";
    release.set_value();
    ASSERT_TRUE(test::waitFor([&] { return view->inspected()->processes.has_value(); }));

    ASSERT_TRUE(view->inspected());
    EXPECT_EQ(view->inspected()->date, second);
    EXPECT_EQ(view->inspected()->sampleDate, second - 2);
    EXPECT_EQ(view->inspected()->processes, (std::vector<ProcessCPU> { { 2, QStringLiteral("new"), 20 } }));
}

// Sweeping the pointer across the chart chooses a new moment at every
// step; only the newest may wait while a look-up runs.
TEST_F(HistoryViewTest, SweepingOverTheChartQueuesAtMostOneLookup)
{
    build(dir.filePath(QStringLiteral("history.sqlite")));
    std::atomic<int> calls = 0;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    view->setProcessLookup(
        [&calls, released](Timestamp date) -> std::optional<std::pair<Timestamp, std::vector<ProcessCPU>>> {
            if (calls++ == 0) {
                released.wait();
            }
            return std::pair { date, std::vector<ProcessCPU> {} };
        });
    const Timestamp start = clock.now() - 3000;
    for (int i = 0; i < 40; ++i) {
        view->inspect(start + 60 * i, i);
    }
    test::settleFor(50);
    EXPECT_EQ(calls.load(), 1);
    release.set_value();
    ASSERT_TRUE(test::waitFor([&] { return view->inspected()->processes.has_value(); }));
    test::settleFor(50);
    EXPECT_EQ(calls.load(), 2) << "the first, then only the last of the 39 passed over meanwhile";
    EXPECT_EQ(view->inspected()->sampleDate, start + 60 * 39);
}

// The painter borrows Qt's global pool and waits for it; history work that
// sat there behind the store could freeze every window, and be held up by it.
TEST_F(HistoryViewTest, HistoryWorkDoesNotWaitForTheGlobalPool)
{
    build(dir.filePath(QStringLiteral("history.sqlite")));
    fill(clock.now() - 1800, clock.now(), 5);
    test::BusyGlobalPool busy;
    ASSERT_TRUE(test::waitFor([&] { return busy.allBusy(); }));

    view->reload(true);
    const bool loaded = test::waitFor([&] { return !view->isLoading(); }, 2000);
    bool lookedUp = false;
    if (loaded) {
        view->select(clock.now() - 900, view->peaks());
        lookedUp = test::waitFor([&] { return view->inspected() && view->inspected()->sampleDate; }, 2000);
    }
    EXPECT_TRUE(loaded);
    EXPECT_TRUE(lookedUp);
}

// The page refreshes itself about once a minute. A keyboard user on one of
// the highest readings stays there, the chosen reading stays chosen, and a
// selection in the summary stays selected.
TEST_F(HistoryViewTest, RefreshingInPlaceKeepsFocusTheChosenReadingAndASelection)
{
    build(dir.filePath(QStringLiteral("history.sqlite")));
    fill(clock.now() - 3600, clock.now(), 5);
    view->resize(900, 900);
    view->show();
    QApplication::setActiveWindow(view.get());
    ASSERT_TRUE(test::waitFor([&] { return !view->isLoading(); }));

    const QList<QAbstractButton *> buttons = view->findChildren<QAbstractButton *>();
    QPointer<QAbstractButton> spike;
    for (QAbstractButton *button : buttons) {
        if (button->accessibleDescription() == QStringLiteral("Shows processes captured at that time")) {
            spike = button;
            break;
        }
    }
    ASSERT_TRUE(spike);
    spike->click();
    spike->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(test::waitFor([&] { return view->inspected() && view->inspected()->sampleDate; }));
    const HistoryView::Inspection chosen = *view->inspected();
    SelectableText *summary = nullptr;
    for (SelectableText *text : view->findChildren<SelectableText *>()) {
        if (text->text().startsWith(QStringLiteral("CPU averaged"))) {
            summary = text;
        }
    }
    ASSERT_NE(summary, nullptr);
    summary->setSelection(0, static_cast<int>(summary->text().size()));

    for (int i = 1; i <= 13; ++i) {
        clock.advance(5);
        Snapshot live;
        live.date = clock.now();
        live.cpuTotal = 99;
        monitor->ingest(live);
    }
    ASSERT_TRUE(view->isLoading());
    ASSERT_TRUE(test::waitFor([&] { return !view->isLoading(); }));
    test::settleFor(20);

    ASSERT_TRUE(spike) << "the reading buttons were rebuilt";
    EXPECT_TRUE(spike->hasFocus());
    EXPECT_EQ(view->inspected(), chosen);
    EXPECT_TRUE(summary->hasSelectedText());
    EXPECT_EQ(summary->selectedText(), summary->text());
}

TEST_F(HistoryViewTest, ADamagedHistoryIsExplainedAboveThePage)
{
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    QFile garbage(path);
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(8192, 'x'));
    garbage.close();
    build(path);
    ASSERT_TRUE(store->setAside());
    view->show();
    const QString notice = view->noticeText();
    EXPECT_TRUE(
        notice.startsWith(QStringLiteral("The history file was damaged (file is not a database). It is kept as ")))
        << notice.toStdString();
    EXPECT_TRUE(notice.contains(QFileInfo(store->setAside()->keptAs).fileName()));
    EXPECT_TRUE(notice.endsWith(QStringLiteral(", and a new history started at ")
        + Format::timestamp(clock.now(), clock.now()) + QStringLiteral(".")));
    bool shown = false;
    for (QWidget *widget : view->findChildren<QWidget *>()) {
        shown |= widget->isVisible() && widget->accessibleName() == notice;
    }
    EXPECT_TRUE(shown);
    EXPECT_TRUE(view->storageFooterText().startsWith(QStringLiteral("Stored on this computer at ")));
}

// "Export…" writes the range the page shows, of the shown metric only or of
// every metric, through the save dialog.
TEST_F(HistoryViewTest, ExportWritesTheShownRangeOfTheShownMetricOrOfEveryMetric)
{
    build(dir.filePath(QStringLiteral("history.sqlite")));
    for (Timestamp t = clock.now() - 7200; t <= clock.now(); t += 60) {
        Snapshot s;
        s.date = t;
        s.cpuTotal = 20;
        store->record(s);
    }
    view->show();
    ASSERT_TRUE(test::waitFor([&] { return !view->isLoading(); }));

    const auto exportVia = [&](int action, const QString &name) {
        const QString path = dir.filePath(name);
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->selectFile(path);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        view->controls()->exportButton()->menu()->actions().at(action)->trigger();
        EXPECT_TRUE(test::waitFor([&] { return QFile::exists(path) && !view->findChild<ExportAction *>()->isRunning(); }));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    };

    // One hour shown: 61 readings a minute apart, not the two hours stored.
    const QStringList shown = exportVia(0, QStringLiteral("cpu.csv"));
    ASSERT_EQ(shown.size(), 62);
    EXPECT_EQ(shown.front(), QStringLiteral("time,cpu,gap"));

    const QStringList every = exportVia(1, QStringLiteral("all.csv"));
    ASSERT_EQ(every.size(), 62);
    EXPECT_TRUE(every.front().contains(QStringLiteral("memPressure")));

    // A finished export says so, and where the file went, for a few seconds.
    QToolButton *button = view->controls()->exportButton();
    ASSERT_TRUE(test::waitFor([&] { return view->controls()->isShowingSaved(); }));
    EXPECT_EQ(button->text(), QStringLiteral("Saved"));
    EXPECT_EQ(button->accessibleName(), ExportAction::savedMessage(dir.filePath(QStringLiteral("all.csv"))));
    EXPECT_EQ(QToolTip::text(), button->accessibleName());
    EXPECT_TRUE(test::waitFor([&] { return button->text() == QStringLiteral("Export…"); }, HistoryControls::savedMs + 1000));
}

TEST(ExportActionSavedTest, SaysWhereTheFileWentWithTheHomeFolderShort)
{
    EXPECT_EQ(ExportAction::savedMessage(QDir::homePath() + QStringLiteral("/Documents/cpu.csv")),
              QStringLiteral("Saved to ~/Documents/cpu.csv"));
    EXPECT_EQ(ExportAction::savedMessage(QStringLiteral("/tmp/cpu.csv")), QStringLiteral("Saved to /tmp/cpu.csv"));
}

} // namespace
} // namespace voltmere
