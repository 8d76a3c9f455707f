#include "ui/TextComponent.h"

#include "ui/Accessibility.h"
#include "ui/Environment.h"
#include "ui/TabularText.h"
#include "ui/Theme.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace voltmere {

TextComponent::TextComponent(QWidget *parent)
    : QWidget(parent)
    , m_font(Theme::font(13))
    , m_color(Theme::text)
{
    Accessibility::installFactories();
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

TextComponent::TextComponent(const QString &text, const QFont &font, const ThemeColor &color, QWidget *parent)
    : TextComponent(parent)
{
    setTextFont(font);
    setColor(color);
    setText(text);
}

void TextComponent::setText(const QString &text)
{
    if (m_text == text) {
        return;
    }
    m_text = text;
    updateGeometry();
    update();
    if (accessibleName().isEmpty()) {
        Accessibility::announce(this, QAccessible::NameChanged);
    }
}

void TextComponent::setTextFont(const QFont &font)
{
    m_font = font;
    m_layouts.clear();
    updateGeometry();
    update();
}

void TextComponent::setColor(const ThemeColor &color)
{
    if (m_color == color) {
        return;
    }
    m_color = color;
    update();
}

void TextComponent::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    update();
}

void TextComponent::setElideMode(Qt::TextElideMode mode)
{
    if (m_elide == mode) {
        return;
    }
    m_elide = mode;
    updateGeometry();
    update();
}

void TextComponent::setMonospacedDigits(bool monospaced)
{
    if (m_monospacedDigits == monospaced) {
        return;
    }
    m_monospacedDigits = monospaced;
    m_layouts.clear();
    updateGeometry();
    update();
}

QString TextComponent::spokenText() const
{
    return accessibleName().isEmpty() ? m_text : accessibleName();
}

const TextComponent::Layout &TextComponent::layout(const QString &line) const
{
    for (const Layout &known : m_layouts) {
        if (known.line == line) {
            return known;
        }
    }
    // The present text and the one rolling out are enough to keep.
    if (m_layouts.size() >= 3) {
        m_layouts.erase(m_layouts.begin());
    }
    Layout made;
    made.line = line;
    auto add = [&](const QString &piece, qreal x) {
        QStaticText glyphs(piece);
        glyphs.setTextFormat(Qt::PlainText);
        glyphs.prepare(QTransform(), m_font);
        made.pieces.emplace_back(glyphs, x);
    };
    if (m_monospacedDigits) {
        for (const TabularText::Piece &piece : TabularText::pieces(line, m_font, &made.width)) {
            add(piece.text, piece.x);
        }
    } else {
        add(line, 0);
        made.width = QFontMetricsF(m_font).horizontalAdvance(line);
    }
    m_layouts.push_back(std::move(made));
    return m_layouts.back();
}

qreal TextComponent::lineWidth(const QString &line) const
{
    return layout(line).width;
}

QSize TextComponent::sizeHint() const
{
    const QFontMetricsF metrics(m_font);
    return {static_cast<int>(std::ceil(lineWidth(m_text))) + 1, static_cast<int>(std::ceil(metrics.height()))};
}

QSize TextComponent::minimumSizeHint() const
{
    if (m_elide != Qt::ElideNone) {
        return {24, sizeHint().height()};
    }
    return sizeHint();
}

void TextComponent::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    drawFitted(painter, m_text);
}

void TextComponent::drawFitted(QPainter &painter, const QString &line) const
{
    if (m_elide == Qt::ElideNone || lineWidth(line) <= width()) {
        drawLine(painter, line);
        return;
    }
    const QFontMetricsF metrics(m_font);
    // Equal-width digits take a little more room than the font measures.
    const qreal extra = lineWidth(line) - metrics.horizontalAdvance(line);
    drawLine(painter, metrics.elidedText(line, m_elide, width() - std::max(0.0, extra)));
}

void TextComponent::drawLine(QPainter &painter, const QString &line) const
{
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(m_font);
    painter.setPen(m_color.resolve(Environment::colorScheme(this)));
    const Layout &laid = layout(line);
    const QFontMetricsF metrics(m_font);
    qreal left = 0;
    if (m_alignment & Qt::AlignRight) {
        left = width() - laid.width;
    } else if (m_alignment & Qt::AlignHCenter) {
        left = (width() - laid.width) / 2;
    }
    // Static text is placed by its top edge.
    qreal top = (height() - metrics.height()) / 2;
    if (m_alignment & Qt::AlignTop) {
        top = 0;
    } else if (m_alignment & Qt::AlignBottom) {
        top = height() - metrics.height();
    }
    for (const auto &[glyphs, x] : laid.pieces) {
        painter.drawStaticText(QPointF(left + x, top), glyphs);
    }
}

} // namespace voltmere
