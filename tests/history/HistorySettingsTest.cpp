#include "history/view/HistorySettings.h"

#include "DatabaseProbe.h"
#include "EventLoop.h"
#include "FailingDisk.h"
#include "FakeClock.h"
#include "FakeNotificationCenter.h"
#include "FakeSystemEvents.h"
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

#include <gtest/gtest.h>

namespace voltmere {
namespace {

using test::countRows;

constexpr double day = 86400;

// The settings tab over a Monitor whose history is a real database.
class HistorySettingsTest : public ::testing::Test {
protected:
    void SetUp() override { open(dir.filePath(QStringLiteral("history.sqlite"))); }

    void open(const QString &path)
    {
        tab.reset();
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

    EXPECT_EQ(countRows(path(), "sample"), 0);
    EXPECT_EQ(countRows(path(), "proc"), 0);
    EXPECT_EQ(monitor->historyEpoch(), 1);
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

TEST_F(HistorySettingsTest, OneDaySavesThePreferenceAndPrunesAtOnce)
{
    recordAt(clock.now() - day - 10);
    recordAt(clock.now() - day + 10);
    store->flush(true);
    ASSERT_EQ(countRows(path(), "sample"), 2);

    QComboBox *picker = tab->retentionPicker();
    EXPECT_EQ(picker->currentText(), QStringLiteral("7 days"));
    const int oneDay = picker->findText(QStringLiteral("1 day"));
    picker->setCurrentIndex(oneDay);
    Q_EMIT picker->activated(oneDay);

    EXPECT_EQ(prefs.historyRetentionDays(), 1);
    EXPECT_EQ(QSettings(settings.fileName(), QSettings::IniFormat).value("history.retentionDays").toInt(), 1);
    EXPECT_EQ(store->retentionDays(), 1);
    EXPECT_EQ(countRows(path(), "sample"), 1);
}

TEST_F(HistorySettingsTest, AnUnopenableDatabaseShowsWhyAndDisablesTheButtons)
{
    QFile notADatabase(dir.filePath(QStringLiteral("junk.sqlite")));
    ASSERT_TRUE(notADatabase.open(QIODevice::WriteOnly));
    notADatabase.write(QByteArray(4096, 'x'));
    notADatabase.close();
    open(notADatabase.fileName());
    tab->show();

    EXPECT_FALSE(tab->revealButton()->isEnabled());
    EXPECT_FALSE(tab->deleteButton()->isEnabled());
    bool reasonShown = false;
    for (QLabel *label : tab->findChildren<QLabel *>()) {
        reasonShown |= label->isVisible() && label->text() == QStringLiteral("file is not a database");
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
