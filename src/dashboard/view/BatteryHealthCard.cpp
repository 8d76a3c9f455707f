#include "dashboard/view/BatteryHealthCard.h"

#include "model/Format.h"
#include "platform/PlatformText.h"
#include "ui/AccessibleElement.h"
#include "ui/AttentionDot.h"
#include "ui/SectionLabel.h"
#include "ui/TextComponent.h"
#include "ui/Theme.h"
#include "ui/Unavailable.h"
#include "ui/WrappingText.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace voltmere {

namespace {

const QString goodCondition = QStringLiteral("Good");

QString integer(int value)
{
    return QString::asprintf("%lld", static_cast<long long>(value));
}

} // namespace

BatteryHealthCard::BatteryHealthCard(QWidget *parent)
    : Card(16, false, parent)
{
    setMaximumWidth(maximumCardWidth);
    // Full width, so wrapped text breaks at the card's width rather than its own.
    body()->setAlignment(Qt::AlignTop);
    body()->setSpacing(8);
    body()->addWidget(new SectionLabel(QStringLiteral("Health")));

    auto *condition = new QWidget;
    auto *conditionLayout = new QVBoxLayout(condition);
    conditionLayout->setContentsMargins(0, 0, 0, 0);
    m_conditionRow = new QWidget;
    auto *row = new QHBoxLayout(m_conditionRow);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    m_dot = new AttentionDot(Theme::amber);
    m_condition = new TextComponent(QString(), Theme::font(20, QFont::DemiBold, true), Theme::mint);
    row->addWidget(m_dot, 0, Qt::AlignVCenter);
    row->addWidget(m_condition, 0, Qt::AlignVCenter);
    row->addStretch();
    conditionLayout->addWidget(m_conditionRow);
    m_conditionUnavailable = new Unavailable(PlatformText::say(PlatformText::Name::batteryHealthUnavailable), 18);
    conditionLayout->addWidget(m_conditionUnavailable);
    body()->addWidget(condition);

    auto *grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(4);
    m_capacity = addRow(grid, 0, QStringLiteral("Capacity"), PlatformText::Name::capacityUnavailable);
    m_cycles = addRow(grid, 1, QStringLiteral("Cycle count"), PlatformText::Name::cycleCountUnavailable);
    m_temperature = addRow(grid, 2, QStringLiteral("Temperature"), PlatformText::Name::temperatureUnavailable);
    grid->setColumnStretch(2, 1);
    body()->addLayout(grid);

    m_note = new WrappingText(Theme::font(11), Theme::muted);
    m_note->setText(PlatformText::say(PlatformText::Name::capacityAbove100Note));
    body()->addWidget(m_note);
}

BatteryHealthCard::Row BatteryHealthCard::addRow(QGridLayout *grid, int row, const QString &label,
                                                   PlatformText::Name reason)
{
    const QFont font = Theme::font(12);
    grid->addWidget(new TextComponent(label, font, Theme::muted), row, 0, Qt::AlignLeft | Qt::AlignVCenter);
    Row out{new TextComponent(QString(), font, Theme::muted), new Unavailable(PlatformText::say(reason), 12)};
    grid->addWidget(out.value, row, 1, Qt::AlignLeft | Qt::AlignVCenter);
    grid->addWidget(out.unavailable, row, 1, Qt::AlignLeft | Qt::AlignVCenter);
    return out;
}

QString BatteryHealthCard::conditionWord(const QString &condition)
{
    return condition == goodCondition ? QStringLiteral("Normal") : condition;
}

std::optional<QString> BatteryHealthCard::capacityText(const BatteryReading &reading)
{
    if (!reading.designCapacity || !reading.fullChargeCapacity || *reading.designCapacity < 1 ||
        *reading.fullChargeCapacity < 1) {
        return std::nullopt;
    }
    const double share = static_cast<double>(*reading.fullChargeCapacity) / *reading.designCapacity * 100.0;
    return Format::percent(share, 0) + QStringLiteral(" (") + integer(*reading.fullChargeCapacity) +
           QStringLiteral(" of ") + integer(*reading.designCapacity) + QStringLiteral(" mAh)");
}

bool BatteryHealthCard::holdsMoreThanDesign(const BatteryReading &reading)
{
    return reading.designCapacity && reading.fullChargeCapacity && *reading.designCapacity > 0 &&
           *reading.fullChargeCapacity > 0 &&
           static_cast<double>(*reading.fullChargeCapacity) / *reading.designCapacity * 100.0 > 100.0;
}

std::optional<QString> BatteryHealthCard::cycleText(const BatteryReading &reading)
{
    if (!reading.cycleCount) {
        return std::nullopt;
    }
    QString text = QString::number(*reading.cycleCount);
    if (reading.designCycleCount) {
        text += QStringLiteral(" of ") + QString::number(*reading.designCycleCount) + QStringLiteral(" rated");
    }
    return text;
}

std::optional<QString> BatteryHealthCard::temperatureText(const BatteryReading &reading)
{
    if (!reading.temperatureC) {
        return std::nullopt;
    }
    return QString::asprintf("%.1f °C", *reading.temperatureC);
}

QString BatteryHealthCard::showRow(const Row &row, const std::optional<QString> &value)
{
    row.value->setVisible(value.has_value());
    row.unavailable->setVisible(!value);
    row.value->setText(value.value_or(QString()));
    return value ? *value : row.unavailable->accessibleName();
}

void BatteryHealthCard::set(const BatteryReading &reading)
{
    QStringList spoken;
    m_conditionRow->setVisible(reading.healthCondition.has_value());
    m_conditionUnavailable->setVisible(!reading.healthCondition);
    if (reading.healthCondition) {
        const bool good = *reading.healthCondition == goodCondition;
        m_dot->setVisible(!good);
        m_condition->setText(conditionWord(*reading.healthCondition));
        m_condition->setColor(good ? Theme::mint : Theme::amber);
        spoken.append(QStringLiteral("Condition ") + m_condition->text());
    } else {
        spoken.append(m_conditionUnavailable->accessibleName());
    }
    spoken.append(QStringLiteral("Capacity ") + showRow(m_capacity, capacityText(reading)));
    spoken.append(QStringLiteral("Cycle count ") + showRow(m_cycles, cycleText(reading)));
    spoken.append(QStringLiteral("Temperature ") + showRow(m_temperature, temperatureText(reading)));
    const bool note = holdsMoreThanDesign(reading);
    m_note->setVisible(note);
    if (note) {
        spoken.append(m_note->text());
    }
    AccessibleElement::set(this, QAccessible::Grouping, QStringLiteral("Health"), AccessibleElement::sentences(spoken));
}

} // namespace voltmere
