#pragma once

#include <QWidget>

namespace voltmere {

// The History page's shapes in placeholder grey while the first load runs:
// a chart card, then two smaller cards side by side. One accessibility
// element, "Loading history".
class HistorySkeleton : public QWidget {
    Q_OBJECT
public:
    explicit HistorySkeleton(QWidget *parent = nullptr);
};

} // namespace voltmere
