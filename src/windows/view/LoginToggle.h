#pragma once

#include <QWidget>

#include <optional>

class QCheckBox;
class QLabel;

namespace voltmere {

class LoginItemService;

// "Open at login": a switch that shows what the platform reports, not what
// was asked. After every flip it reads the registration back, so a refused
// change flips back and one awaiting approval shows as off; a refusal is
// explained in amber under the switch. Main thread only.
class LoginToggle : public QWidget {
    Q_OBJECT
public:
    explicit LoginToggle(LoginItemService &service, QWidget *parent = nullptr);
    explicit LoginToggle(QWidget *parent = nullptr);

    bool isEnabled() const { return m_enabled; }
    const std::optional<QString> &message() const { return m_message; }
    QCheckBox *toggle() const { return m_switch; }

    // What a user's flip to `enabled` does.
    void flip(bool enabled);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void showState();

    LoginItemService &m_service;
    QCheckBox *m_switch;
    QLabel *m_messageLabel;
    bool m_enabled = false;
    std::optional<QString> m_message;
};

} // namespace voltmere
