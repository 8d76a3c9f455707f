#pragma once

#include "model/ThemeColor.h"

#include <QFont>
#include <QWidget>

namespace voltmere {

// Themed text that wraps onto as many lines as it needs (never truncated);
// its height follows its width. Figures in it may keep equal-width digits,
// as in a TextComponent.
class WrappingText : public QWidget {
    Q_OBJECT
public:
    WrappingText(const QFont &font, const ThemeColor &color, QWidget *parent = nullptr);

    const QString &text() const { return m_text; }
    void setText(const QString &text);
    void setColor(const ThemeColor &color);
    // Digits in cells of equal width (off by default: this is mostly prose).
    void setMonospacedDigits(bool monospaced);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // The text broken at spaces into lines no wider than `width` (a word
    // wider than that has a line of its own), digits in their cells.
    QStringList tabularLines(qreal width) const;

    QString m_text;
    QFont m_font;
    ThemeColor m_color;
    bool m_monospacedDigits = false;
};

} // namespace voltmere
