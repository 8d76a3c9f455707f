#pragma once

#include "dashboard/view/ProcessTable.h"

#include <QWidget>

namespace voltmere {

// One line of the process table: rank, icon, name and pid, CPU figure, and
// a bar filled in proportion to the table's scale. Highlights under the
// pointer. Custom-painted.
class ProcessRow : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal minimumBar = 3; // a process at 0 % still shows a sliver
    static constexpr qreal barHeight = 4;

    explicit ProcessRow(QWidget *parent = nullptr);

    void set(int rank, const ProcessTable::Row &row, double scale);
    int rank() const { return m_rank; }
    const ProcessTable::Row &row() const { return m_row; }
    double scale() const { return m_scale; }
    bool isHovering() const { return m_hovering; }

    // Width of the bar's fill on a track `trackWidth` wide.
    static qreal fillWidth(qreal trackWidth, double cpu, double scale);
    // The spoken label: name, ", process " + pid when there is one, the CPU.
    static QString spokenLabel(const ProcessTable::Row &row);
    // The track rectangle inside a row of `size`, for tests and painting.
    QRectF trackRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    int m_rank = 0;
    ProcessTable::Row m_row;
    double m_scale = 100;
    bool m_hovering = false;
};

} // namespace voltmere
