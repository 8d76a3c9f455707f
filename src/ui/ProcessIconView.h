#pragma once

#include "model/ThemeColor.h"

#include <QWidget>

#include <cstdint>
#include <optional>

class QPainter;

namespace voltmere {

// A process's application icon, `size` points square; a gear on a neutral
// rounded well when the process has none.
class ProcessIconView : public QWidget {
    Q_OBJECT
public:
    explicit ProcessIconView(qreal size, QWidget *parent = nullptr);

    void setPid(std::optional<std::int32_t> pid);
    std::optional<std::int32_t> pid() const { return m_pid; }
    // True when the last paint (or the present pid) has no icon: the gear.
    bool showsPlaceholder() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // Draws the icon of `pid` (or the gear) into `frame`, a square.
    static void paint(QPainter &painter, const QRectF &frame, std::optional<std::int32_t> pid, ColorScheme scheme);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qreal m_size;
    std::optional<std::int32_t> m_pid;
};

} // namespace voltmere
