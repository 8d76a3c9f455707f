#pragma once

#include <QObject>

class QAbstractButton;
class QPainter;
class QVariantAnimation;
class QWidget;

namespace voltmere {

// Press feedback for buttons: while pressed the button, with every widget on
// it, is drawn at 0.985 of its size about its centre, easing out over
// 0.12 s (at once when the desktop asks for reduced motion). A graphics
// effect does the scaling and is set only while the scale is not 1.
class PressableStyle : public QObject {
    Q_OBJECT
public:
    static constexpr double pressedScale = 0.985;
    static constexpr int durationMs = 120;

    // Watches `button`'s pressed state; the style belongs to the button.
    static PressableStyle *attach(QAbstractButton *button);
    // The scale to draw `widget` at now: 1 without a style.
    static double scale(const QWidget *widget);
    // Kept for painting code written before the effect; does nothing now.
    static void begin(QPainter &painter, const QWidget *widget);

private:
    explicit PressableStyle(QAbstractButton *button);
    void animateTo(double target);
    void applyScale();

    QAbstractButton *m_button;
    double m_scale = 1.0;
    QVariantAnimation *m_animation = nullptr;
};

} // namespace voltmere
