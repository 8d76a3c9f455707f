#include "dashboard/view/TextComponent.h"

#include "dashboard/view/Accessibility.h"
#include "dashboard/view/Environment.h"
#include "dashboard/view/Theme.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace voltmere {

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// The UI font draws digits at their own widths. Qt 6.4 cannot switch on the
// font's tabular figures, so each digit is centred in a cell as wide as the
// widest digit instead.
qreal digitCell(const QFontMetricsF &metrics)
{
    qreal widest = 0;
    for (char d = '0'; d <= '9'; ++d) {
        widest = std::max(widest, metrics.horizontalAdvance(QLatin1Char(d)));
    }
    return widest;
}

// Calls `run(text, x)` for each stretch of non-digits and `digit(c, x, cell)`
// for each digit, left to right; returns the total advance.
template <typename Run, typename Digit>
qreal walkLine(const QFont &font, const QString &line, Run run, Digit digit)
{
    const QFontMetricsF metrics(font);
    const qreal cell = digitCell(metrics);
    qreal x = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= line.size(); ++i) {
        if (i < line.size() && !isDigit(line.at(i))) {
            continue;
        }
        if (i > start) {
            const QString piece = line.mid(start, i - start);
            run(piece, x);
            x += metrics.horizontalAdvance(piece);
        }
        if (i < line.size()) {
            digit(line.at(i), x, cell);
            x += cell;
        }
        start = i + 1;
    }
    return x;
}

} // namespace

TextComponent::TextComponent(QWidget *parent)
    : QWidget(parent)
    , m_font(Theme::font(13))
    , m_color(Theme::text)
{
    Accessibility::installFactories();
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
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

void TextComponent::setMonospacedDigits(bool monospaced)
{
    if (m_monospacedDigits == monospaced) {
        return;
    }
    m_monospacedDigits = monospaced;
    updateGeometry();
    update();
}

QString TextComponent::spokenText() const
{
    return accessibleName().isEmpty() ? m_text : accessibleName();
}

qreal TextComponent::lineWidth(const QString &line) const
{
    if (!m_monospacedDigits) {
        return QFontMetricsF(m_font).horizontalAdvance(line);
    }
    return walkLine(m_font, line, [](const QString &, qreal) {}, [](QChar, qreal, qreal) {});
}

QSize TextComponent::sizeHint() const
{
    const QFontMetricsF metrics(m_font);
    return {static_cast<int>(std::ceil(lineWidth(m_text))) + 1, static_cast<int>(std::ceil(metrics.height()))};
}

QSize TextComponent::minimumSizeHint() const
{
    return sizeHint();
}

void TextComponent::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    drawLine(painter, m_text);
}

void TextComponent::drawLine(QPainter &painter, const QString &line) const
{
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(m_font);
    painter.setPen(m_color.resolve(Environment::colorScheme(this)));
    if (!m_monospacedDigits) {
        painter.drawText(rect(), static_cast<int>(m_alignment | Qt::TextSingleLine), line);
        return;
    }
    const QFontMetricsF metrics(m_font);
    const qreal width = lineWidth(line);
    qreal left = 0;
    if (m_alignment & Qt::AlignRight) {
        left = this->width() - width;
    } else if (m_alignment & Qt::AlignHCenter) {
        left = (this->width() - width) / 2;
    }
    qreal baseline = metrics.ascent();
    if (m_alignment & Qt::AlignBottom) {
        baseline = height() - metrics.descent();
    } else if (!(m_alignment & Qt::AlignTop)) {
        baseline = (height() - metrics.height()) / 2 + metrics.ascent();
    }
    walkLine(
        m_font, line, [&](const QString &piece, qreal x) { painter.drawText(QPointF(left + x, baseline), piece); },
        [&](QChar digit, qreal x, qreal cell) {
            const qreal advance = metrics.horizontalAdvance(digit);
            painter.drawText(QPointF(left + x + (cell - advance) / 2, baseline), QString(digit));
        });
}

} // namespace voltmere
