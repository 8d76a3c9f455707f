#include "dashboard/view/TextComponent.h"

#include "dashboard/view/Environment.h"
#include "dashboard/view/Theme.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace voltmere {

TextComponent::TextComponent(QWidget *parent)
    : QWidget(parent)
    , m_font(Theme::font(13))
    , m_color(Theme::text)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void TextComponent::setText(const QString &text)
{
    if (m_text == text) {
        return;
    }
    m_text = text;
    updateGeometry();
    update();
}

void TextComponent::setTextFont(const QFont &font)
{
    m_font = font;
    updateGeometry();
    update();
}

void TextComponent::setColor(const ThemeColor &color)
{
    if (m_color == color) {
        return;
    }
    m_color = color;
    update();
}

void TextComponent::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    update();
}

QSize TextComponent::sizeHint() const
{
    const QFontMetricsF metrics(m_font);
    return {static_cast<int>(std::ceil(metrics.horizontalAdvance(m_text))) + 1,
            static_cast<int>(std::ceil(metrics.height()))};
}

QSize TextComponent::minimumSizeHint() const
{
    return sizeHint();
}

void TextComponent::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    drawLine(painter, m_text);
}

void TextComponent::drawLine(QPainter &painter, const QString &line) const
{
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(m_font);
    painter.setPen(m_color.resolve(Environment::colorScheme(this)));
    painter.drawText(rect(), static_cast<int>(m_alignment | Qt::TextSingleLine), line);
}

} // namespace voltmere
