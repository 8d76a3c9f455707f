#include "ui/TabularText.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace voltmere {

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

qreal digitCell(const QFontMetricsF &metrics)
{
    qreal widest = 0;
    for (char d = '0'; d <= '9'; ++d) {
        widest = std::max(widest, metrics.horizontalAdvance(QLatin1Char(d)));
    }
    return widest;
}

} // namespace

std::vector<TabularText::Piece> TabularText::pieces(const QString &line, const QFont &font, qreal *width)
{
    std::vector<Piece> out;
    const QFontMetricsF metrics(font);
    const qreal cell = digitCell(metrics);
    qreal x = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= line.size(); ++i) {
        const bool digit = i < line.size() && isDigit(line.at(i));
        if (i < line.size() && !digit) {
            continue;
        }
        if (i > start) {
            const QString run = line.mid(start, i - start);
            out.push_back({run, x});
            x += metrics.horizontalAdvance(run);
        }
        if (digit) {
            const QChar c = line.at(i);
            out.push_back({QString(c), x + (cell - metrics.horizontalAdvance(c)) / 2});
            x += cell;
        }
        start = i + 1;
    }
    if (width) {
        *width = x;
    }
    return out;
}

qreal TabularText::width(const QString &line, const QFont &font)
{
    qreal total = 0;
    pieces(line, font, &total);
    return total;
}

void TabularText::draw(QPainter &painter, QPointF origin, const QString &line)
{
    for (const Piece &piece : pieces(line, painter.font())) {
        painter.drawText(origin + QPointF(piece.x, 0), piece.text);
    }
}

} // namespace voltmere
