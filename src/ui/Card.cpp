#include "ui/Card.h"

#include "ui/CardSurface.h"
#include "ui/Environment.h"

#include <QEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace voltmere {

Card::Card(int padding, bool highlighted, QWidget *parent)
    : QWidget(parent)
    , m_body(new QVBoxLayout(this))
    , m_highlighted(highlighted)
{
    m_body->setContentsMargins(padding, padding, padding, padding);
    m_body->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    CardSurface::applyShadow(this, Environment::colorScheme(this), cornerRadius);
}

void Card::setHighlighted(bool highlighted)
{
    if (m_highlighted == highlighted) {
        return;
    }
    m_highlighted = highlighted;
    update();
}

void Card::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const ColorScheme scheme = Environment::colorScheme(this);
    // The scheme may have changed since the last paint (the shadow's
    // strength depends on it).
    CardSurface::applyShadow(this, scheme, cornerRadius);
    CardSurface::paint(painter, QRectF(rect()), cornerRadius, m_highlighted, scheme);
}

void Card::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange) {
        CardSurface::applyShadow(this, Environment::colorScheme(this), cornerRadius);
    }
    QWidget::changeEvent(event);
}

} // namespace voltmere
