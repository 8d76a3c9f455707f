#include "dashboard/view/BatterySkeleton.h"

#include "dashboard/view/BatteryHealthCard.h"
#include "ui/AccessibleElement.h"
#include "ui/Card.h"
#include "ui/Skeleton.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace voltmere {

namespace {

// A card of text bars: the first wider and taller, like a heading.
Card *barsCard(int padding, std::initializer_list<std::pair<qreal, qreal>> bars)
{
    auto *card = new Card(padding);
    card->body()->setSpacing(10);
    for (const auto &[width, height] : bars) {
        card->body()->addWidget(new Skeleton(width, height, height / 2));
    }
    card->body()->addStretch();
    return card;
}

} // namespace

BatterySkeleton::BatterySkeleton(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(14);

    auto *top = new QHBoxLayout;
    top->setSpacing(14);
    auto *hero = new Card(20);
    auto *heroRow = new QHBoxLayout;
    heroRow->setSpacing(26);
    heroRow->addWidget(new Skeleton(120, 120, 60), 0, Qt::AlignVCenter);
    auto *heroText = new QVBoxLayout;
    heroText->setSpacing(10);
    heroText->addStretch();
    heroText->addWidget(new Skeleton(90, 10, 5));
    heroText->addWidget(new Skeleton(180, 20, 6));
    heroText->addWidget(new Skeleton(150, 12, 6));
    heroText->addStretch();
    heroRow->addLayout(heroText, 1);
    hero->body()->addLayout(heroRow);
    top->addWidget(hero, 1);
    Card *health = barsCard(16, {{60, 10}, {110, 20}, {200, 12}, {180, 12}, {160, 12}});
    health->setMaximumWidth(BatteryHealthCard::maximumCardWidth);
    top->addWidget(health, 1);
    layout->addLayout(top);

    auto *chart = new Card(16);
    chart->body()->setSpacing(10);
    chart->body()->addWidget(new Skeleton(110, 10, 5));
    chart->body()->addWidget(new Skeleton(std::nullopt, 160, 8));
    chart->body()->addWidget(new Skeleton(std::nullopt, 8, 4));
    layout->addWidget(chart);

    auto *bottom = new QHBoxLayout;
    bottom->setSpacing(14);
    bottom->addWidget(barsCard(16, {{150, 16}, {220, 12}, {260, 12}, {200, 12}}), 1);
    bottom->addWidget(barsCard(16, {{170, 14}, {260, 12}, {240, 12}, {170, 14}, {250, 12}}), 1);
    layout->addLayout(bottom);
    layout->addStretch();

    AccessibleElement::set(this, QAccessible::StaticText, QStringLiteral("Loading battery"));
}

} // namespace voltmere
