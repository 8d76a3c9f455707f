#pragma once

#include <QWidget>

class QTabWidget;

namespace voltmere {

class GeneralSettings;
class Monitor;
class NotificationsSettings;

// The Settings window: General, Notifications, History and About tabs in a
// fixed 560 × 420 window. Everything it shows lives in the Monitor and the
// preferences, so a reopened window shows the same values. The History tab
// belongs to the history views and is handed in by whoever builds the window.
// Main thread only.
class SettingsView : public QWidget {
    Q_OBJECT
public:
    static constexpr int width = 560;
    static constexpr int height = 420;

    // Takes ownership of `historyTab`.
    SettingsView(Monitor &monitor, QWidget *historyTab, QWidget *parent = nullptr);

    // The window as the program opens it: titled, fixed in size, deleted on
    // close and reporting itself as the surface "settings".
    static SettingsView *createWindow(Monitor &monitor, QWidget *historyTab);

    QTabWidget *tabs() const { return m_tabs; }
    GeneralSettings *general() const { return m_general; }
    NotificationsSettings *notifications() const { return m_notifications; }
    QWidget *history() const { return m_history; }

protected:
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // The tab symbols are tinted for the present scheme.
    void tintTabIcons();

    QTabWidget *m_tabs;
    GeneralSettings *m_general;
    NotificationsSettings *m_notifications;
    QWidget *m_history;
};

} // namespace voltmere
