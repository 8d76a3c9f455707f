#pragma once

#include "ui/TextComponent.h"

#include <QPixmap>

#include <optional>

class QVariantAnimation;

namespace voltmere {

// A big figure in semibold with tight letter spacing (−0.02 × size, unless
// set otherwise). When its value changes the new text rolls in from below
// over a short spring-like ease.
class HeroNumber : public TextComponent {
    Q_OBJECT
public:
    HeroNumber(qreal size, const ThemeColor &color, QWidget *parent = nullptr);

    // Letter spacing in points.
    void setTracking(qreal points);
    // Another type size, with the tracking that goes with it.
    void setSize(qreal size);

    // `value` decides the direction of the roll; `text` is what shows.
    void setValue(std::optional<double> value, const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void captureBackdrop();
    void settle();

    std::optional<double> m_value;
    QString m_previousText;
    double m_progress = 1.0; // 0 just changed, 1 settled
    bool m_rising = true;
    QVariantAnimation *m_animation = nullptr;
    QPixmap m_backdrop; // what lies below the figure during a roll
    bool m_capturing = false;
};

} // namespace voltmere
