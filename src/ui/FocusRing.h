#pragma once

#include <QWidget>

namespace voltmere {

// The keyboard-focus mark: a 2-point mint outline of the given corner
// radius, 2 points outside the target's bounds. Drawn by a mouse-transparent
// sibling that follows the target, since a widget cannot paint outside
// itself.
class FocusRing : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal lineWidth = 2;
    static constexpr int outset = 2;

    // Makes `target` focusable and gives it a ring; the ring belongs to the target.
    static FocusRing *attach(QWidget *target, qreal radius);

    bool isShowingFocus() const { return m_focused; }
    // Shows or hides the ring regardless of focus; for still renders.
    void setShowingFocus(bool showing);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    FocusRing(QWidget *target, qreal radius);
    void follow();

    QWidget *m_target;
    qreal m_radius;
    bool m_focused = false;
};

} // namespace voltmere
