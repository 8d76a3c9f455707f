#pragma once

#include <QWidget>

namespace voltmere {

// Placeholder bars in the shapes of the Battery page's cards, shown while a
// battery is known but not read yet. One element for assistive technology,
// "Loading battery". Main thread only.
class BatterySkeleton : public QWidget {
    Q_OBJECT
public:
    explicit BatterySkeleton(QWidget *parent = nullptr);
};

} // namespace voltmere
