#include "ui/WrappingText.h"

#include "ui/Environment.h"

#include <QFontMetricsF>
#include <QPainter>

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

int WrappingText::heightForWidth(int width) const
{
    const QFontMetricsF metrics(m_font);
    const QRectF bounds = metrics.boundingRect(QRectF(0, 0, std::max(width, 1), 1e6), wrapFlags, m_text);
    return static_cast<int>(std::ceil(std::max(bounds.height(), metrics.height())));
}

QSize WrappingText::sizeHint() const
{
    // Asks for a comfortable line length; the layout decides the real width.
    const QFontMetricsF metrics(m_font);
    const int width = static_cast<int>(std::ceil(std::min(metrics.horizontalAdvance(m_text) + 1, 320.0)));
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
    painter.drawText(QRectF(rect()), wrapFlags, m_text);
}

} // namespace voltmere
