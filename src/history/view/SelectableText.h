#pragma once

#include "model/ThemeColor.h"

#include <QLabel>

namespace voltmere {

// Wrapping text the user can select and copy (a summary, a file path), in a
// theme colour resolved for the present scheme when painted.
class SelectableText : public QLabel {
    Q_OBJECT
public:
    SelectableText(const QFont &font, const ThemeColor &color, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    ThemeColor m_color;
};

} // namespace voltmere
