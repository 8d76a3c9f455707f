#include "ui/Symbols.h"

#include "ui/Environment.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QPainter>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>

namespace voltmere::Symbols {

namespace {

// Whether Breeze's 16-pixel drawing of a glyph fits `pixels` on whole pixels
// where its usual 22-pixel one does not.
bool onSixteenPixelGrid(int pixels)
{
    return pixels > 0 && pixels % 16 == 0 && pixels % 22 != 0;
}

} // namespace

const std::vector<Entry> &table()
{
    static const std::vector<Entry> entries{
        // Breeze has no plain bolt or diagonal arrow that reads at 9 to 15
        // pixels (its thunderbolt is a port disc, its link a chain): those
        // two are the program's own, drawn from the application icon.
        {QStringLiteral("bolt.fill"), QStringLiteral(":/voltmere/symbols/bolt.svg")},
        {QStringLiteral("powerplug"), QStringLiteral("gtk-connect")},
        {QStringLiteral("powerplug.fill"), QStringLiteral("network-connect")},
        {QStringLiteral("cpu"), QStringLiteral("office-chart-area")},
        {QStringLiteral("exclamationmark.triangle"), QStringLiteral("emblem-warning")},
        {QStringLiteral("exclamationmark.triangle.fill"), QStringLiteral("emblem-warning")},
        {QStringLiteral("sparkle"), QStringLiteral("starred-symbolic")},
        {QStringLiteral("arrow.up.right"), QStringLiteral(":/voltmere/symbols/arrow-up-right.svg")},
        {QStringLiteral("checkmark"), QStringLiteral("checkmark")},
        {QStringLiteral("checkmark.circle"), QStringLiteral("emblem-checked")},
        {QStringLiteral("doc.on.doc"), QStringLiteral("edit-copy")},
        {QStringLiteral("gearshape"), QStringLiteral("configure")},
        {QStringLiteral("gearshape.fill"), QStringLiteral("emblem-system-symbolic")},
        {QStringLiteral("bell"), QStringLiteral("notifications")},
        {QStringLiteral("bell.fill"), QStringLiteral("notifications")},
        {QStringLiteral("bell.slash"), QStringLiteral("notifications-disabled")},
        {QStringLiteral("clock"), QStringLiteral("clock")},
        {QStringLiteral("clock.arrow.circlepath"), QStringLiteral("view-history")},
        {QStringLiteral("info.circle"), QStringLiteral("help-about")},
        {QStringLiteral("ellipsis.circle"), QStringLiteral("overflow-menu")},
        {QStringLiteral("chevron.right"), QStringLiteral("go-next")},
        {QStringLiteral("square.stack.3d.up.fill"), QStringLiteral("dialog-layers")},
        {QStringLiteral("gauge.with.dots.needle.33percent"), QStringLiteral("speedometer")},
        {QStringLiteral("battery.0percent"), QStringLiteral("battery-000")},
        {QStringLiteral("battery.25percent"), QStringLiteral("battery-020")},
        {QStringLiteral("battery.50percent"), QStringLiteral("battery-050")},
        {QStringLiteral("battery.75percent"), QStringLiteral("battery-080")},
        {QStringLiteral("battery.100percent"), QStringLiteral("battery-100")},
        {QStringLiteral("battery.100percent.bolt"), QStringLiteral("battery-full-charging-symbolic")},
    };
    return entries;
}

QStringList themeFolders()
{
    QStringList folders;
    QStringList roots;
    for (const QString &dataDir : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        roots.append(QDir(dataDir).filePath(QStringLiteral("icons")));
    }
    roots.append(QStringLiteral("/usr/share/icons"));
    for (const QString &root : roots) {
        const QString breeze = QDir(root).filePath(QStringLiteral("breeze"));
        if (QFileInfo(breeze).isDir() && !folders.contains(breeze)) {
            folders.append(breeze);
        }
    }
    return folders;
}

QString iconFile(const QString &iconName, int pixels)
{
    if (iconName.startsWith(QLatin1String(":/"))) {
        return QFileInfo::exists(iconName) ? iconName : QString();
    }
    // Breeze draws the small sizes as monochrome glyphs; 22 is its native
    // size for toolbar and status icons.
    static const QStringList byDefault{QStringLiteral("22"), QStringLiteral("24"), QStringLiteral("16"),
                                       QStringLiteral("32"), QStringLiteral("symbolic")};
    static const QStringList sixteenFirst{QStringLiteral("16"), QStringLiteral("22"), QStringLiteral("24"),
                                          QStringLiteral("32"), QStringLiteral("symbolic")};
    const QStringList &sizes = onSixteenPixelGrid(pixels) ? sixteenFirst : byDefault;
    static const QStringList contexts{QStringLiteral("actions"), QStringLiteral("status"),
                                      QStringLiteral("devices"), QStringLiteral("preferences"),
                                      QStringLiteral("emblems"),  QStringLiteral("places")};
    for (const QString &theme : themeFolders()) {
        for (const QString &size : sizes) {
            for (const QString &context : contexts) {
                for (const QString &name : {iconName, iconName + QStringLiteral("-symbolic")}) {
                    const QString path = QStringLiteral("%1/%2/%3/%4.svg").arg(theme, context, size, name);
                    if (QFileInfo::exists(path)) {
                        return path;
                    }
                }
            }
        }
    }
    return {};
}

QIcon icon(const QString &symbol, int pixels)
{
    // Keyed by the grid the file is chosen for, which is all `pixels` decides.
    static QHash<QString, QIcon> cache;
    const QString key = onSixteenPixelGrid(pixels) ? symbol + QStringLiteral("@16") : symbol;
    const auto cached = cache.constFind(key);
    if (cached != cache.constEnd()) {
        return *cached;
    }
    QIcon found;
    for (const Entry &entry : table()) {
        if (entry.symbol == symbol) {
            // Read from Breeze's own folders rather than through the desktop's
            // theme, which may lack these names or draw them in colour, and
            // which Qt does not find at all on the offscreen platform.
            const QString path = iconFile(entry.iconName, pixels);
            if (!path.isEmpty()) {
                found = QIcon(path);
            }
            break;
        }
    }
    cache.insert(key, found);
    return found;
}

QImage knockOutWhite(const QImage &icon)
{
    QImage image = icon.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = line[x];
            const double luminance = 0.299 * qRed(p) + 0.587 * qGreen(p) + 0.114 * qBlue(p);
            // Fades from opaque at 180 to gone at 235, so anti-aliased edges
            // of the light detail stay smooth.
            const double keep = std::clamp((235.0 - luminance) / (235.0 - 180.0), 0.0, 1.0);
            line[x] = qRgba(qRed(p), qGreen(p), qBlue(p), static_cast<int>(std::lround(qAlpha(p) * keep)));
        }
    }
    return image;
}

QPixmap pixmap(const QString &symbol, int size, const QColor &color, qreal devicePixelRatio)
{
    const int pixels = std::max(1, static_cast<int>(std::ceil(size * devicePixelRatio)));
    QPixmap tinted(pixels, pixels);
    tinted.setDevicePixelRatio(devicePixelRatio);
    tinted.fill(Qt::transparent);
    const QIcon source = icon(symbol, pixels);
    if (source.isNull()) {
        return tinted;
    }
    QPainter painter(&tinted);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QImage mask = knockOutWhite(source.pixmap(QSize(size, size), devicePixelRatio).toImage());
    painter.drawImage(QRectF(0, 0, size, size), mask, QRectF(mask.rect()));
    // Keep the icon's shape and coverage, replace its colours.
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRectF(0, 0, size, size), color);
    return tinted;
}

void paint(QPainter &painter, const QRectF &rect, const QString &symbol, const QColor &color)
{
    const qreal side = std::min(rect.width(), rect.height());
    const qreal dpr = Environment::pixelRatio(painter);
    const QPixmap glyph = pixmap(symbol, static_cast<int>(std::round(side)), color, dpr);
    const QRectF target(rect.center().x() - side / 2, rect.center().y() - side / 2, side, side);
    painter.drawPixmap(target, glyph, QRectF(glyph.rect()));
}

} // namespace voltmere::Symbols
