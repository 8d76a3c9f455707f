#include "ui/HeroNumber.h"

#include "ui/Environment.h"
#include "ui/Theme.h"

#include <QPainter>
#include <QPixmap>
#include <QElapsedTimer>
#include <QVariantAnimation>

#include <algorithm>

namespace voltmere {

namespace {

// Every frame of a roll repaints the card, the chart and the background
// below the figure, and each repaint waits on the window system; on a busy
// machine the figures roll every round. Twenty frames a second carry a
// 0.35 s roll of a figure this size well enough, at a third of the
// animation clock's sixty; taking them on one grid shared by every figure
// lets figures that roll together (CPU and memory after a round) share
// their repaints.
bool onFrameGrid()
{
    static QElapsedTimer clock;
    static qint64 lastSlot = -1;
    if (!clock.isValid()) {
        clock.start();
    }
    const qint64 slot = clock.elapsed() / 50;
    static qint64 lastTick = -1;
    const qint64 tick = clock.elapsed();
    if (slot != lastSlot) {
        lastSlot = slot;
        lastTick = tick;
        return true;
    }
    // Other figures on the same animation tick repaint with the first.
    return tick == lastTick;
}

} // namespace

HeroNumber::HeroNumber(qreal size, const ThemeColor &color, QWidget *parent)
    : TextComponent(parent)
{
    setSize(size);
    setColor(color);
}

void HeroNumber::setSize(qreal size)
{
    QFont font = Theme::font(size, QFont::DemiBold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, -0.02 * size);
    setTextFont(font);
}

void HeroNumber::setTracking(qreal points)
{
    QFont font = textFont();
    font.setLetterSpacing(QFont::AbsoluteSpacing, points);
    setTextFont(font);
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
        if (m_animation) {
            m_animation->stop();
        }
        settle();
        return;
    }
    if (!m_animation) {
        m_animation = new QVariantAnimation(this);
        m_animation->setStartValue(0.0);
        m_animation->setEndValue(1.0);
        // About the settling time of a spring with response 0.35 s and
        // damping 0.85.
        m_animation->setDuration(350);
        m_animation->setEasingCurve(QEasingCurve::OutBack);
        // The ease overshoots: the figure passes its place and comes back,
        // so progress is above 1 for the second half of the roll. Only the
        // animation's end settles it; taking 1 for the end painted those
        // frames at the clock's full rate through every widget underneath.
        connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
            m_progress = v.toDouble();
            if (onFrameGrid()) {
                update();
            }
        });
        connect(m_animation, &QVariantAnimation::finished, this, &HeroNumber::settle);
    }
    m_animation->stop();
    captureBackdrop();
    m_animation->start();
}

void HeroNumber::settle()
{
    // Painted as usual again, over whatever is below.
    m_progress = 1.0;
    m_backdrop = QPixmap();
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    update();
}

void HeroNumber::captureBackdrop()
{
    // What lies below the figure (card, chart, background) is drawn once
    // per roll; the roll's frames then paint only the figure over it, so
    // they no longer repaint every widget underneath.
    QWidget *top = window();
    const qreal dpr = devicePixelRatioF();
    QPixmap backdrop((QSizeF(size()) * dpr).toSize());
    if (backdrop.isNull()) {
        return;
    }
    backdrop.setDevicePixelRatio(dpr);
    backdrop.fill(Qt::transparent);
    m_capturing = true;
    top->render(&backdrop, QPoint(), QRegion(QRect(mapTo(top, QPoint(0, 0)), size())));
    m_capturing = false;
    m_backdrop = backdrop;
    setAttribute(Qt::WA_OpaquePaintEvent, true);
}

void HeroNumber::paintEvent(QPaintEvent *event)
{
    if (m_capturing) {
        return;
    }
    if (m_backdrop.isNull() || m_previousText.isEmpty()) {
        TextComponent::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setClipRect(rect());
    painter.drawPixmap(QPointF(0, 0), m_backdrop);
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
