#pragma once

#include <QObject>

class QAbstractButton;
class QPainter;
class QVariantAnimation;
class QWidget;

namespace voltmere {

// Press feedback for custom-painted buttons: while pressed the button's
// content is drawn at 0.985 of its size about its centre, easing out over
// 0.12 s. The button's paintEvent calls PressableStyle::begin() first.
class PressableStyle : public QObject {
    Q_OBJECT
public:
    static constexpr double pressedScale = 0.985;
    static constexpr int durationMs = 120;

    // Watches `button`'s pressed state; the style belongs to the button.
    static PressableStyle *attach(QAbstractButton *button);
    // The scale to draw `widget` at now: 1 without a style.
    static double scale(const QWidget *widget);
    // Applies the present scale to `painter`, about `widget`'s centre.
    static void begin(QPainter &painter, const QWidget *widget);

private:
    explicit PressableStyle(QAbstractButton *button);
    void animateTo(double target);

    QAbstractButton *m_button;
    double m_scale = 1.0;
    QVariantAnimation *m_animation = nullptr;
};

} // namespace voltmere
