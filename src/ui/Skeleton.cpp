#include "ui/Skeleton.h"

#include "ui/Environment.h"
#include "ui/Theme.h"

#include <QPainter>

#include <cmath>

namespace voltmere {

Skeleton::Skeleton(std::optional<qreal> width, qreal height, qreal radius, QWidget *parent)
    : QWidget(parent)
    , m_width(width)
    , m_height(height)
    , m_radius(radius)
{
    setFixedHeight(static_cast<int>(std::ceil(height)));
    if (width) {
        setFixedWidth(static_cast<int>(std::ceil(*width)));
    } else {
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
    Environment::hideFromAccessibility(this);
}

QSize Skeleton::sizeHint() const
{
    return {m_width ? static_cast<int>(std::ceil(*m_width)) : 0, static_cast<int>(std::ceil(m_height))};
}

void Skeleton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::placeholder.resolve(Environment::colorScheme(this)));
    painter.drawRoundedRect(QRectF(rect()), m_radius, m_radius);
}

} // namespace voltmere
