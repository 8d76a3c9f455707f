#include "dashboard/view/HeroNumber.h"

#include "dashboard/view/Environment.h"
#include "dashboard/view/Theme.h"

#include <QPainter>
#include <QTimeLine>

#include <algorithm>

namespace voltmere {

HeroNumber::HeroNumber(qreal size, const ThemeColor &color, QWidget *parent)
    : TextComponent(parent)
{
    QFont font = Theme::font(size, QFont::DemiBold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, -0.02 * size);
    setTextFont(font);
    setColor(color);
}

void HeroNumber::setValue(std::optional<double> value, const QString &textValue)
{
    if (textValue == text()) {
        m_value = value;
        return;
    }
    const bool animate = m_value && value && isVisible() && !Environment::staticRender(this) &&
                         !Environment::reduceMotion();
    m_rising = !(m_value && value && *value < *m_value);
    m_previousText = text();
    m_value = value;
    setText(textValue);
    if (!animate) {
        m_progress = 1.0;
        return;
    }
    if (!m_animation) {
        m_animation = new QTimeLine(350, this);
        // About the settling time of a spring with response 0.35 s and
        // damping 0.85. Thirty frames a second are smooth for a figure this
        // size and half of what the global animation clock would paint:
        // every frame repaints the card and the background below it.
        m_animation->setUpdateInterval(33);
        m_animation->setEasingCurve(QEasingCurve::OutBack);
        connect(m_animation, &QTimeLine::valueChanged, this, [this](qreal v) {
            m_progress = v;
            update();
        });
    }
    m_animation->stop();
    m_animation->setCurrentTime(0);
    m_animation->start();
}

void HeroNumber::paintEvent(QPaintEvent *event)
{
    if (m_progress >= 1.0 || m_previousText.isEmpty()) {
        TextComponent::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setClipRect(rect());
    const qreal travel = height() * 0.6 * (m_rising ? 1 : -1);
    // The outgoing text leaves upwards (or downwards) while the new one arrives.
    painter.save();
    painter.setOpacity(std::clamp(1.0 - m_progress, 0.0, 1.0));
    painter.translate(0, -travel * m_progress);
    drawLine(painter, m_previousText);
    painter.restore();
    painter.setOpacity(std::clamp(m_progress, 0.0, 1.0));
    painter.translate(0, travel * (1.0 - m_progress));
    drawLine(painter, text());
}

} // namespace voltmere
