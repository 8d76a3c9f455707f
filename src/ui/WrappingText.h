#pragma once

#include "model/ThemeColor.h"

#include <QFont>
#include <QWidget>

namespace voltmere {

// Themed text that wraps onto as many lines as it needs (never truncated);
// its height follows its width.
class WrappingText : public QWidget {
    Q_OBJECT
public:
    WrappingText(const QFont &font, const ThemeColor &color, QWidget *parent = nullptr);

    const QString &text() const { return m_text; }
    void setText(const QString &text);
    void setColor(const ThemeColor &color);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
    QFont m_font;
    ThemeColor m_color;
};

} // namespace voltmere
