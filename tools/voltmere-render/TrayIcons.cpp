#include "Surface.h"

#include "menubar/view/MenuBarIcon.h"
#include "ui/Theme.h"

#include <QPainter>

namespace voltmere::render {

namespace {

struct Case {
    QString title;
    MenuBarLabel::Content content;
};

std::vector<Case> cases()
{
    const auto text = [](const QString &symbol, const QString &figure) {
        return MenuBarLabel::Content{symbol, figure, false};
    };
    return {
        {QStringLiteral("battery 87%"), text(QString(), QStringLiteral("87%"))},
        {QStringLiteral("battery 87% charging"), text(QStringLiteral("bolt.fill"), QStringLiteral("87%"))},
        {QStringLiteral("battery 8% charging"), text(QStringLiteral("bolt.fill"), QStringLiteral("8%"))},
        {QStringLiteral("battery 100%"), text(QString(), QStringLiteral("100%"))},
        {QStringLiteral("battery 100% charging"), text(QStringLiteral("bolt.fill"), QStringLiteral("100%"))},
        {QStringLiteral("battery: no level"), text(QStringLiteral("powerplug"), QString())},
        {QStringLiteral("cpu 13%"), text(QStringLiteral("cpu"), QStringLiteral(" 13%"))},
        {QStringLiteral("cpu 48%"), text(QStringLiteral("cpu"), QStringLiteral(" 48%"))},
        {QStringLiteral("cpu 100%"), text(QStringLiteral("cpu"), QStringLiteral(" 100%"))},
        {QStringLiteral("cpu: no reading"), text(QStringLiteral("cpu"), QString())},
        {QStringLiteral("icon"), MenuBarLabel::Content{QString(), QString(), true}},
        {QStringLiteral("icon: attention"), text(QStringLiteral("exclamationmark.triangle"), QString())},
    };
}

// Every face at the three panel sizes, pixel for pixel (device pixels, no
// smoothing), as a tray that shows the icon alone draws it, then as a tray
// that writes the label beside the glyph draws them. A 4x enlargement of
// the 16-pixel icon sits at the end of each row, to judge its pixels.
QImage trayIcons(ColorScheme scheme)
{
    const std::vector<Case> all = cases();
    const bool dark = scheme == ColorScheme::dark;
    const QColor panel = dark ? QColor(0x2A, 0x2E, 0x32) : QColor(0xEF, 0xF0, 0xF1);
    const QColor ink = dark ? QColor(0xFC, 0xFC, 0xFC) : QColor(0x23, 0x26, 0x29);
    const int rowHeight = 72;
    const int top = 28;
    const QSize size(1000, top + static_cast<int>(all.size()) * rowHeight + 8);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(panel);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QFont small = Theme::font(10);
    small.setPixelSize(11);
    painter.setFont(small);
    painter.setPen(Theme::muted.resolve(scheme));
    painter.drawText(QPointF(8, 18), QStringLiteral("icon alone: 16, 22, 32 px, 16 px at 4x"));
    painter.drawText(QPointF(560, 18), QStringLiteral("glyph + label: 16, 22, 32 px"));
    int y = top;
    for (const Case &c : all) {
        painter.setPen(Theme::muted.resolve(scheme));
        painter.setFont(small);
        painter.drawText(QRectF(8, y, 150, rowHeight), Qt::AlignVCenter, c.title);
        int x = 160;
        for (bool writesLabel : {false, true}) {
            const MenuBarIcon::Face face = MenuBarIcon::face(c.content, writesLabel);
            for (int pixels : {16, 22, 32}) {
                const QImage icon = MenuBarIcon::render(face, ink, pixels);
                const int iconY = y + (rowHeight - pixels) / 2;
                painter.drawImage(QPoint(x, iconY), icon);
                x += pixels + 6;
                if (writesLabel) {
                    const QString label = MenuBarIcon::labelText(c.content);
                    if (!label.isEmpty()) {
                        QFont panelFont = Theme::font(10);
                        panelFont.setPixelSize(pixels <= 16 ? 11 : (pixels <= 22 ? 13 : 18));
                        painter.setFont(panelFont);
                        painter.setPen(ink);
                        painter.drawText(QRectF(x, y, 60, rowHeight), Qt::AlignVCenter, label);
                        x += QFontMetrics(panelFont).horizontalAdvance(label) + 4;
                    }
                    x += 12;
                }
            }
            if (!writesLabel) {
                const QImage icon = MenuBarIcon::render(face, ink, 16);
                painter.drawImage(QRect(x, y + (rowHeight - 64) / 2, 64, 64), icon.scaled(64, 64));
                x = 560;
            }
        }
        y += rowHeight;
    }
    return image;
}

} // namespace

std::vector<Surface> trayIconSurfaces()
{
    return {{QStringLiteral("tray-icon"), nullptr, trayIcons, {}}};
}

} // namespace voltmere::render
