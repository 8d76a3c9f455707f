#pragma once

#include "monitor/NotificationPermission.h"
#include "ui/Card.h"

#include <optional>

class QPushButton;

namespace voltmere {

class Monitor;
class ReminderTargetSlider;
class TextComponent;
class ToggleSwitch;
class WrappingText;

// The charge-reminder controls: the switch, the target, what the reminder is
// doing now, and whether the system lets Voltmere notify, with the button
// that helps in each case. Main thread only.
class ReminderCard : public Card {
    Q_OBJECT
public:
    explicit ReminderCard(Monitor &monitor, QWidget *parent = nullptr);

    // What the switch does: writes the preference, asks for permission
    // when switched on, and re-evaluates the reminder and the insight.
    void setReminderOn(bool on);
    // What the slider does with a settled value.
    void setTarget(int target);
    // The level at which the firmware stops charging, if it does: a target
    // above it is never reached, which the card then says.
    void setFirmwareLimit(std::optional<int> limit);
    // The warning shown for a target the firmware never lets the battery reach.
    WrappingText *limitText() const { return m_limitNote; }

    ToggleSwitch *reminderSwitch() const { return m_switch; }
    ReminderTargetSlider *slider() const { return m_slider; }
    WrappingText *statusText() const { return m_long; }
    // The last failed notification request, shown under the permission row.
    WrappingText *errorText() const { return m_error; }
    // The permission row's words and its button (null when there is none).
    QString permissionText() const;
    QPushButton *permissionButton() const;

private:
    void showPreferences();
    void showReminder();
    void showPermission();

    Monitor &m_monitor;
    ToggleSwitch *m_switch;
    QWidget *m_targetRow;
    ReminderTargetSlider *m_slider;
    TextComponent *m_targetText;
    WrappingText *m_long;
    QWidget *m_checking;
    QWidget *m_notAsked;
    QWidget *m_allowed;
    QWidget *m_off;
    QPushButton *m_allow;
    QPushButton *m_test;
    QPushButton *m_settings;
    WrappingText *m_error;
    WrappingText *m_limitNote;
    std::optional<int> m_firmwareLimit;
};

} // namespace voltmere
