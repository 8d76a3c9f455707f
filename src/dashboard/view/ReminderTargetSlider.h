#pragma once

#include <QSlider>

namespace voltmere {

// The charge-reminder target: 50–100 % in steps of 5. A value between
// steps (a drag, a click on the groove) settles on the nearest step.
// Assistive technology reads it as "Charge reminder target", "80 percent".
// Main thread only.
class ReminderTargetSlider : public QSlider {
    Q_OBJECT
public:
    static constexpr int lowest = 50;
    static constexpr int highest = 100;
    static constexpr int step = 5;

    explicit ReminderTargetSlider(QWidget *parent = nullptr);

    // The nearest step within the range.
    static int snapped(int value);

protected:
    void paintEvent(QPaintEvent *event) override;

Q_SIGNALS:
    // A settled value the user chose (not one set from outside).
    void targetChosen(int target);
};

} // namespace voltmere
