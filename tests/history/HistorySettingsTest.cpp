#include "history/view/HistorySettings.h"

#include "DatabaseProbe.h"
#include "EventLoop.h"
#include "FailingDisk.h"
#include "FakeClock.h"
#include "FakeNotificationCenter.h"
#include "FakeSystemEvents.h"
#include "history/HistoryPool.h"
#include "history/HistoryStore.h"
#include "model/Format.h"
#include "monitor/Monitor.h"
#include "platform/linux/LinuxFileReveal.h"
#include "preferences/Preferences.h"
#include "sampling/SamplingEngine.h"

#include <QComboBox>
#include <QDBusConnection>
#include <QDBusContext>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <QTimer>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace voltmere {
namespace {

using test::countRows;

constexpr double day = 86400;

// The settings tab over a Monitor whose history is a real database.
class HistorySettingsTest : public ::testing::Test {
protected:
    void SetUp() override { open(dir.filePath(QStringLiteral("history.sqlite"))); }
    // A deletion or an estimate still on the pool reads the store.
    void TearDown() override
    {
        tab.reset();
        HistoryPool::instance().waitForDone();
    }

    void open(const QString &path)
    {
        tab.reset();
        HistoryPool::instance().waitForDone();
        monitor.reset();
        store = std::make_unique<HistoryStore>(path, clock);
        monitor = std::make_unique<Monitor>(prefs, *store,
            std::make_unique<SamplingEngine>(SamplingEngine::Readers{}, 4.0, clock),
            std::make_unique<test::FakeSystemEvents>(), std::make_unique<test::FakeNotificationCenter>(), clock);
        tab = std::make_unique<HistorySettings>(*monitor);
    }

    void recordAt(Timestamp date)
    {
        Snapshot s;
        s.date = date;
        s.cpuTotal = 30;
        s.topProcesses = {{7, QStringLiteral("busy"), 90}};
        store->record(s);
    }

    QMessageBox *askToDelete()
    {
        tab->deleteButton()->click();
        return tab->confirmation();
    }

    QPushButton *button(QMessageBox *box, QMessageBox::ButtonRole role)
    {
        for (QAbstractButton *b : box->buttons()) {
            if (box->buttonRole(b) == role) {
                return qobject_cast<QPushButton *>(b);
            }
        }
        return nullptr;
    }

    QString path() const { return store->path(); }

    // Picks `text` in the retention list, as a click in the open list does.
    void pick(const QString &text)
    {
        QComboBox *picker = tab->retentionPicker();
        const int index = picker->findText(text);
        picker->setCurrentIndex(index);
        Q_EMIT picker->activated(index);
    }

    QTemporaryDir dir;
    QSettings settings{dir.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat};
    Preferences prefs{settings};
    test::FakeClock clock;
    std::unique_ptr<HistoryStore> store;
    std::unique_ptr<Monitor> monitor;
    std::unique_ptr<HistorySettings> tab;
};

TEST_F(HistorySettingsTest, DeletingEmptiesTheStoreRaisesTheEpochAndShowsTheNewSize)
{
    for (int i = 0; i < 200; ++i) {
        recordAt(clock.now() - 600 + i);
    }
    store->flush(true);
    tab->show();
    ASSERT_EQ(countRows(path(), "sample"), 200);
    const QString fullSize = tab->sizeText();

    QMessageBox *box = askToDelete();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("Delete history?"));
    EXPECT_EQ(box->informativeText(),
        QStringLiteral("This removes every reading Voltmere has stored on this computer. It can't be undone."));
    // Return lands on Cancel, never on the destructive button.
    EXPECT_EQ(box->defaultButton(), button(box, QMessageBox::RejectRole));
    button(box, QMessageBox::DestructiveRole)->click();

    ASSERT_TRUE(test::waitFor([this] { return monitor->historyEpoch() == 1 && !tab->isDeleting(); }));
    EXPECT_EQ(countRows(path(), "sample"), 0);
    EXPECT_EQ(countRows(path(), "proc"), 0);
    EXPECT_EQ(tab->deleteStatus(), QString());
    EXPECT_EQ(tab->sizeText(), Format::bytes(static_cast<double>(store->fileSize())));
    EXPECT_NE(tab->sizeText(), fullSize);
    EXPECT_TRUE(test::waitFor([this] { return tab->confirmation() == nullptr; }));
}

TEST_F(HistorySettingsTest, CancelDeletesNothingAndLeavesTheEpoch)
{
    recordAt(clock.now());
    store->flush(true);
    tab->show();
    QMessageBox *box = askToDelete();
    ASSERT_NE(box, nullptr);
    button(box, QMessageBox::RejectRole)->click();
    EXPECT_EQ(countRows(path(), "sample"), 1);
    EXPECT_EQ(monitor->historyEpoch(), 0);
}

TEST_F(HistorySettingsTest, OneDaySavesThePreferenceAndPrunesAtOnceOnceConfirmed)
{
    for (Timestamp t = clock.now() - 2 * day; t <= clock.now(); t += 600) {
        recordAt(t);
    }
    store->flush(true);
    ASSERT_EQ(countRows(path(), "sample"), 289);

    EXPECT_EQ(tab->retentionPicker()->currentText(), QStringLiteral("7 days"));
    pick(QStringLiteral("1 day"));
    ASSERT_TRUE(test::waitFor([this] { return tab->retentionConfirmation() != nullptr; }));
    button(tab->retentionConfirmation(), QMessageBox::DestructiveRole)->click();

    EXPECT_EQ(prefs.historyRetentionDays(), 1);
    EXPECT_EQ(QSettings(settings.fileName(), QSettings::IniFormat).value("history.retentionDays").toInt(), 1);
    EXPECT_EQ(store->retentionDays(), 1);
    EXPECT_EQ(countRows(path(), "sample"), 145);

    // Longer removes nothing, so nothing is asked.
    ASSERT_TRUE(test::waitFor([this] { return tab->retentionConfirmation() == nullptr; }));
    pick(QStringLiteral("30 days"));
    EXPECT_EQ(prefs.historyRetentionDays(), 30);
    EXPECT_EQ(tab->retentionConfirmation(), nullptr);
}

// Shortening the retention on a week of history: the user is told how much
// goes before anything does, and Cancel (the default) keeps all of it.
TEST_F(HistorySettingsTest, ShorteningTheRetentionSaysHowMuchGoesAndCancelKeepsIt)
{
    for (Timestamp t = clock.now() - 7 * day; t <= clock.now(); t += 600) {
        recordAt(t);
    }
    store->flush(true);
    const int stored = countRows(path(), "sample");

    pick(QStringLiteral("1 day"));
    ASSERT_TRUE(test::waitFor([this] { return tab->retentionConfirmation() != nullptr; }));
    QMessageBox *box = tab->retentionConfirmation();
    EXPECT_EQ(box->text(), QStringLiteral("Keep history for 1 day?"));
    EXPECT_TRUE(
        box->informativeText().startsWith(QStringLiteral("Removes 6 days of readings, everything stored before ")))
        << box->informativeText().toStdString();
    EXPECT_EQ(box->defaultButton(), button(box, QMessageBox::RejectRole));
    EXPECT_EQ(countRows(path(), "sample"), stored) << "nothing goes before the answer";

    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_TRUE(test::waitFor([this] { return tab->retentionConfirmation() == nullptr; }));
    store->flush(true);
    EXPECT_EQ(countRows(path(), "sample"), stored);
    EXPECT_EQ(prefs.historyRetentionDays(), 7);
    EXPECT_EQ(tab->retentionPicker()->currentText(), QStringLiteral("7 days"));
}

// Scrolling the page past the closed box, or a stray arrow key on it, must
// not choose a shorter retention (one wheel notch once removed weeks).
TEST_F(HistorySettingsTest, TheWheelAndArrowKeysOverTheClosedPickerChangeNothing)
{
    prefs.setHistoryRetentionDays(30);
    for (Timestamp t = clock.now() - 20 * day; t <= clock.now(); t += 3600) {
        recordAt(t);
    }
    store->flush(true);
    const int stored = countRows(path(), "sample");
    tab->show();
    QComboBox *picker = tab->retentionPicker();
    ASSERT_EQ(picker->currentText(), QStringLiteral("30 days"));

    for (const int delta : { 120, -120, 120 }) {
        QWheelEvent wheel(QPointF(10, 10), picker->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, delta),
            Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(picker, &wheel);
    }
    picker->setFocus();
    QTest::keyClick(picker, Qt::Key_Up);
    if (QApplication::activePopupWidget()) {
        QApplication::activePopupWidget()->close(); // the list opened instead
    }
    QTest::keyClick(picker, Qt::Key_Home);
    if (QApplication::activePopupWidget()) {
        QApplication::activePopupWidget()->close();
    }
    test::settleFor(100);
    HistoryPool::instance().waitForDone();
    store->flush(true);

    EXPECT_EQ(picker->currentText(), QStringLiteral("30 days"));
    EXPECT_EQ(prefs.historyRetentionDays(), 30);
    EXPECT_EQ(countRows(path(), "sample"), stored);
}

TEST_F(HistorySettingsTest, AnUnopenableDatabaseShowsWhyAndDisablesTheButtons)
{
    // A file where its folder should be.
    QFile blocker(dir.filePath(QStringLiteral("taken")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    open(dir.filePath(QStringLiteral("taken/history.sqlite")));
    tab->show();

    EXPECT_FALSE(tab->revealButton()->isEnabled());
    EXPECT_FALSE(tab->deleteButton()->isEnabled());
    bool reasonShown = false;
    for (QLabel *label : tab->findChildren<QLabel *>()) {
        reasonShown |= label->isVisible() && label->text() == QStringLiteral("Not a directory");
    }
    EXPECT_TRUE(reasonShown);

    // The choice is still kept for the next start.
    const int thirty = tab->retentionPicker()->findText(QStringLiteral("30 days"));
    Q_EMIT tab->retentionPicker()->activated(thirty);
    EXPECT_EQ(prefs.historyRetentionDays(), 30);
}

TEST_F(HistorySettingsTest, AFailureThatComesAndGoesWhileTheTabIsOpenIsShownLive)
{
    test::FailingDisk disk;
    open(dir.filePath(QStringLiteral("live.sqlite")));
    tab->show();
    const auto shownReason = [this] {
        for (QLabel *label : tab->findChildren<QLabel *>()) {
            if (label->isVisible() && label->text() == QStringLiteral("database or disk is full")) {
                return true;
            }
        }
        return false;
    };
    disk.setFull(true);
    recordAt(clock.now());
    store->flush(true);
    EXPECT_TRUE(test::waitFor(shownReason));

    disk.setFull(false);
    store->flush(true);
    EXPECT_TRUE(test::waitFor([&] { return !shownReason(); }));
    EXPECT_TRUE(tab->deleteButton()->isEnabled());
}

// On a full disk nothing is deleted, the readings not yet written survive,
// the pages are not told that history is gone, and the reason is shown
// beside the button.
TEST_F(HistorySettingsTest, ADeletionThatFailsKeepsEverythingAndSaysWhyBesideTheButton)
{
    test::FailingDisk disk;
    open(dir.filePath(QStringLiteral("full.sqlite")));
    for (int i = 0; i < 100; ++i) {
        recordAt(clock.now() - 200 + i);
    }
    store->flush(true);
    recordAt(clock.now()); // not yet written
    tab->show();

    disk.setFull(true);
    tab->deleteHistory();
    ASSERT_TRUE(test::waitFor([this] { return !tab->isDeleting(); }));
    disk.setFull(false);
    EXPECT_EQ(tab->deleteStatus(),
        QStringLiteral("History couldn't be deleted: database or disk is full. Nothing was removed."));
    EXPECT_EQ(monitor->historyEpoch(), 0);
    EXPECT_TRUE(tab->deleteButton()->isEnabled());
    store->flush(true);
    EXPECT_EQ(countRows(path(), "sample"), 101);

    // Deleted, but the file cannot be compacted: the disk is the reason
    // given, not another program.
    disk.setMainFileFull(true);
    tab->deleteHistory();
    ASSERT_TRUE(test::waitFor([this] { return !tab->isDeleting(); }));
    disk.setMainFileFull(false);
    EXPECT_EQ(tab->deleteStatus(),
        QStringLiteral("History deleted, but the file couldn't be compacted (database or disk is full), so it still "
                       "holds the old readings. Voltmere tries again while it records."));
    EXPECT_TRUE(test::waitFor([this] { return monitor->historyEpoch() == 1; }));
}

// Another program holding the database's write lock: the click returns at
// once and the window keeps running while the deletion waits its turn.
TEST_F(HistorySettingsTest, ALockedDatabaseNeverFreezesTheWindowDuringADeletion)
{
    recordAt(clock.now());
    store->flush(true);
    tab->show();
    const test::HeldWriteLock other(path(), std::chrono::milliseconds(800));
    ASSERT_TRUE(other.isHeld());

    tab->deleteHistory();
    bool ticked = false;
    QTimer::singleShot(0, [&ticked] { ticked = true; });
    EXPECT_TRUE(test::waitFor([&] { return ticked; }, 400));
    EXPECT_EQ(countRows(path(), "sample"), 1) << "still waiting for the lock";
    EXPECT_FALSE(tab->deleteButton()->isEnabled());
    EXPECT_EQ(tab->deleteStatus(), QStringLiteral("Deleting…"));

    // The pages learn of it from the store and the tab from its own worker:
    // either may come first.
    EXPECT_TRUE(test::waitFor([this] { return monitor->historyEpoch() == 1 && !tab->isDeleting(); }));
    EXPECT_EQ(monitor->historyEpoch(), 1);
    EXPECT_EQ(countRows(path(), "sample"), 0);
    EXPECT_EQ(tab->deleteStatus(), QString());
}

// Settings closed (the tab deleted with its window) while the deletion waits
// for the lock: it still ends, and the pages still learn the history is gone.
TEST_F(HistorySettingsTest, ClosingSettingsDuringADeletionStillTellsThePages)
{
    recordAt(clock.now());
    store->flush(true);
    const test::HeldWriteLock other(path(), std::chrono::milliseconds(500));
    ASSERT_TRUE(other.isHeld());
    tab->deleteHistory();
    ASSERT_TRUE(tab->isDeleting());
    tab.reset();

    EXPECT_TRUE(test::waitFor([this] { return monitor->historyEpoch() == 1; }));
    EXPECT_EQ(countRows(path(), "sample"), 0);
}

// A file manager on the test run's private session bus.
class FakeFileManager : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList shown;

public Q_SLOTS:
    void ShowItems(const QStringList &uris, const QString &) { shown += uris; }
};

class HistorySettingsDBusTest : public HistorySettingsTest {
protected:
    // A reveal on the private bus whose folder fallback answers `opens`.
    void useReveal(bool opens)
    {
        tab = std::make_unique<HistorySettings>(*monitor,
            std::make_unique<LinuxFileReveal>(
                QDBusConnection::sessionBus(), [this, opens](const QUrl &folder, FileReveal::Completion done) {
                    openedFolders.append(folder);
                    done(opens ? std::nullopt : std::optional(QStringLiteral("no program for folders")));
                }));
        tab->show();
    }

    QList<QUrl> openedFolders;
};

TEST_F(HistorySettingsDBusTest, RevealWithNoFileManagerOnTheBusReportsTheFailure)
{
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run under dbus-run-session";
    useReveal(false);
    tab->revealButton()->click();
    ASSERT_TRUE(test::waitFor([this] { return tab->revealFailure().has_value(); }));
    EXPECT_EQ(openedFolders, QList<QUrl>{QUrl::fromLocalFile(dir.path())});
    EXPECT_TRUE(tab->revealFailure()->contains(dir.path()));
    EXPECT_TRUE(tab->revealFailure()->contains(QStringLiteral("no program for folders")));
    bool shown = false;
    for (QLabel *label : tab->findChildren<QLabel *>()) {
        shown |= label->isVisible() && label->text() == *tab->revealFailure();
    }
    EXPECT_TRUE(shown);

    // Opening the folder is a good enough answer, and clears the report.
    useReveal(true);
    tab->revealButton()->click();
    EXPECT_TRUE(test::waitFor([this] { return openedFolders.size() == 2; }));
    EXPECT_FALSE(tab->revealFailure());
}

TEST_F(HistorySettingsDBusTest, AFileManagerOnTheBusIsAskedToSelectTheDatabase)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.isConnected()) << "run under dbus-run-session";
    FakeFileManager manager;
    ASSERT_TRUE(bus.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &manager,
        QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(bus.registerService(QStringLiteral("org.freedesktop.FileManager1")));
    useReveal(false);
    tab->revealButton()->click();
    EXPECT_TRUE(test::waitFor([&] { return manager.shown.size() == 1; }));
    test::settleFor(50); // the reply reaches the tab
    EXPECT_EQ(manager.shown.value(0), QUrl::fromLocalFile(path()).toString());
    EXPECT_TRUE(openedFolders.isEmpty());
    EXPECT_FALSE(tab->revealFailure());
    bus.unregisterService(QStringLiteral("org.freedesktop.FileManager1"));
    bus.unregisterObject(QStringLiteral("/org/freedesktop/FileManager1"));
}

} // namespace
} // namespace voltmere

#include "HistorySettingsTest.moc"
