#pragma once

#include <QWidget>

#include <optional>

namespace voltmere {

// A neutral placeholder bar shown before a value exists: `width` wide, or as
// wide as its container when no width is given. Invisible to assistive
// technology.
class Skeleton : public QWidget {
    Q_OBJECT
public:
    Skeleton(std::optional<qreal> width, qreal height, qreal radius, QWidget *parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::optional<qreal> m_width;
    qreal m_height;
    qreal m_radius;
};

} // namespace voltmere
