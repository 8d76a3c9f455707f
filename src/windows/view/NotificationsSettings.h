#pragma once

#include "model/ThemeColor.h"
#include "monitor/NotificationPermission.h"

#include <QWidget>

class QPushButton;

namespace voltmere {

class Monitor;
class ThemedLabel;

// The Notifications tab of Settings: the permission as the Monitor last read
// it, the one action that makes sense for it, and the last notification
// error. Reads the permission again each time the tab is shown, so a change
// made in the desktop's settings shows up. Main thread only.
class NotificationsSettings : public QWidget {
    Q_OBJECT
public:
    explicit NotificationsSettings(Monitor &monitor, QWidget *parent = nullptr);

    // The permission row's value and its colour.
    static QString permissionText(NotificationPermission permission);
    static ThemeColor permissionColor(NotificationPermission permission);

    ThemedLabel *permissionLabel() const { return m_permission; }
    // Shown only while the permission is being read.
    ThemedLabel *checkingLabel() const { return m_checking; }
    // The action for the permission; hidden while it is being read.
    QPushButton *actionButton() const { return m_action; }
    ThemedLabel *errorLabel() const { return m_error; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showPermission();
    void showError();
    void act();

    Monitor &m_monitor;
    ThemedLabel *m_permission;
    ThemedLabel *m_checking;
    QPushButton *m_action;
    ThemedLabel *m_error;
};

} // namespace voltmere
