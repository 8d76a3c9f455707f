#include "menubar/view/MenuBarIcon.h"

#include "model/BatteryReading.h"
#include "ui/AppIcon.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace voltmere {

namespace {

const QString cpuSymbol = QStringLiteral("cpu");
const QString boltSymbol = QStringLiteral("bolt.fill");
const QString triangleSymbol = QStringLiteral("exclamationmark.triangle");

// The figure of a label's text (" 13%", "87%"), absent when it has none.
std::optional<int> figure(const MenuBarLabel::Content &content)
{
    QString digits = content.text.trimmed();
    digits.chop(digits.endsWith(QLatin1Char('%')) ? 1 : 0);
    bool ok = false;
    const int value = digits.toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

// The battery glyph nearest a charge level, as the panel's power tile draws it.
QString batterySymbol(int level)
{
    BatteryReading reading;
    reading.level = level;
    return reading.symbolName();
}

// `digits` filling `box` as tall as it is: bold figures, narrowed only as far
// as the box's width needs. Whole-pixel top and bottom keep the figures crisp.
void paintDigits(QPainter &painter, const QString &digits, const QRectF &box, const QColor &ink)
{
    QPainterPath path;
    path.addText(0, 0, Theme::font(48, QFont::Bold), digits);
    const QRectF drawn = path.boundingRect();
    if (drawn.isEmpty()) {
        return;
    }
    const QRectF target(box.left(), std::round(box.top()), box.width(), std::round(box.bottom()) - std::round(box.top()));
    const qreal scaleY = target.height() / drawn.height();
    const qreal scaleX = std::min(scaleY, target.width() / drawn.width());
    const qreal width = drawn.width() * scaleX;
    QTransform fit;
    fit.translate(target.center().x() - width / 2, target.top());
    fit.scale(scaleX, scaleY);
    fit.translate(-drawn.left(), -drawn.top());
    painter.fillPath(fit.map(path), ink);
}

// The bolt, as tall as `box` and centred in it. Its drawing is square with
// the bolt 0.6 of it wide, so the box need only be that wide.
void paintBolt(QPainter &painter, const QRectF &box, const QColor &ink)
{
    const qreal side = box.height();
    Symbols::paint(painter, QRectF(std::round(box.center().x() - side / 2), box.top(), side, side), boltSymbol, ink);
}

// A length near `wanted` that centres in `pixels` on whole pixels.
int wholePixelsCentred(int pixels, qreal wanted)
{
    const int length = static_cast<int>(std::lround(wanted));
    return (pixels - length) % 2 == 0 ? length : length + 1;
}

} // namespace

const std::vector<int> &MenuBarIcon::sizes()
{
    static const std::vector<int> all{16, 22, 24, 32, 44, 48, 64};
    return all;
}

MenuBarIcon::Face MenuBarIcon::face(const MenuBarLabel::Content &content, bool trayWritesLabel)
{
    if (content.templateIcon) {
        return {Face::Kind::templateGlyph, 0, false, QString()};
    }
    const std::optional<int> value = figure(content);
    if (!value) {
        return {Face::Kind::symbol, 0, false, content.symbol};
    }
    const bool cpu = content.symbol == cpuSymbol;
    const bool bolt = content.symbol == boltSymbol;
    if (trayWritesLabel) {
        // The tray writes the figure; the icon says what it is a figure of.
        return {Face::Kind::symbol, 0, false, cpu ? cpuSymbol : (bolt ? boltSymbol : batterySymbol(*value))};
    }
    if (*value >= 100) {
        return {Face::Kind::full, 100, bolt, QString()};
    }
    return {Face::Kind::number, std::max(0, *value), bolt, QString()};
}

QString MenuBarIcon::labelText(const MenuBarLabel::Content &content)
{
    return figure(content) ? content.text.trimmed() : QString();
}

QString MenuBarIcon::labelGuide(const MenuBarLabel::Content &content)
{
    return figure(content) ? QStringLiteral("100%") : QString();
}

bool MenuBarIcon::needsAttention(const MenuBarLabel::Content &content)
{
    return content.symbol == triangleSymbol;
}

QImage MenuBarIcon::render(const Face &face, const QColor &ink, int pixels)
{
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    const qreal size = pixels;

    switch (face.kind) {
    case Face::Kind::templateGlyph:
        painter.drawImage(QRectF(0, 0, size, size), AppIcon::menuBarTemplate(ink, size / MenuBarLabel::templateSize));
        break;
    case Face::Kind::symbol:
        Symbols::paint(painter, QRectF(0, 0, size, size), face.symbol, ink);
        break;
    case Face::Kind::full: {
        // The program's glyph is an open ring; full, it closes.
        const qreal stroke = std::max<qreal>(1.5, size * 0.12);
        painter.setPen(QPen(ink, stroke));
        painter.setBrush(Qt::NoBrush);
        const qreal inset = stroke / 2 + size * 0.03;
        painter.drawEllipse(QRectF(inset, inset, size - 2 * inset, size - 2 * inset));
        if (face.bolt) {
            const qreal side = size * 0.56;
            paintBolt(painter, QRectF((size - side) / 2, (size - side) / 2, side, side), ink);
        } else {
            const qreal dot = size * 0.36;
            painter.setPen(Qt::NoPen);
            painter.setBrush(ink);
            painter.drawEllipse(QRectF((size - dot) / 2, (size - dot) / 2, dot, dot));
        }
        break;
    }
    case Face::Kind::number: {
        const QString digits = QString::number(face.number);
        if (face.bolt) {
            // The bolt beside the digits, a little shorter than them so the
            // digits keep the height they need; whole pixels, so its point
            // and tail stay sharp at 16 pixels.
            const int bolt = wholePixelsCentred(pixels, size * 0.6);
            const qreal column = std::ceil(bolt * 0.6);
            paintBolt(painter, QRectF(0, (pixels - bolt) / 2, column, bolt), ink);
            const qreal gap = std::max<qreal>(1, std::round(size * 0.04));
            paintDigits(painter, digits, QRectF(column + gap, size * 0.18, size - column - gap, size * 0.64), ink);
        } else {
            paintDigits(painter, digits, QRectF(0, size * 0.13, size, size * 0.74), ink);
        }
        break;
    }
    }
    painter.end();
    return image;
}

} // namespace voltmere
