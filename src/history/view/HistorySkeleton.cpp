#include "history/view/HistorySkeleton.h"

#include "ui/AccessibleElement.h"
#include "ui/Card.h"
#include "ui/Skeleton.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace voltmere {

namespace {

Card *smallCard(QWidget *parent)
{
    auto *card = new Card(16, false, parent);
    card->body()->setSpacing(8);
    card->body()->addWidget(new Skeleton(120, 10, 6));
    card->body()->addWidget(new Skeleton(std::nullopt, 80, 8));
    return card;
}

} // namespace

HistorySkeleton::HistorySkeleton(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(16);

    auto *chart = new Card(16, false, this);
    chart->body()->setSpacing(8);
    chart->body()->addWidget(new Skeleton(140, 10, 6));
    chart->body()->addWidget(new Skeleton(std::nullopt, 240, 8));
    chart->body()->addWidget(new Skeleton(std::nullopt, 10, 6));
    layout->addWidget(chart);

    auto *row = new QHBoxLayout;
    row->setSpacing(16);
    Card *first = smallCard(this);
    first->setMaximumWidth(320);
    row->addWidget(first, 1);
    row->addWidget(smallCard(this), 1);
    layout->addLayout(row);
    // One element, so the placeholder cards are not read out one by one.
    AccessibleElement::set(this, QAccessible::StaticText, QStringLiteral("Loading history"));
}

} // namespace voltmere
