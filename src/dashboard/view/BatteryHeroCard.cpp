#include "dashboard/view/BatteryHeroCard.h"

#include "model/Format.h"
#include "platform/PlatformText.h"
#include "ui/AccessibleElement.h"
#include "ui/ChargeRing.h"
#include "ui/HeroNumber.h"
#include "ui/SectionLabel.h"
#include "ui/SymbolView.h"
#include "ui/TextComponent.h"
#include "ui/Theme.h"
#include "ui/Unavailable.h"
#include "ui/WrappingText.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace voltmere {

BatteryHeroCard::BatteryHeroCard(QWidget *parent)
    : Card(20, false, parent)
{
    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(26);

    m_ringBox = new QWidget;
    auto *ringLayout = new QVBoxLayout(m_ringBox);
    ringLayout->setContentsMargins(0, 0, 0, 0);
    m_ring = new ChargeRing(150, 13, Theme::mint);
    auto *centre = new QWidget;
    auto *centreLayout = new QVBoxLayout(centre);
    centreLayout->setContentsMargins(0, 0, 0, 0);
    centreLayout->setSpacing(0);
    m_levelBox = new QWidget;
    auto *levelLayout = new QVBoxLayout(m_levelBox);
    levelLayout->setContentsMargins(0, 0, 0, 0);
    levelLayout->setSpacing(0);
    m_level = new HeroNumber(50, Theme::text);
    levelLayout->addWidget(m_level, 0, Qt::AlignHCenter);
    levelLayout->addWidget(new TextComponent(QStringLiteral("percent"), Theme::font(11, QFont::DemiBold, true), Theme::muted), 0,
                           Qt::AlignHCenter);
    centreLayout->addWidget(m_levelBox, 0, Qt::AlignHCenter);
    m_levelUnavailable = new Unavailable(PlatformText::say(PlatformText::Name::batteryLevelUnavailable), 14);
    centreLayout->addWidget(m_levelUnavailable, 0, Qt::AlignHCenter);
    m_ring->setCenter(centre);
    ringLayout->addWidget(m_ring);
    row->addWidget(m_ringBox, 0, Qt::AlignVCenter);

    m_state = new QWidget;
    auto *state = new QVBoxLayout(m_state);
    state->setContentsMargins(0, 0, 0, 0);
    state->setSpacing(8);
    state->addWidget(new SectionLabel(QStringLiteral("Charging state")));
    m_stateRow = new QWidget;
    auto *stateRow = new QHBoxLayout(m_stateRow);
    stateRow->setContentsMargins(0, 0, 0, 0);
    stateRow->setSpacing(8);
    m_stateSymbol = new SymbolView(QStringLiteral("bolt.fill"), 20, Theme::mint);
    m_stateTitle = new TextComponent(QString(), Theme::font(20, QFont::DemiBold, true), Theme::text);
    stateRow->addWidget(m_stateSymbol, 0, Qt::AlignVCenter);
    stateRow->addWidget(m_stateTitle, 0, Qt::AlignVCenter);
    stateRow->addStretch();
    state->addWidget(m_stateRow);
    m_stateUnavailable = new Unavailable(PlatformText::say(PlatformText::Name::batteryStateUnavailable), 18);
    state->addWidget(m_stateUnavailable);
    for (int i = 0; i < maxLines; ++i) {
        auto *line = new WrappingText(Theme::font(12.5), Theme::muted);
        line->setMonospacedDigits(true);
        m_lines.push_back(line);
        state->addWidget(line);
    }
    row->addWidget(m_state, 1, Qt::AlignVCenter);
    body()->addLayout(row);
}

QString BatteryHeroCard::stateTitle(ChargingState state)
{
    return label(state);
}

std::vector<BatteryHeroCard::Line> BatteryHeroCard::detailLines(const BatteryReading &reading,
                                                                std::optional<int> target)
{
    std::vector<Line> lines;
    if (reading.isPluggedIn) {
        QString adapter = QStringLiteral("Power adapter");
        if (reading.adapterWatts) {
            adapter += QStringLiteral(" · ") + QString::number(*reading.adapterWatts) + QStringLiteral(" W");
        }
        lines.push_back({adapter});
    }
    if (const auto toFull = Format::duration(reading.timeToFullMinutes)) {
        lines.push_back({*toFull + QStringLiteral(" until full")});
    }
    if (const auto left = Format::duration(reading.timeToEmptyMinutes)) {
        lines.push_back({QStringLiteral("About ") + *left + QStringLiteral(" remaining")});
    }
    if (reading.state == ChargingState::pluggedNotCharging) {
        lines.push_back({PlatformText::say(PlatformText::Name::chargeHeldExplanation)});
    }
    if (target) {
        lines.push_back({QStringLiteral("Charge reminder at ") + QString::number(*target) +
                         QStringLiteral("%, marked on the ring")});
    }
    if (reading.lowPowerMode == true) {
        lines.push_back({PlatformText::say(PlatformText::Name::lowPowerModeOn), true});
    }
    return lines;
}

void BatteryHeroCard::set(const BatteryReading &reading, std::optional<int> target)
{
    const std::optional<double> level =
        reading.level ? std::optional<double>(static_cast<double>(*reading.level)) : std::nullopt;
    m_ring->setLevel(level);
    m_ring->setCharging(reading.state == ChargingState::charging);
    m_ring->setTarget(target);
    m_levelBox->setVisible(level.has_value());
    m_levelUnavailable->setVisible(!level);
    if (reading.level) {
        m_level->setValue(level, QString::number(*reading.level));
    }
    m_ring->recenter();
    AccessibleElement::set(m_ringBox, QAccessible::Indicator, QStringLiteral("Charge level"),
                           reading.level ? QString::number(*reading.level) + QStringLiteral(" percent")
                                         : QStringLiteral("Unavailable"));

    QStringList spoken;
    m_stateRow->setVisible(reading.state.has_value());
    m_stateUnavailable->setVisible(!reading.state);
    if (reading.state) {
        const bool charging = *reading.state == ChargingState::charging;
        m_stateSymbol->setSymbol(charging ? QStringLiteral("bolt.fill") : reading.symbolName());
        m_stateSymbol->setColor(charging ? Theme::mint : Theme::text);
        m_stateTitle->setText(stateTitle(*reading.state));
        spoken.append(m_stateTitle->text());
    } else {
        spoken.append(m_stateUnavailable->accessibleName());
    }
    const std::vector<Line> lines = detailLines(reading, target);
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        WrappingText *widget = m_lines[i];
        widget->setVisible(i < lines.size());
        if (i < lines.size()) {
            widget->setText(lines[i].text);
            widget->setColor(lines[i].attention ? Theme::amber : Theme::muted);
            spoken.append(lines[i].text);
        }
    }
    AccessibleElement::set(m_state, QAccessible::Grouping, QStringLiteral("Charging state"),
                           AccessibleElement::sentences(spoken));
}

} // namespace voltmere
