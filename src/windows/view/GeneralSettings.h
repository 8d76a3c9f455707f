#pragma once

#include <QWidget>

class QComboBox;

namespace voltmere {

class LoginToggle;
class Preferences;

// The General tab of Settings: what the tray shows, opening at login, and
// where the program lives. Every choice is written at once. Main thread only.
class GeneralSettings : public QWidget {
    Q_OBJECT
public:
    explicit GeneralSettings(Preferences &prefs, QWidget *parent = nullptr);

    QComboBox *stylePicker() const { return m_style; }
    LoginToggle *loginToggle() const { return m_login; }

private:
    void showStyle();

    Preferences &m_prefs;
    QComboBox *m_style;
    LoginToggle *m_login;
};

} // namespace voltmere
