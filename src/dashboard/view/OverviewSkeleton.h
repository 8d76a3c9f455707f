#pragma once

#include <QWidget>

namespace voltmere {

// The Overview before its first reading: the two-column grid of a
// placeholder for each card and the process table's, announced as "Loading
// readings".
class OverviewSkeleton : public QWidget {
    Q_OBJECT
public:
    static constexpr int cardCount = 6;

    explicit OverviewSkeleton(QWidget *parent = nullptr);
};

} // namespace voltmere
