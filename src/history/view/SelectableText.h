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

    // Shows `text`, keeping what the user has selected: all of it when all
    // was selected, else the same stretch as far as it still reaches. A
    // text that has not changed is left alone.
    void updateText(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    ThemeColor m_color;
};

} // namespace voltmere
