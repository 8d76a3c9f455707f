#include "ui/SegmentGauge.h"

#include "ui/Environment.h"
#include "ui/Theme.h"

#include <QPainter>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

namespace voltmere {

SegmentGauge::SegmentGauge(int segments, const ThemeColor &color, qreal height, QWidget *parent)
    : QWidget(parent)
    , m_segments(std::max(1, segments))
    , m_color(color)
    , m_height(height)
{
    Accessibility::installFactories();
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(static_cast<int>(std::ceil(height + 2 * glowRadius)));
}

int SegmentGauge::litCount(double value, int segments)
{
    if (!std::isfinite(value) || segments <= 0) {
        return 0;
    }
    return static_cast<int>(std::ceil(std::clamp(value, 0.0, 1.0) * segments));
}

void SegmentGauge::setValue(double value)
{
    const int before = lit();
    const bool changed = m_value != value;
    m_value = value;
    if (changed) {
        Accessibility::announce(this, QAccessible::ValueChanged);
    }
    const int after = lit();
    if (before == after) {
        return;
    }
    if (!isVisible() || Environment::staticRender(this) || Environment::reduceMotion()) {
        m_shownLit = after;
        update();
        return;
    }
    if (!m_animation) {
        m_animation = new QVariantAnimation(this);
        // Settles about as a spring with response 0.5 s and damping 0.85.
        m_animation->setDuration(500);
        m_animation->setEasingCurve(QEasingCurve::OutCubic);
        connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
            // Segments light whole: only a change of the drawn count is
            // worth a repaint, not every frame of the animation.
            const bool visibleChange = std::lround(v.toDouble()) != std::lround(m_shownLit);
            m_shownLit = v.toDouble();
            if (visibleChange) {
                update();
            }
        });
    }
    m_animation->stop();
    m_animation->setStartValue(m_shownLit);
    m_animation->setEndValue(double(after));
    m_animation->start();
}

QString SegmentGauge::spokenName() const
{
    return QStringLiteral("Gauge");
}

std::optional<double> SegmentGauge::spokenLevel() const
{
    if (!std::isfinite(m_value)) {
        return std::nullopt;
    }
    return std::clamp(m_value, 0.0, 1.0) * 100;
}

QString SegmentGauge::spokenValue() const
{
    const std::optional<double> level = spokenLevel();
    return level ? QString::number(std::lround(*level)) + QLatin1Char('%') : QString();
}

QSize SegmentGauge::sizeHint() const
{
    return {m_segments * 8, height()};
}

void SegmentGauge::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const ColorScheme scheme = Environment::colorScheme(this);
    // Flush with the edges, as the text above the gauge is; only the outer
    // sides of the end segments lose their glow.
    const qreal inset = 0;
    const qreal segmentWidth = (width() - 2 * inset - spacing * (m_segments - 1)) / m_segments;
    const qreal top = (height() - m_height) / 2;
    const int litNow = static_cast<int>(std::lround(m_shownLit));
    painter.setPen(Qt::NoPen);
    const QColor empty = Theme::placeholder.resolve(scheme);
    const QColor on = m_color.resolve(scheme);
    const QColor glow = m_color.opacity(scheme == ColorScheme::dark ? 0.55 : 0.15).resolve(scheme);
    for (int i = 0; i < m_segments; ++i) {
        const QRectF segment(inset + i * (segmentWidth + spacing), top, segmentWidth, m_height);
        painter.setBrush(empty);
        painter.drawRoundedRect(segment, cornerRadius, cornerRadius);
    }
    for (int i = 0; i < litNow && i < m_segments; ++i) {
        const QRectF segment(inset + i * (segmentWidth + spacing), top, segmentWidth, m_height);
        // A 3-point glow, drawn as two fading halos.
        for (int ring = 3; ring >= 1; ring -= 2) {
            QColor halo = glow;
            halo.setAlphaF(glow.alphaF() * (ring == 3 ? 0.35f : 0.6f));
            painter.setBrush(halo);
            painter.drawRoundedRect(segment.adjusted(-ring, -ring, ring, ring), cornerRadius + ring,
                                    cornerRadius + ring);
        }
        painter.setBrush(on);
        painter.drawRoundedRect(segment, cornerRadius, cornerRadius);
    }
}

} // namespace voltmere
