#pragma once

#include "model/ThemeColor.h"
#include "ui/Accessibility.h"

#include <QWidget>

class QVariantAnimation;

namespace voltmere {

// A row of equal rounded segments; the first ones light up in `color` in
// proportion to a 0–1 value (a partly reached segment counts as lit). The
// segments run from edge to edge, so the gauge lines up with the text above
// it; the glow of the lit ones reaches above and below. Screen readers read
// the value as a percentage (name it with setAccessibleName).
class SegmentGauge : public QWidget, public SpokenLevel {
    Q_OBJECT
public:
    static constexpr qreal spacing = 3;
    static constexpr qreal cornerRadius = 2;
    static constexpr qreal glowRadius = 3;

    SegmentGauge(int segments, const ThemeColor &color, qreal height, QWidget *parent = nullptr);

    // ceil(clamp(value, 0, 1) × segments); non-finite values light nothing.
    static int litCount(double value, int segments);

    void setValue(double value);
    double value() const { return m_value; }
    int lit() const { return litCount(m_value, m_segments); }
    int segments() const { return m_segments; }

    QSize sizeHint() const override;

    QString spokenName() const override;
    std::optional<double> spokenLevel() const override;
    QString spokenValue() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_segments;
    ThemeColor m_color;
    qreal m_height;
    double m_value = 0;
    double m_shownLit = 0; // follows lit() through the animation
    QVariantAnimation *m_animation = nullptr;
};

} // namespace voltmere
