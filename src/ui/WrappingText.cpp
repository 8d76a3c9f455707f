#include "ui/WrappingText.h"

#include "ui/Environment.h"
#include "ui/TabularText.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace voltmere {

namespace {

constexpr int wrapFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

} // namespace

WrappingText::WrappingText(const QFont &font, const ThemeColor &color, QWidget *parent)
    : QWidget(parent)
    , m_font(font)
    , m_color(color)
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void WrappingText::setText(const QString &text)
{
    if (m_text == text) {
        return;
    }
    m_text = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

void WrappingText::setColor(const ThemeColor &color)
{
    if (m_color == color) {
        return;
    }
    m_color = color;
    update();
}

void WrappingText::setMonospacedDigits(bool monospaced)
{
    if (m_monospacedDigits == monospaced) {
        return;
    }
    m_monospacedDigits = monospaced;
    updateGeometry();
    update();
}

QStringList WrappingText::tabularLines(qreal width) const
{
    QStringList lines;
    QString line;
    for (const QString &word : m_text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (!line.isEmpty() && TabularText::width(longer, m_font) > width) {
            lines.append(line);
            line = word;
        } else {
            line = longer;
        }
    }
    if (!line.isEmpty()) {
        lines.append(line);
    }
    return lines;
}

int WrappingText::heightForWidth(int width) const
{
    const QFontMetricsF metrics(m_font);
    if (m_monospacedDigits) {
        const auto count = std::max<qsizetype>(tabularLines(std::max(width, 1)).size(), 1);
        return static_cast<int>(std::ceil(count * metrics.height()));
    }
    const QRectF bounds = metrics.boundingRect(QRectF(0, 0, std::max(width, 1), 1e6), wrapFlags, m_text);
    return static_cast<int>(std::ceil(std::max(bounds.height(), metrics.height())));
}

QSize WrappingText::sizeHint() const
{
    // Asks for a comfortable line length; the layout decides the real width.
    const QFontMetricsF metrics(m_font);
    const qreal whole = m_monospacedDigits ? TabularText::width(m_text, m_font) : metrics.horizontalAdvance(m_text);
    const int width = static_cast<int>(std::ceil(std::min(whole + 1, 320.0)));
    return {width, heightForWidth(width)};
}

QSize WrappingText::minimumSizeHint() const
{
    const QFontMetricsF metrics(m_font);
    return {40, static_cast<int>(std::ceil(metrics.height()))};
}

void WrappingText::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(m_font);
    painter.setPen(m_color.resolve(Environment::colorScheme(this)));
    if (!m_monospacedDigits) {
        painter.drawText(QRectF(rect()), wrapFlags, m_text);
        return;
    }
    const QFontMetricsF metrics(m_font);
    qreal baseline = metrics.ascent();
    for (const QString &line : tabularLines(width())) {
        TabularText::draw(painter, QPointF(0, baseline), line);
        baseline += metrics.height();
    }
}

} // namespace voltmere
