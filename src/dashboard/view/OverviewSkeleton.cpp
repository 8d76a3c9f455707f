#include "dashboard/view/OverviewSkeleton.h"

#include "ui/AccessibleElement.h"
#include "ui/Card.h"
#include "ui/Skeleton.h"

#include <QGridLayout>
#include <QVBoxLayout>

namespace voltmere {

namespace {

Card *cardPlaceholder()
{
    auto *card = new Card(16);
    QVBoxLayout *body = card->body();
    body->setSpacing(8);
    body->addWidget(new Skeleton(88, 10, 6));
    body->addWidget(new Skeleton(132, 28, 8));
    body->addWidget(new Skeleton(std::nullopt, 150, 8));
    body->addWidget(new Skeleton(std::nullopt, 10, 6));
    return card;
}

} // namespace

OverviewSkeleton::OverviewSkeleton(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(16);
    auto *grid = new QGridLayout;
    grid->setSpacing(16);
    for (int i = 0; i < cardCount; ++i) {
        grid->addWidget(cardPlaceholder(), i / 2, i % 2);
    }
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);

    auto *table = new Card(16);
    table->body()->setSpacing(8);
    table->body()->addWidget(new Skeleton(160, 10, 6));
    for (int i = 0; i < 5; ++i) {
        table->body()->addWidget(new Skeleton(std::nullopt, 28, 6));
    }
    layout->addWidget(table);
    layout->addStretch(1);
    // One element, so the placeholder cards are not read out one by one.
    AccessibleElement::set(this, QAccessible::StaticText, QStringLiteral("Loading readings"));
}

} // namespace voltmere
