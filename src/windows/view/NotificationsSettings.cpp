#include "windows/view/NotificationsSettings.h"

#include "monitor/Monitor.h"
#include "ui/FormGroup.h"
#include "ui/Theme.h"
#include "ui/ThemedLabel.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace voltmere {

QString NotificationsSettings::permissionText(NotificationPermission permission)
{
    switch (permission) {
    case NotificationPermission::unknown:
        return QStringLiteral("Checking…");
    case NotificationPermission::notAsked:
        return QStringLiteral("Not asked yet");
    case NotificationPermission::allowed:
        return QStringLiteral("Allowed");
    case NotificationPermission::off:
        return QStringLiteral("Off");
    }
    return {};
}

ThemeColor NotificationsSettings::permissionColor(NotificationPermission permission)
{
    return permission == NotificationPermission::off ? Theme::amber : Theme::text;
}

NotificationsSettings::NotificationsSettings(Monitor &monitor, QWidget *parent)
    : QWidget(parent)
    , m_monitor(monitor)
    , m_permission(new ThemedLabel(QString(), Theme::font(13, QFont::Medium), Theme::text))
    , m_checking(new ThemedLabel(QStringLiteral("Checking notification permission…"), Theme::font(12), Theme::muted))
    , m_action(new QPushButton)
    , m_error(new ThemedLabel(QString(), Theme::font(11), Theme::amber))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(12);
    auto *form = new FormGroup;
    form->body()->setContentsMargins(14, 8 + 6, 14, 8 + 6);
    layout->addWidget(form);

    form->addRow(QStringLiteral("Permission"), m_permission);
    auto *actionRow = new QWidget;
    auto *row = new QHBoxLayout(actionRow);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_checking);
    row->addWidget(m_action);
    row->addStretch(1);
    form->addWide(actionRow);
    m_error->setWordWrap(true);
    m_error->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addWide(m_error);

    auto *caption = new ThemedLabel(
        QStringLiteral("Charge reminder sends one notification when the battery reaches its target while plugged "
                       "in. It does not stop charging. Turn it on from the Battery page or the welcome window."),
        Theme::font(11), Theme::muted);
    caption->setWordWrap(true);
    layout->addWidget(caption);
    layout->addStretch(1);

    connect(m_action, &QPushButton::clicked, this, &NotificationsSettings::act);
    connect(&m_monitor, &Monitor::notificationPermissionChanged, this, &NotificationsSettings::showPermission);
    connect(&m_monitor, &Monitor::lastNotificationErrorChanged, this, &NotificationsSettings::showError);
    showPermission();
    showError();
}

void NotificationsSettings::showEvent(QShowEvent *event)
{
    // The user may have changed the desktop's setting since the tab was
    // last on screen.
    m_monitor.refreshNotificationStatus();
    QWidget::showEvent(event);
}

void NotificationsSettings::showPermission()
{
    const NotificationPermission permission = m_monitor.notificationPermission();
    m_permission->setText(permissionText(permission));
    m_permission->setColor(permissionColor(permission));
    m_permission->setAccessibleName(QStringLiteral("Permission: ") + permissionText(permission));
    switch (permission) {
    case NotificationPermission::unknown:
        m_action->setText(QString());
        break;
    case NotificationPermission::notAsked:
        m_action->setText(QStringLiteral("Allow Notifications"));
        break;
    case NotificationPermission::allowed:
        m_action->setText(QStringLiteral("Send test notification"));
        break;
    case NotificationPermission::off:
        m_action->setText(QStringLiteral("Notification Settings…"));
        break;
    }
    m_action->setMinimumWidth(m_action->fontMetrics().horizontalAdvance(m_action->text()) + 32);
    const bool checking = permission == NotificationPermission::unknown;
    m_checking->setVisible(checking);
    m_action->setVisible(!checking);
}

void NotificationsSettings::showError()
{
    const std::optional<QString> &error = m_monitor.lastNotificationError();
    m_error->setText(error.value_or(QString()));
    m_error->setVisible(error.has_value());
}

void NotificationsSettings::act()
{
    switch (m_monitor.notificationPermission()) {
    case NotificationPermission::unknown:
        break;
    case NotificationPermission::notAsked:
        m_monitor.requestNotificationPermission();
        break;
    case NotificationPermission::allowed:
        m_monitor.sendTestNotification();
        break;
    case NotificationPermission::off:
        // A failure lands in the error row.
        m_monitor.openNotificationSettings();
        break;
    }
}

} // namespace voltmere
