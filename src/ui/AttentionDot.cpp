#include "ui/AttentionDot.h"

#include "ui/Environment.h"

#include <QPainter>

namespace voltmere {

AttentionDot::AttentionDot(const ThemeColor &color, QWidget *parent)
    : QWidget(parent)
    , m_color(color)
{
    setFixedSize(diameter, diameter);
    // The row it sits in speaks for it.
    Environment::hideFromAccessibility(this);
}

void AttentionDot::setColor(const ThemeColor &color)
{
    if (m_color == color) {
        return;
    }
    m_color = color;
    update();
}

void AttentionDot::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_color.resolve(Environment::colorScheme(this)));
    painter.drawEllipse(QRectF(0, 0, diameter, diameter));
}

} // namespace voltmere
