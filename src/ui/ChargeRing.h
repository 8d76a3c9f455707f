#pragma once

#include "model/ThemeColor.h"
#include "ui/Accessibility.h"

#include <QPointF>
#include <QWidget>

#include <optional>

class QVariantAnimation;

namespace voltmere {

// The battery ring: an open arc of 288° with its gap at the bottom, a level
// arc over it, an optional tick at the reminder target, and any widget in
// the middle. While charging a glow pulses, as long as its surface is on
// screen (Environment::animatesLive) and motion is not reduced; it starts
// and stops with that state, whenever it changes.
// The ring is `size` across; the widget reaches `haloMargin` beyond it on
// every side for the glow. Screen readers read the level, whether it is
// charging and the target as the ring's value.
class ChargeRing : public QWidget, public SpokenLevel {
    Q_OBJECT
public:
    // Degrees clockwise from three o'clock.
    static constexpr double startAngle = 126.0;
    static constexpr double sweepAngle = 288.0;
    static constexpr qreal tickWidth = 2.5;
    static constexpr qreal haloMargin = 3;

    ChargeRing(qreal size, qreal lineWidth, const ThemeColor &tint, QWidget *parent = nullptr);

    // The part of the arc the level covers: level ÷ 100 clamped to 0…1; 0
    // without a level.
    static double fillFraction(std::optional<double> level);
    // Where the target tick sits, in degrees clockwise from three o'clock
    // (not reduced modulo 360: a target of 85 gives 370.8).
    static double tickAngle(double target);
    // The point at `angle` (clockwise from three o'clock) on a circle; y grows down.
    static QPointF pointOnCircle(QPointF centre, qreal radius, double angle);

    void setLevel(std::optional<double> level);
    void setCharging(bool charging);
    void setTarget(std::optional<int> target);
    void setTint(const ThemeColor &tint);
    // The system's reduce-motion preference; the pulse stays still when set.
    void setReduceMotion(bool reduce);
    // Puts `center` in the middle of the ring (the ring takes it over).
    void setCenter(QWidget *center);
    // Centres the centre again after its content changed size (a wider
    // figure); without it, it would stay where the old one was, and clipped.
    void recenter();

    std::optional<double> level() const { return m_level; }
    bool isPulsing() const;

    // The square the ring itself is drawn in, inside the widget.
    QRectF ringRect() const;

    QSize sizeHint() const override;

    QString spokenName() const override;
    std::optional<double> spokenLevel() const override;
    QString spokenValue() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool event(QEvent *event) override;

private:
    void updatePulse();
    void placeCenter();

    qreal m_size;
    qreal m_lineWidth;
    ThemeColor m_tint;
    std::optional<double> m_level;
    bool m_charging = false;
    std::optional<int> m_target;
    bool m_reduceMotion = false;
    bool m_pulse = false;
    double m_pulsePhase = 0; // 0…1 while pulsing
    QWidget *m_center = nullptr;
    QVariantAnimation *m_pulseAnimation = nullptr;
};

} // namespace voltmere
