#include "ui/ChargeRing.h"

#include "platform/MotionPreference.h"
#include "ui/Environment.h"
#include "ui/Theme.h"

#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace voltmere {

ChargeRing::ChargeRing(qreal size, qreal lineWidth, const ThemeColor &tint, QWidget *parent)
    : QWidget(parent)
    , m_size(size)
    , m_lineWidth(lineWidth)
    , m_tint(tint)
{
    Accessibility::installFactories();
    connect(&MotionPreference::shared(), &MotionPreference::reduceMotionChanged, this, &ChargeRing::updatePulse);
    const int side = static_cast<int>(std::ceil(size + 2 * haloMargin));
    setFixedSize(side, side);
}

QRectF ChargeRing::ringRect() const
{
    return {(width() - m_size) / 2, (height() - m_size) / 2, m_size, m_size};
}

QString ChargeRing::spokenName() const
{
    return QStringLiteral("Battery charge");
}

std::optional<double> ChargeRing::spokenLevel() const
{
    if (!m_level || !std::isfinite(*m_level)) {
        return std::nullopt;
    }
    return fillFraction(m_level) * 100;
}

QString ChargeRing::spokenValue() const
{
    const std::optional<double> level = spokenLevel();
    QStringList parts;
    parts.append(level ? QString::number(std::lround(*m_level)) + QLatin1Char('%') : QStringLiteral("No level"));
    if (m_charging) {
        parts.append(QStringLiteral("charging"));
    }
    if (m_target) {
        parts.append(QStringLiteral("reminder at ") + QString::number(*m_target) + QLatin1Char('%'));
    }
    return parts.join(QStringLiteral(", "));
}

double ChargeRing::fillFraction(std::optional<double> level)
{
    if (!level || !std::isfinite(*level)) {
        return 0.0;
    }
    return std::min(std::max(*level / 100.0, 0.0), 1.0);
}

double ChargeRing::tickAngle(double target)
{
    return startAngle + sweepAngle * target / 100.0;
}

QPointF ChargeRing::pointOnCircle(QPointF centre, qreal radius, double angle)
{
    const double radians = angle * std::numbers::pi / 180.0;
    return {centre.x() + radius * std::cos(radians), centre.y() + radius * std::sin(radians)};
}

void ChargeRing::setLevel(std::optional<double> level)
{
    if (m_level == level) {
        return;
    }
    m_level = level;
    update();
    Accessibility::announce(this, QAccessible::ValueChanged);
}

void ChargeRing::setCharging(bool charging)
{
    if (m_charging == charging) {
        return;
    }
    m_charging = charging;
    updatePulse();
    update();
    Accessibility::announce(this, QAccessible::ValueChanged);
}

void ChargeRing::setTarget(std::optional<int> target)
{
    if (m_target == target) {
        return;
    }
    m_target = target;
    update();
    Accessibility::announce(this, QAccessible::ValueChanged);
}

void ChargeRing::setTint(const ThemeColor &tint)
{
    if (m_tint == tint) {
        return;
    }
    m_tint = tint;
    update();
}

void ChargeRing::setReduceMotion(bool reduce)
{
    if (m_reduceMotion == reduce) {
        return;
    }
    m_reduceMotion = reduce;
    updatePulse();
}

void ChargeRing::setCenter(QWidget *center)
{
    delete m_center;
    m_center = center;
    if (m_center) {
        m_center->setParent(this);
        m_center->show();
        placeCenter();
    }
}

QSize ChargeRing::sizeHint() const
{
    const int side = static_cast<int>(std::ceil(m_size + 2 * haloMargin));
    return {side, side};
}

bool ChargeRing::isPulsing() const
{
    return m_pulseAnimation && m_pulseAnimation->state() == QAbstractAnimation::Running;
}

void ChargeRing::updatePulse()
{
    const bool wanted = m_charging && !m_reduceMotion && !Environment::reduceMotion() && isVisible() && Environment::animatesLive(this)
                        && !Environment::staticRender(this);
    if (!wanted) {
        if (m_pulseAnimation) {
            m_pulseAnimation->stop();
        }
        m_pulse = false;
        m_pulsePhase = 0;
        return;
    }
    if (!m_pulseAnimation) {
        m_pulseAnimation = new QVariantAnimation(this);
        m_pulseAnimation->setStartValue(0.0);
        m_pulseAnimation->setEndValue(1.0);
        m_pulseAnimation->setDuration(1400);
        m_pulseAnimation->setEasingCurve(QEasingCurve::InOutSine);
        // Each run swings the glow one way; the next swings it back.
        connect(m_pulseAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
            m_pulsePhase = m_pulse ? 1.0 - v.toDouble() : v.toDouble();
            update();
        });
        connect(m_pulseAnimation, &QVariantAnimation::finished, this, [this] {
            m_pulse = !m_pulse;
            m_pulseAnimation->start();
        });
    }
    if (m_pulseAnimation->state() != QAbstractAnimation::Running) {
        m_pulseAnimation->start();
    }
}

void ChargeRing::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    updatePulse();
}

void ChargeRing::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    updatePulse();
}

bool ChargeRing::event(QEvent *event)
{
    // The surface came on screen or left it (shown, hidden, minimised,
    // restored), or the ring moved to another one.
    if (event->type() == Environment::animatesLiveChange() || event->type() == QEvent::ParentChange) {
        updatePulse();
    }
    return QWidget::event(event);
}

void ChargeRing::recenter()
{
    if (!m_center) {
        return;
    }
    // Nested layouts keep their size hints until their own layout requests
    // are served; told now, each one measures its content again at once.
    for (QWidget *inside : m_center->findChildren<QWidget *>()) {
        inside->updateGeometry();
    }
    m_center->updateGeometry();
    placeCenter();
}

void ChargeRing::resizeEvent(QResizeEvent *)
{
    placeCenter();
}

void ChargeRing::placeCenter()
{
    if (m_center) {
        const QSize hint = m_center->sizeHint().boundedTo(size());
        m_center->setGeometry(QRect(QPoint((width() - hint.width()) / 2, (height() - hint.height()) / 2), hint));
    }
}

void ChargeRing::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const ColorScheme scheme = Environment::colorScheme(this);
    const QRectF ring = ringRect();
    const QPointF centre = ring.center();
    // The stroke's outer edge touches the ring's square; the charging halo
    // reaches haloMargin beyond it, into the widget's margin.
    const qreal radius = ring.width() / 2.0 - m_lineWidth / 2.0;
    const QRectF circle(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);

    // QPainterPath counts angles counter-clockwise; ours run clockwise.
    auto arc = [&](double fraction) {
        QPainterPath path;
        path.arcMoveTo(circle, -startAngle);
        path.arcTo(circle, -startAngle, -sweepAngle * fraction);
        return path;
    };

    QPen track(Theme::placeholder.opacity(0.8).resolve(scheme), m_lineWidth, Qt::SolidLine, Qt::RoundCap);
    painter.strokePath(arc(1.0), track);

    const double fraction = fillFraction(m_level);
    if (m_level && fraction > 0) {
        const QColor tint = m_tint.resolve(scheme);
        if (m_charging) {
            // A soft halo around the level arc; it breathes while pulsing.
            QColor halo = tint;
            const double strength = isPulsing() ? 0.12 + 0.22 * m_pulsePhase : 0.22;
            halo.setAlphaF(static_cast<float>(strength));
            painter.strokePath(arc(fraction), QPen(halo, m_lineWidth + 2 * haloMargin, Qt::SolidLine, Qt::RoundCap));
        }
        QLinearGradient gradient(circle.bottomLeft(), circle.topRight());
        QColor start = tint;
        start.setAlphaF(tint.alphaF() * 0.7f);
        gradient.setColorAt(0, start);
        gradient.setColorAt(1, tint);
        painter.strokePath(arc(fraction), QPen(QBrush(gradient), m_lineWidth, Qt::SolidLine, Qt::RoundCap));
    }

    if (m_target) {
        const double angle = tickAngle(*m_target);
        // Across the track and a point beyond its outer edge, never into the
        // hole where the figure sits.
        const QPointF inner = pointOnCircle(centre, radius - m_lineWidth / 2.0, angle);
        const QPointF outer = pointOnCircle(centre, radius + m_lineWidth / 2.0 + 1.0, angle);
        painter.setPen(QPen(Theme::text.resolve(scheme), tickWidth, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(inner, outer);
    }
}

} // namespace voltmere
