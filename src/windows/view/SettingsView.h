#pragma once

#include <QWidget>

class QTabWidget;

namespace voltmere {

class GeneralSettings;
class HistorySettings;
class Monitor;
class NotificationsSettings;

// The Settings window: General, Notifications, History and About tabs in a
// fixed 560 × 420 window. Everything it shows lives in the Monitor and the
// preferences, so a reopened window shows the same values. Main thread only.
class SettingsView : public QWidget {
    Q_OBJECT
public:
    static constexpr int width = 560;
    static constexpr int height = 420;

    explicit SettingsView(Monitor &monitor, QWidget *parent = nullptr);

    // The window as the program opens it: titled, fixed in size, deleted on
    // close and reporting itself as the surface "settings".
    static SettingsView *createWindow(Monitor &monitor);

    QTabWidget *tabs() const { return m_tabs; }
    GeneralSettings *general() const { return m_general; }
    NotificationsSettings *notifications() const { return m_notifications; }
    HistorySettings *history() const { return m_history; }

protected:
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // The tab symbols are tinted for the present scheme.
    void tintTabIcons();

    QTabWidget *m_tabs;
    GeneralSettings *m_general;
    NotificationsSettings *m_notifications;
    HistorySettings *m_history;
};

} // namespace voltmere
