#pragma once

#include "ui/AuroraBackground.h"

class QLabel;
class QPushButton;
class QSlider;

namespace voltmere {

class LoginToggle;
class ToggleSwitch;
class Monitor;
class ThemedLabel;

// The first-launch window ("Welcome to Voltmere", 420 points wide, sized to
// its content): the three questions the program answers, the charge
// reminder with its target, opening at login, and Continue. However the
// window goes away (Continue, its close button, a shortcut), the welcome
// counts as completed, so it is offered once. Main thread only.
class WelcomeView : public AuroraBackground {
    Q_OBJECT
public:
    static constexpr int width = 420;

    explicit WelcomeView(Monitor &monitor, QWidget *parent = nullptr);

    // The window as the program opens it: titled, not resizable, deleted on
    // close and reporting itself as the surface "welcome".
    static WelcomeView *createWindow(Monitor &monitor);

    // "One notification at 80%. It never stops charging."
    static QString reminderDetail(int target);
    // A slider position on the 5-point grid between 50 and 100.
    static int snappedTarget(int value);

    ToggleSwitch *reminderSwitch() const { return m_reminder; }
    QSlider *targetSlider() const { return m_slider; }
    // The "Target" row, present only while the reminder is on.
    QWidget *targetRow() const { return m_targetRow; }
    QPushButton *continueButton() const { return m_continue; }
    LoginToggle *loginToggle() const { return m_login; }

    // What to do about a desktop that shows no tray, under the answers;
    // empty hides it.
    void setTrayHint(const QString &hint);
    // The hint's row, hidden while there is none.
    QWidget *trayHintRow() const { return m_trayHintRow; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void switchReminder(bool on);
    void moveTarget(int value);
    void showReminder();
    void finish();
    void fitHeight();
    void tintContinue();

    Monitor &m_monitor;
    ToggleSwitch *m_reminder;
    QWidget *m_trayHintRow;
    ThemedLabel *m_trayHint;
    ThemedLabel *m_reminderDetail;
    QWidget *m_targetRow;
    QSlider *m_slider;
    QLabel *m_targetValue;
    LoginToggle *m_login;
    QPushButton *m_continue;
};

} // namespace voltmere
