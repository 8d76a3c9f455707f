#include "Surface.h"

#include "menubar/view/MenuBarLabel.h"
#include "ui/Theme.h"

#include <QPainter>

namespace voltmere::render {

namespace {

struct Case {
    QString title;
    MenuBarStyle style;
    std::optional<BatteryReading> battery;
    std::optional<Snapshot> latest;
    std::optional<Insight> insight;
};

BatteryReading reading(std::optional<int> level, std::optional<ChargingState> state)
{
    BatteryReading r;
    r.level = level;
    r.state = state;
    r.isPluggedIn = state && *state != ChargingState::onBattery;
    return r;
}

Snapshot cpu(std::optional<double> total)
{
    Snapshot s;
    s.cpuTotal = total;
    return s;
}

std::vector<Case> cases()
{
    const Insight attention{QStringLiteral("CPU has been above 85% for 2 minutes."), Insight::Severity::attention,
                            DashboardSection::overview, std::nullopt};
    const Insight info{QStringLiteral("Charging is holding at 80%."), Insight::Severity::info,
                       DashboardSection::battery, std::nullopt};
    return {
        {QStringLiteral("battery 87% on battery"), MenuBarStyle::battery, reading(87, ChargingState::onBattery),
         cpu(12.5), std::nullopt},
        {QStringLiteral("battery 87% charging"), MenuBarStyle::battery, reading(87, ChargingState::charging),
         cpu(12.5), std::nullopt},
        {QStringLiteral("battery 100% fully charged"), MenuBarStyle::battery,
         reading(100, ChargingState::fullyCharged), cpu(3), std::nullopt},
        {QStringLiteral("battery 8% charging"), MenuBarStyle::battery, reading(8, ChargingState::charging), cpu(3),
         std::nullopt},
        {QStringLiteral("battery: no level"), MenuBarStyle::battery, reading(std::nullopt, ChargingState::charging),
         cpu(3), std::nullopt},
        {QStringLiteral("battery: no battery"), MenuBarStyle::battery, std::nullopt, cpu(3), std::nullopt},
        {QStringLiteral("cpu 12.5"), MenuBarStyle::cpu, reading(87, ChargingState::onBattery), cpu(12.5),
         std::nullopt},
        {QStringLiteral("cpu 100"), MenuBarStyle::cpu, std::nullopt, cpu(100), std::nullopt},
        {QStringLiteral("cpu: no reading"), MenuBarStyle::cpu, std::nullopt, std::nullopt, std::nullopt},
        {QStringLiteral("icon"), MenuBarStyle::icon, reading(87, ChargingState::onBattery), cpu(12.5), info},
        {QStringLiteral("icon: attention"), MenuBarStyle::icon, reading(87, ChargingState::onBattery), cpu(97),
         attention},
    };
}

// The labels on a strip coloured like a desktop panel, each with its spoken
// description beside it, so the text and the picture are checked together.
QImage trayLabels(ColorScheme scheme)
{
    const std::vector<Case> all = cases();
    const int rowHeight = 34;
    const QSize size(1000, static_cast<int>(all.size()) * rowHeight + 16);
    const qreal dpr = 2;
    QImage image(size * dpr, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    const bool dark = scheme == ColorScheme::dark;
    image.fill(dark ? QColor(0x20, 0x23, 0x26) : QColor(0xEF, 0xF0, 0xF1));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QColor ink = Theme::text.resolve(scheme);
    int y = 8;
    for (const Case &c : all) {
        const MenuBarLabel::Content content = MenuBarLabel::content(c.style, c.battery, c.latest, c.insight);
        const QImage label = MenuBarLabel::render(content, ink, dpr);
        painter.setPen(Theme::muted.resolve(scheme));
        painter.setFont(Theme::font(10));
        painter.drawText(QRectF(8, y, 170, rowHeight), Qt::AlignVCenter, c.title);
        // The panel strip the label sits on, with a guide of its 22-point height.
        const QRectF slot(180, y + (rowHeight - MenuBarLabel::height) / 2.0, 110, MenuBarLabel::height);
        painter.fillRect(slot, dark ? QColor(0x31, 0x36, 0x3B) : QColor(0xDE, 0xE0, 0xE2));
        painter.drawImage(QPointF(slot.x() + 4, slot.y()), label);
        painter.drawText(QRectF(300, y, 690, rowHeight), Qt::AlignVCenter,
                         MenuBarLabel::spokenDescription(c.battery, c.latest, c.insight));
        y += rowHeight;
    }
    return image;
}

} // namespace

std::vector<Surface> trayLabelSurfaces()
{
    return {{QStringLiteral("tray-label"), nullptr, trayLabels, {}}};
}

} // namespace voltmere::render
