#include "preferences/Preferences.h"

#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace voltmere {
namespace {

class PreferencesTest : public ::testing::Test {
protected:
    QString file() const { return dir.filePath(QStringLiteral("Voltmere.conf")); }
    std::unique_ptr<QSettings> openStore() const { return std::make_unique<QSettings>(file(), QSettings::IniFormat); }

    // A store holding `values`, as a previous run (or a hand edit) left it.
    void seed(const QVariantMap &values) const
    {
        auto store = openStore();
        for (auto it = values.begin(); it != values.end(); ++it) {
            store->setValue(it.key(), it.value());
        }
    }

    QTemporaryDir dir;
};

TEST_F(PreferencesTest, AMissingStoreLoadsEveryDefault)
{
    auto store = openStore();
    Preferences prefs(*store);
    EXPECT_EQ(prefs.menuBarStyle(), MenuBarStyle::battery);
    EXPECT_EQ(prefs.overviewWindowMinutes(), 5);
    EXPECT_EQ(prefs.historyRetentionDays(), 7);
    EXPECT_FALSE(prefs.reminderEnabled());
    EXPECT_EQ(prefs.reminderTarget(), 80);
    EXPECT_FALSE(prefs.welcomeCompleted());
    EXPECT_FALSE(QFile::exists(file())); // loading never writes
}

TEST_F(PreferencesTest, LoadsAllowedValuesAndFallsBackOnAnythingElse)
{
    struct Case {
        QVariantMap stored;
        MenuBarStyle style;
        int minutes;
        int days;
        int target;
    };
    const Case cases[] = {
        { { { "menuBar.style", "cpu" }, { "overview.windowMinutes", 60 }, { "history.retentionDays", 1 },
              { "chargeReminder.target", 100 } },
            MenuBarStyle::cpu, 60, 1, 100 },
        { { { "menuBar.style", "icon" }, { "overview.windowMinutes", 15 }, { "history.retentionDays", 30 },
              { "chargeReminder.target", 50 } },
            MenuBarStyle::icon, 15, 30, 50 },
        // The match is exact; unlisted values fall back, loading never clamps.
        { { { "menuBar.style", "Battery" }, { "overview.windowMinutes", 30 }, { "history.retentionDays", 14 },
              { "chargeReminder.target", 49 } },
            MenuBarStyle::battery, 5, 7, 80 },
        { { { "menuBar.style", "CPU" }, { "overview.windowMinutes", 0 }, { "history.retentionDays", 7 },
              { "chargeReminder.target", 101 } },
            MenuBarStyle::battery, 5, 7, 80 },
        // Values of the wrong type read as missing.
        { { { "menuBar.style", 3 }, { "overview.windowMinutes", "five" }, { "history.retentionDays", "thirty" },
              { "chargeReminder.target", QStringList { "90", "95" } } },
            MenuBarStyle::battery, 5, 7, 80 },
        { { { "overview.windowMinutes", 15.5 }, { "chargeReminder.target", "85%" } }, MenuBarStyle::battery, 5, 7, 80 },
    };
    for (const Case &c : cases) {
        QFile::remove(file());
        seed(c.stored);
        auto store = openStore();
        Preferences prefs(*store);
        EXPECT_EQ(prefs.menuBarStyle(), c.style) << c.stored.value("menuBar.style").toString().toStdString();
        EXPECT_EQ(prefs.overviewWindowMinutes(), c.minutes);
        EXPECT_EQ(prefs.historyRetentionDays(), c.days);
        EXPECT_EQ(prefs.reminderTarget(), c.target);
        // What was replaced by a default stays in the store as it was.
        for (auto it = c.stored.begin(); it != c.stored.end(); ++it) {
            EXPECT_EQ(store->value(it.key()).toString(), it.value().toString());
        }
    }
}

TEST_F(PreferencesTest, ReadsBooleansTheWayThePlatformStoreDoes)
{
    const std::pair<QVariant, bool> cases[] = { { true, true }, { "true", true }, { 1, true }, { "YES", true },
        { 2, true }, { false, false }, { 0, false }, { "no", false }, { "maybe", false }, { QVariant(), false } };
    for (const auto &[stored, expected] : cases) {
        QFile::remove(file());
        seed({ { "chargeReminder.enabled", stored }, { "welcome.completed", stored } });
        auto store = openStore();
        Preferences prefs(*store);
        EXPECT_EQ(prefs.reminderEnabled(), expected) << stored.toString().toStdString();
        EXPECT_EQ(prefs.welcomeCompleted(), expected) << stored.toString().toStdString();
    }
}

TEST_F(PreferencesTest, EverySetWritesThroughButOnlyAChangeNotifies)
{
    auto store = openStore();
    Preferences prefs(*store);
    QSignalSpy windowSpy(&prefs, &Preferences::overviewWindowMinutesChanged);
    QSignalSpy styleSpy(&prefs, &Preferences::menuBarStyleChanged);
    QSignalSpy enabledSpy(&prefs, &Preferences::reminderEnabledChanged);

    prefs.setOverviewWindowMinutes(5); // already 5
    prefs.setMenuBarStyle(MenuBarStyle::icon);
    prefs.setReminderEnabled(true);
    prefs.setHistoryRetentionDays(30);
    prefs.setWelcomeCompleted(true);
    EXPECT_EQ(windowSpy.count(), 0);
    EXPECT_EQ(styleSpy.count(), 1);
    EXPECT_EQ(enabledSpy.count(), 1);

    // Another reader of the file sees every value at once, with its type.
    QSettings other(file(), QSettings::IniFormat);
    EXPECT_EQ(other.value("overview.windowMinutes").toInt(), 5);
    EXPECT_EQ(other.value("menuBar.style").toString(), "icon");
    EXPECT_EQ(other.value("chargeReminder.enabled").toString(), "true");
    EXPECT_EQ(other.value("history.retentionDays").toInt(), 30);
    EXPECT_EQ(other.value("welcome.completed").toString(), "true");
    Preferences reloaded(other);
    EXPECT_EQ(reloaded.menuBarStyle(), MenuBarStyle::icon);
    EXPECT_EQ(reloaded.historyRetentionDays(), 30);
    EXPECT_TRUE(reloaded.reminderEnabled());
}

TEST_F(PreferencesTest, TheReminderTargetSetterClampsWhatItStores)
{
    auto store = openStore();
    Preferences prefs(*store);
    QSignalSpy spy(&prefs, &Preferences::reminderTargetChanged);
    prefs.setReminderTarget(120);
    EXPECT_EQ(prefs.reminderTarget(), 100);
    EXPECT_EQ(store->value("chargeReminder.target").toInt(), 100);
    prefs.setReminderTarget(10);
    EXPECT_EQ(prefs.reminderTarget(), 50);
    EXPECT_EQ(store->value("chargeReminder.target").toInt(), 50);
    prefs.setReminderTarget(50);
    EXPECT_EQ(spy.count(), 2);
}

TEST_F(PreferencesTest, OnlyTheExactSkipValueSuppressesTheWelcome)
{
    auto store = openStore();
    Preferences prefs(*store);
    const QByteArray saved = qgetenv("VOLTMERE_SKIP_WELCOME");
    const bool hadSaved = qEnvironmentVariableIsSet("VOLTMERE_SKIP_WELCOME");

    qunsetenv("VOLTMERE_SKIP_WELCOME");
    EXPECT_TRUE(prefs.shouldOfferWelcome());
    qputenv("VOLTMERE_SKIP_WELCOME", "1");
    EXPECT_FALSE(prefs.shouldOfferWelcome());
    qputenv("VOLTMERE_SKIP_WELCOME", "true");
    EXPECT_TRUE(prefs.shouldOfferWelcome());
    prefs.setWelcomeCompleted(true);
    EXPECT_FALSE(prefs.shouldOfferWelcome());

    if (hadSaved) {
        qputenv("VOLTMERE_SKIP_WELCOME", saved);
    } else {
        qunsetenv("VOLTMERE_SKIP_WELCOME");
    }
}

TEST_F(PreferencesTest, ACorruptFileLoadsDefaultsAndLaterChangesStillStick)
{
    QFile corrupt(file());
    ASSERT_TRUE(corrupt.open(QIODevice::WriteOnly));
    static const char garbage[] = "\x00\xff[General\n=\x01\x02garbage\nchargeReminder.target=\"90\n[[[\n";
    corrupt.write(garbage, sizeof garbage - 1);
    corrupt.close();

    auto store = openStore();
    Preferences prefs(*store);
    EXPECT_EQ(prefs.reminderTarget(), 80);
    EXPECT_EQ(prefs.menuBarStyle(), MenuBarStyle::battery);
    prefs.setReminderTarget(90);
    prefs.setMenuBarStyle(MenuBarStyle::cpu);

    QSettings reread(file(), QSettings::IniFormat);
    Preferences reloaded(reread);
    EXPECT_EQ(reloaded.reminderTarget(), 90);
    EXPECT_EQ(reloaded.menuBarStyle(), MenuBarStyle::cpu);
}

TEST_F(PreferencesTest, AStoreThatCannotBeWrittenKeepsTheChoiceForThisRun)
{
    // A directory where the file should be: nothing can be written there.
    ASSERT_TRUE(QDir().mkpath(file()));
    auto store = openStore();
    Preferences prefs(*store);
    QSignalSpy spy(&prefs, &Preferences::reminderTargetChanged);
    prefs.setReminderTarget(95);
    EXPECT_EQ(prefs.reminderTarget(), 95);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_NE(store->status(), QSettings::NoError);
}

} // namespace
} // namespace voltmere
