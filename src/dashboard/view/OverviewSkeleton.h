#pragma once

#include <QWidget>

namespace voltmere {

// The Overview before its first reading: the two-column grid of five card
// placeholders and the process table's, announced as "Loading readings".
class OverviewSkeleton : public QWidget {
    Q_OBJECT
public:
    explicit OverviewSkeleton(QWidget *parent = nullptr);
};

} // namespace voltmere
