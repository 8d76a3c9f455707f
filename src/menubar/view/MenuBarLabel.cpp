#include "menubar/view/MenuBarLabel.h"

#include "navigation/URLRouter.h"
#include "navigation/WelcomeGate.h"
#include "preferences/Preferences.h"
#include "ui/AppIcon.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace voltmere {

namespace {

constexpr qreal symbolSize = 16;
constexpr qreal textPixelSize = 14;
constexpr qreal sidePadding = 2;

QFont labelFont()
{
    QFont font = Theme::font(10, QFont::DemiBold);
    font.setPixelSize(static_cast<int>(textPixelSize));
    return font;
}

} // namespace

long long MenuBarLabel::roundedPercent(double value)
{
    return std::llround(value);
}

MenuBarLabel::Content MenuBarLabel::content(MenuBarStyle style, const std::optional<BatteryReading> &battery,
                                            const std::optional<Snapshot> &latest,
                                            const std::optional<Insight> &insight)
{
    switch (style) {
    case MenuBarStyle::battery:
        if (!battery || !battery->level) {
            return {QStringLiteral("powerplug"), QString(), false};
        }
        return {battery->state == ChargingState::charging ? QStringLiteral("bolt.fill") : QString(),
                QString::number(*battery->level) + QLatin1Char('%'), false};
    case MenuBarStyle::cpu:
        if (!latest || !latest->cpuTotal) {
            return {QStringLiteral("cpu"), QString(), false};
        }
        return {QStringLiteral("cpu"), QLatin1Char(' ') + QString::number(roundedPercent(*latest->cpuTotal)) + QLatin1Char('%'),
                false};
    case MenuBarStyle::icon:
        if (insight && insight->severity == Insight::Severity::attention) {
            return {QStringLiteral("exclamationmark.triangle"), QString(), false};
        }
        return {QString(), QString(), true};
    }
    return {};
}

QString MenuBarLabel::spokenDescription(const std::optional<BatteryReading> &battery,
                                        const std::optional<Snapshot> &latest, const std::optional<Insight> &insight)
{
    QStringList parts{QStringLiteral("Voltmere")};
    if (battery && battery->level) {
        parts.append(QStringLiteral("battery %1%").arg(*battery->level));
    }
    if (battery && battery->state) {
        parts.append(label(*battery->state));
    }
    if (latest && latest->cpuTotal) {
        parts.append(QStringLiteral("CPU %1%").arg(roundedPercent(*latest->cpuTotal)));
    }
    if (insight && insight->severity == Insight::Severity::attention) {
        parts.append(insight->text);
    }
    return parts.join(QStringLiteral(", "));
}

QImage MenuBarLabel::render(const Content &content, const QColor &color, qreal devicePixelRatio)
{
    const QFont font = labelFont();
    const QFontMetricsF metrics(font);
    qreal width = 0;
    if (content.templateIcon) {
        width = templateSize;
    } else {
        if (!content.symbol.isEmpty()) {
            width += symbolSize;
        }
        width += metrics.horizontalAdvance(content.text);
    }
    width = std::max<qreal>(height, std::ceil(width + 2 * sidePadding));

    QImage image(QSize(static_cast<int>(std::ceil(width * devicePixelRatio)),
                       static_cast<int>(std::ceil(height * devicePixelRatio))),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);

    if (content.templateIcon) {
        // Tinted like any other monochrome tray icon.
        const QRectF frame((width - templateSize) / 2, (height - templateSize) / 2.0, templateSize, templateSize);
        const QImage glyph = AppIcon::menuBarTemplate(color, devicePixelRatio);
        painter.drawImage(frame, glyph);
        return image;
    }

    const qreal contentWidth = (content.symbol.isEmpty() ? 0 : symbolSize) + metrics.horizontalAdvance(content.text);
    qreal x = (width - contentWidth) / 2;
    if (!content.symbol.isEmpty()) {
        Symbols::paint(painter, QRectF(x, (height - symbolSize) / 2.0, symbolSize, symbolSize), content.symbol, color);
        x += symbolSize;
    }
    if (!content.text.isEmpty()) {
        painter.setFont(font);
        painter.setPen(color);
        // Centre the digits' cap height, not the font box, so figures sit
        // level with the symbol.
        const qreal baseline = height / 2.0 + metrics.capHeight() / 2.0;
        painter.drawText(QPointF(x, baseline), content.text);
    }
    return image;
}

void MenuBarLabel::onDisplay(WindowOpener &opener, const Preferences &prefs)
{
    URLRouter::setOpenWindow(&opener);
    if (WelcomeGate::offered() || !prefs.shouldOfferWelcome()) {
        return;
    }
    WelcomeGate::setOffered(true);
    opener.openWindow(WindowID::welcome);
}

} // namespace voltmere
