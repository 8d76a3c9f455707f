#include "dashboard/view/LimitsCard.h"

#include "ui/AccessibleElement.h"
#include "ui/Environment.h"
#include "ui/TextComponent.h"
#include "ui/Theme.h"
#include "ui/WrappingText.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace voltmere {

namespace {

// A hairline in the card border's colour.
class Divider final : public QWidget {
public:
    Divider()
    {
        setFixedHeight(1);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Theme::cardStroke.resolve(Environment::colorScheme(this)));
    }
};

} // namespace

LimitsCard::LimitsCard(QWidget *parent)
    : Card(16, false, parent)
    , m_enforced(makeBlock())
    , m_toFull(makeBlock())
{
    // Full width, so wrapped text breaks at the card's width rather than its own.
    body()->setAlignment(Qt::AlignTop);
    body()->setSpacing(12);
    body()->addWidget(m_enforced.box);
    body()->addWidget(new Divider);
    body()->addWidget(m_toFull.box);
    m_enforcedShown = ChargeLimitText::checking();
    // True whatever the limits turn out to be.
    m_toFullShown = ChargeLimitText::chargeToFull({});
    showBlock(m_enforced, m_enforcedShown);
    showBlock(m_toFull, m_toFullShown);
}

LimitsCard::Block LimitsCard::makeBlock()
{
    Block block{new QWidget, new TextComponent, new TextComponent, new WrappingText(Theme::font(11.5), Theme::muted)};
    auto *layout = new QVBoxLayout(block.box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(5);
    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    block.title->setTextFont(Theme::font(13, QFont::DemiBold, true));
    block.title->setColor(Theme::text);
    block.status->setTextFont(Theme::font(12));
    block.status->setColor(Theme::muted);
    row->addWidget(block.title, 0, Qt::AlignVCenter);
    row->addStretch();
    row->addWidget(block.status, 0, Qt::AlignVCenter);
    layout->addLayout(row);
    layout->addWidget(block.text);
    return block;
}

void LimitsCard::showBlock(const Block &block, const ChargeLimitText::Explanation &explanation)
{
    block.title->setText(explanation.title);
    block.status->setText(explanation.status);
    block.text->setText(explanation.text);
    AccessibleElement::set(block.box, QAccessible::Grouping, explanation.title,
                           AccessibleElement::sentences({explanation.status, explanation.text}));
}

void LimitsCard::set(const std::vector<BatteryChargeLimits> &limits)
{
    m_enforcedShown = ChargeLimitText::enforcedLimit(limits);
    m_toFullShown = ChargeLimitText::chargeToFull(limits);
    showBlock(m_enforced, m_enforcedShown);
    showBlock(m_toFull, m_toFullShown);
}

} // namespace voltmere
