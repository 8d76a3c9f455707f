#include "windows/view/LoginToggle.h"

#include "preferences/LoginItem.h"
#include "ui/Environment.h"
#include "ui/Theme.h"

#include <QCheckBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace voltmere {

LoginToggle::LoginToggle(QWidget *parent)
    : LoginToggle(LoginItemService::forThisMachine(), parent)
{
}

LoginToggle::LoginToggle(LoginItemService &service, QWidget *parent)
    : QWidget(parent)
    , m_service(service)
    , m_switch(new QCheckBox(QStringLiteral("Open at login"), this))
    , m_messageLabel(new QLabel(this))
    , m_enabled(LoginItem::isEnabled(service))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(m_switch);
    layout->addWidget(m_messageLabel);
    m_switch->setFont(Theme::font(13));
    m_messageLabel->setFont(Theme::font(11));
    m_messageLabel->setWordWrap(true);
    m_messageLabel->setTextFormat(Qt::PlainText);
    // Every way of switching counts, not only a click: a screen reader's
    // toggle action and the space key change the state without one.
    connect(m_switch, &QCheckBox::toggled, this, &LoginToggle::flip);
    showState();
}

void LoginToggle::flip(bool enabled)
{
    const std::optional<QString> error = LoginItem::setEnabled(enabled, m_service);
    m_message = error ? std::optional(QStringLiteral("Couldn't change the login item: ") + *error) : std::nullopt;
    // Whatever was asked, show what the platform now says.
    m_enabled = LoginItem::isEnabled(m_service);
    showState();
}

void LoginToggle::showState()
{
    // Showing the platform's answer is not the user switching.
    const QSignalBlocker quiet(m_switch);
    m_switch->setChecked(m_enabled);
    m_messageLabel->setText(m_message.value_or(QString()));
    m_messageLabel->setVisible(m_message.has_value());
}

void LoginToggle::paintEvent(QPaintEvent *event)
{
    // The scheme can change without a palette change (a parent setting
    // it), so the amber is resolved when drawing.
    const QColor amber = Theme::amber.resolve(Environment::colorScheme(this));
    if (m_messageLabel->palette().color(QPalette::WindowText) != amber) {
        QPalette palette = m_messageLabel->palette();
        palette.setColor(QPalette::WindowText, amber);
        m_messageLabel->setPalette(palette);
    }
    QWidget::paintEvent(event);
}

} // namespace voltmere
