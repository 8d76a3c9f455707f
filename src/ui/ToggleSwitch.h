#pragma once

#include <QAbstractButton>

namespace voltmere {

// An on/off switch with its label on the leading side and the track on the
// trailing side; the track is filled mint while on. Checkable; Space
// toggles it. Main thread only.
class ToggleSwitch : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr qreal trackWidth = 34;
    static constexpr qreal trackHeight = 20;

    explicit ToggleSwitch(const QString &label, QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace voltmere
