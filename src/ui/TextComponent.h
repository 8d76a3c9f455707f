#pragma once

#include "model/ThemeColor.h"

#include <QFont>
#include <QStaticText>
#include <QWidget>

#include <vector>

namespace voltmere {

// One line of themed text, painted with a colour resolved for the present
// scheme at paint time. The base of the text components below. Digits sit in
// cells of equal width unless asked otherwise, so figures that change do not
// shift the text around them. Screen readers read what it shows.
class TextComponent : public QWidget {
    Q_OBJECT
public:
    explicit TextComponent(QWidget *parent = nullptr);
    // A component showing `text` in `font` and `color`.
    TextComponent(const QString &text, const QFont &font, const ThemeColor &color, QWidget *parent = nullptr);

    const QString &text() const { return m_text; }
    void setText(const QString &text);
    void setTextFont(const QFont &font);
    const QFont &textFont() const { return m_font; }
    void setColor(const ThemeColor &color);
    void setAlignment(Qt::Alignment alignment);
    // How a line wider than the component gives up text: by default it
    // never does (the component asks for the whole line); otherwise it may
    // be made narrower and shows an ellipsis where text is left out.
    void setElideMode(Qt::TextElideMode mode);
    // Proportional digits for prose; figures keep equal-width digits.
    void setMonospacedDigits(bool monospaced);
    bool monospacedDigits() const { return m_monospacedDigits; }
    // What a screen reader says: the accessible name when one was set (a
    // reason, a label in its own case), else the text itself.
    QString spokenText() const;
    // The width `line` takes when drawn by this component.
    qreal lineWidth(const QString &line) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    // Draws `line` the way this component draws its text.
    void drawLine(QPainter &painter, const QString &line) const;
    // Draws `line`, cut short with an ellipsis where it is wider than the
    // component and the elide mode allows it.
    void drawFitted(QPainter &painter, const QString &line) const;

private:
    // A line cut into runs of text and single digits, each with its glyphs
    // laid out once: figures repaint every round and during their roll.
    struct Layout {
        QString line;
        std::vector<std::pair<QStaticText, qreal>> pieces; // glyphs and their x
        qreal width = 0;
    };
    const Layout &layout(const QString &line) const;

    QString m_text;
    QFont m_font;
    ThemeColor m_color;
    Qt::Alignment m_alignment = Qt::AlignLeft | Qt::AlignVCenter;
    bool m_monospacedDigits = true;
    Qt::TextElideMode m_elide = Qt::ElideNone;
    mutable std::vector<Layout> m_layouts; // the last few lines drawn
};

} // namespace voltmere
