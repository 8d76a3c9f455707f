#include "dashboard/Symbols.h"

#include <QDir>
#include <QPainter>
#include <QStandardPaths>

#include <cmath>

namespace voltmere::Symbols {

const std::vector<Entry> &table()
{
    static const std::vector<Entry> entries{
        {QStringLiteral("bolt.fill"), QStringLiteral("flash")},
        {QStringLiteral("powerplug"), QStringLiteral("preferences-system-power-management")},
        {QStringLiteral("powerplug.fill"), QStringLiteral("preferences-system-power-management")},
        {QStringLiteral("cpu"), QStringLiteral("preferences-devices-cpu")},
        {QStringLiteral("exclamationmark.triangle"), QStringLiteral("data-warning")},
        {QStringLiteral("exclamationmark.triangle.fill"), QStringLiteral("dialog-warning")},
        {QStringLiteral("sparkle"), QStringLiteral("games-hint")},
        {QStringLiteral("arrow.up.right"), QStringLiteral("gnumeric-link-external")},
        {QStringLiteral("checkmark"), QStringLiteral("checkmark")},
        {QStringLiteral("checkmark.circle"), QStringLiteral("emblem-checked")},
        {QStringLiteral("doc.on.doc"), QStringLiteral("edit-copy")},
        {QStringLiteral("gearshape"), QStringLiteral("configure")},
        {QStringLiteral("gearshape.fill"), QStringLiteral("gearhead-shape")},
        {QStringLiteral("bell"), QStringLiteral("notifications")},
        {QStringLiteral("bell.fill"), QStringLiteral("notifications")},
        {QStringLiteral("bell.slash"), QStringLiteral("notifications-disabled")},
        {QStringLiteral("clock"), QStringLiteral("clock")},
        {QStringLiteral("clock.arrow.circlepath"), QStringLiteral("view-history")},
        {QStringLiteral("info.circle"), QStringLiteral("help-about")},
        {QStringLiteral("ellipsis.circle"), QStringLiteral("overflow-menu")},
        {QStringLiteral("chevron.right"), QStringLiteral("go-next")},
        {QStringLiteral("square.stack.3d.up.fill"), QStringLiteral("edit-select-all-layers")},
        {QStringLiteral("gauge.with.dots.needle.33percent"), QStringLiteral("speedometer")},
        {QStringLiteral("battery.0percent"), QStringLiteral("battery-000")},
        {QStringLiteral("battery.25percent"), QStringLiteral("battery-020")},
        {QStringLiteral("battery.50percent"), QStringLiteral("battery-050")},
        {QStringLiteral("battery.75percent"), QStringLiteral("battery-080")},
        {QStringLiteral("battery.100percent"), QStringLiteral("battery-100")},
        {QStringLiteral("battery.100percent.bolt"), QStringLiteral("battery-100-charging")},
    };
    return entries;
}

void ensureTheme()
{
    static const bool done = [] {
        QStringList paths = QIcon::themeSearchPaths();
        for (const QString &dataDir : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
            const QString icons = QDir(dataDir).filePath(QStringLiteral("icons"));
            if (!paths.contains(icons)) {
                paths.append(icons);
            }
        }
        if (!paths.contains(QStringLiteral("/usr/share/icons"))) {
            paths.append(QStringLiteral("/usr/share/icons"));
        }
        QIcon::setThemeSearchPaths(paths);
        // The desktop's own theme may lack these names or draw them in
        // colour; the symbols are always Breeze's monochrome set.
        QIcon::setFallbackThemeName(QStringLiteral("breeze"));
        return true;
    }();
    Q_UNUSED(done);
}

QIcon icon(const QString &symbol)
{
    ensureTheme();
    for (const Entry &entry : table()) {
        if (entry.symbol == symbol) {
            // Asked of Breeze itself rather than the desktop's theme, so every
            // machine draws the same glyph.
            const QString saved = QIcon::themeName();
            QIcon::setThemeName(QStringLiteral("breeze"));
            QIcon found = QIcon::fromTheme(entry.iconName);
            QIcon::setThemeName(saved);
            return found;
        }
    }
    return {};
}

QPixmap pixmap(const QString &symbol, int size, const QColor &color, qreal devicePixelRatio)
{
    const int pixels = std::max(1, static_cast<int>(std::ceil(size * devicePixelRatio)));
    QPixmap tinted(pixels, pixels);
    tinted.setDevicePixelRatio(devicePixelRatio);
    tinted.fill(Qt::transparent);
    const QIcon source = icon(symbol);
    if (source.isNull()) {
        return tinted;
    }
    QPainter painter(&tinted);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QPixmap mask = source.pixmap(QSize(size, size), devicePixelRatio);
    painter.drawPixmap(QRectF(0, 0, size, size), mask, QRectF(mask.rect()));
    // Keep the icon's shape and coverage, replace its colours.
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRectF(0, 0, size, size), color);
    return tinted;
}

void paint(QPainter &painter, const QRectF &rect, const QString &symbol, const QColor &color)
{
    const qreal side = std::min(rect.width(), rect.height());
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QPixmap glyph = pixmap(symbol, static_cast<int>(std::round(side)), color, dpr);
    const QRectF target(rect.center().x() - side / 2, rect.center().y() - side / 2, side, side);
    painter.drawPixmap(target, glyph, QRectF(glyph.rect()));
}

} // namespace voltmere::Symbols
