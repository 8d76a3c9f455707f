#pragma once

#include "preferences/MenuBarStyle.h"

#include <QObject>
#include <QStringList>

class QSettings;

namespace voltmere {

// The user's six settings. Loading validates each stored value and falls back
// to its default; every set writes straight through to the store. Observers
// are notified only when a value changes. Main thread only.
class Preferences : public QObject {
    Q_OBJECT
public:
    // Loads from `store`, which the preferences share and never delete.
    explicit Preferences(QSettings &store, QObject *parent = nullptr);
    ~Preferences() override;

    // The program's instance on the user's standard store, created once (safe
    // from any thread). Its creation first copies the former product's
    // settings when the standard store has none of ours.
    static Preferences &shared();

    // The six store keys, in table order.
    static const QStringList &storedKeys();

    MenuBarStyle menuBarStyle() const { return m_menuBarStyle; }
    void setMenuBarStyle(MenuBarStyle style);

    int overviewWindowMinutes() const { return m_overviewWindowMinutes; }
    void setOverviewWindowMinutes(int minutes);

    int historyRetentionDays() const { return m_historyRetentionDays; }
    void setHistoryRetentionDays(int days);

    bool reminderEnabled() const { return m_reminderEnabled; }
    void setReminderEnabled(bool enabled);

    // Percent, 50–100; the setter clamps.
    int reminderTarget() const { return m_reminderTarget; }
    void setReminderTarget(int target);

    bool welcomeCompleted() const { return m_welcomeCompleted; }
    void setWelcomeCompleted(bool completed);

    // False when VOLTMERE_SKIP_WELCOME is exactly "1", else !welcomeCompleted.
    bool shouldOfferWelcome() const;

    QSettings &store() const { return m_store; }

Q_SIGNALS:
    void menuBarStyleChanged();
    void overviewWindowMinutesChanged();
    void historyRetentionDaysChanged();
    void reminderEnabledChanged();
    void reminderTargetChanged();
    void welcomeCompletedChanged();

private:
    // Writes through at once so a crash never loses a choice.
    void write(const QString &key, const QVariant &value);

    QSettings &m_store;
    MenuBarStyle m_menuBarStyle = MenuBarStyle::battery;
    int m_overviewWindowMinutes = 5;
    int m_historyRetentionDays = 7;
    bool m_reminderEnabled = false;
    int m_reminderTarget = 80;
    bool m_welcomeCompleted = false;
};

} // namespace voltmere
