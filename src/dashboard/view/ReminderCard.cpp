#include "dashboard/view/ReminderCard.h"

#include "dashboard/view/ReminderTargetSlider.h"
#include "monitor/Monitor.h"
#include "monitor/ReminderText.h"
#include "preferences/Preferences.h"
#include "ui/AttentionDot.h"
#include "ui/SymbolView.h"
#include "ui/TextComponent.h"
#include "ui/Theme.h"
#include "ui/ToggleSwitch.h"
#include "ui/WrappingText.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace voltmere {

namespace {

// A row of the permission states: its pieces, a flexible space, its button.
QWidget *permissionRow(std::initializer_list<QWidget *> leading, QPushButton *button)
{
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    for (QWidget *widget : leading) {
        layout->addWidget(widget, 0, Qt::AlignVCenter);
    }
    layout->addStretch();
    if (button) {
        button->setFont(Theme::font(12));
        layout->addWidget(button, 0, Qt::AlignVCenter);
    }
    return row;
}

} // namespace

ReminderCard::ReminderCard(Monitor &monitor, QWidget *parent)
    : Card(16, false, parent)
    , m_monitor(monitor)
{
    // Full width, so wrapped text breaks at the card's width rather than its own.
    body()->setAlignment(Qt::AlignTop);
    body()->setSpacing(10);
    m_switch = new ToggleSwitch(QStringLiteral("Charge reminder"));
    connect(m_switch, &QAbstractButton::clicked, this, &ReminderCard::setReminderOn);
    body()->addWidget(m_switch);

    m_targetRow = new QWidget;
    auto *target = new QHBoxLayout(m_targetRow);
    target->setContentsMargins(0, 0, 0, 0);
    target->setSpacing(10);
    target->addWidget(new TextComponent(QStringLiteral("Target"), Theme::font(13), Theme::muted), 0, Qt::AlignVCenter);
    m_slider = new ReminderTargetSlider;
    target->addWidget(m_slider, 1, Qt::AlignVCenter);
    m_targetText = new TextComponent(QString(), Theme::font(16, QFont::DemiBold), Theme::text);
    m_targetText->setFixedWidth(48);
    m_targetText->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    target->addWidget(m_targetText, 0, Qt::AlignVCenter);
    connect(m_slider, &ReminderTargetSlider::targetChosen, this, &ReminderCard::setTarget);
    body()->addWidget(m_targetRow);

    m_limitNote = new WrappingText(Theme::font(11), Theme::amber);
    m_limitNote->hide();
    body()->addWidget(m_limitNote);
    m_long = new WrappingText(Theme::font(12), Theme::text);
    body()->addWidget(m_long);
    auto *note = new WrappingText(Theme::font(11), Theme::muted);
    note->setText(QStringLiteral(
        "Sends one notification when the battery reaches the target while plugged in. It doesn't stop charging."));
    body()->addWidget(note);

    const QFont rowFont = Theme::font(12);
    m_allow = new QPushButton(QStringLiteral("Allow Notifications"));
    m_test = new QPushButton(QStringLiteral("Send test notification"));
    m_settings = new QPushButton(QStringLiteral("Notification Settings…"));
    m_checking = permissionRow({new TextComponent(QStringLiteral("Checking notification permission…"), rowFont, Theme::muted)},
                               nullptr);
    m_notAsked =
        permissionRow({new TextComponent(QStringLiteral("Voltmere needs permission to notify you."), rowFont, Theme::text)}, m_allow);
    m_allowed = permissionRow({new SymbolView(QStringLiteral("checkmark.circle"), 14, Theme::mint),
                               new TextComponent(QStringLiteral("Notifications allowed"), rowFont, Theme::text)},
                              m_test);
    m_off = permissionRow({new AttentionDot(Theme::amber),
                           new TextComponent(QStringLiteral("Notifications are off for Voltmere."), rowFont, Theme::text)},
                          m_settings);
    for (QWidget *row : {m_checking, m_notAsked, m_allowed, m_off}) {
        body()->addWidget(row);
    }
    // A failed request or test is said where the user just acted.
    m_error = new WrappingText(Theme::font(11), Theme::amber);
    body()->addWidget(m_error);

    connect(m_allow, &QPushButton::clicked, &monitor, &Monitor::requestNotificationPermission);
    connect(m_test, &QPushButton::clicked, &monitor, &Monitor::sendTestNotification);
    connect(m_settings, &QPushButton::clicked, &monitor, &Monitor::openNotificationSettings);

    Preferences &prefs = monitor.prefs();
    connect(&prefs, &Preferences::reminderEnabledChanged, this, &ReminderCard::showPreferences);
    connect(&prefs, &Preferences::reminderTargetChanged, this, &ReminderCard::showPreferences);
    connect(&monitor, &Monitor::reminderChanged, this, &ReminderCard::showReminder);
    connect(&monitor, &Monitor::notificationPermissionChanged, this, &ReminderCard::showPermission);
    connect(&monitor, &Monitor::lastNotificationErrorChanged, this, &ReminderCard::showPermission);
    showPreferences();
    showPermission();
}

void ReminderCard::setReminderOn(bool on)
{
    m_monitor.prefs().setReminderEnabled(on);
    if (on) {
        m_monitor.requestNotificationPermission();
    }
    m_monitor.evaluateReminder();
    m_monitor.updateInsight();
}

void ReminderCard::setTarget(int target)
{
    m_monitor.prefs().setReminderTarget(target);
    m_monitor.evaluateReminder();
    m_monitor.updateInsight();
}

void ReminderCard::setFirmwareLimit(std::optional<int> limit)
{
    m_firmwareLimit = limit;
    showPreferences();
}

void ReminderCard::showPreferences()
{
    const Preferences &prefs = m_monitor.prefs();
    m_switch->setChecked(prefs.reminderEnabled());
    m_targetRow->setEnabled(prefs.reminderEnabled());
    m_targetText->setColor(prefs.reminderEnabled() ? Theme::text : Theme::muted);
    {
        const QSignalBlocker quiet(m_slider);
        m_slider->setValue(ReminderTargetSlider::snapped(prefs.reminderTarget()));
    }
    m_targetText->setText(QString::number(prefs.reminderTarget()) + QLatin1Char('%'));
    m_targetText->setAccessibleName(QStringLiteral("Target ") + m_targetText->text());
    const bool unreachable =
        prefs.reminderEnabled() && m_firmwareLimit && prefs.reminderTarget() > *m_firmwareLimit;
    m_limitNote->setVisible(unreachable);
    m_limitNote->setText(unreachable ? QStringLiteral("The firmware stops charging at ") +
                                           QString::number(*m_firmwareLimit) +
                                           QStringLiteral("%, so the battery won't reach this target.")
                                     : QString());
    showReminder();
}

void ReminderCard::showReminder()
{
    m_long->setText(ReminderText::longText(
        m_monitor.reminder().status, m_monitor.prefs().reminderTarget(), m_monitor.clock().now()));
}

void ReminderCard::showPermission()
{
    const NotificationPermission permission = m_monitor.notificationPermission();
    m_checking->setVisible(permission == NotificationPermission::unknown);
    m_notAsked->setVisible(permission == NotificationPermission::notAsked);
    m_allowed->setVisible(permission == NotificationPermission::allowed);
    m_off->setVisible(permission == NotificationPermission::off);
    const std::optional<QString> &error = m_monitor.lastNotificationError();
    m_error->setVisible(error.has_value());
    m_error->setText(error ? QStringLiteral("Notification failed: ") + *error : QString());
}

QString ReminderCard::permissionText() const
{
    for (QWidget *row : {m_checking, m_notAsked, m_allowed, m_off}) {
        if (row->isVisibleTo(this)) {
            QStringList words;
            for (const TextComponent *piece : row->findChildren<TextComponent *>()) {
                words.append(piece->text());
            }
            return words.join(QLatin1Char(' '));
        }
    }
    return {};
}

QPushButton *ReminderCard::permissionButton() const
{
    for (QPushButton *button : {m_allow, m_test, m_settings}) {
        if (button->isVisibleTo(this)) {
            return button;
        }
    }
    return nullptr;
}

} // namespace voltmere
