#include "menubar/view/PanelTiles.h"
#include "platform/PlatformText.h"

#include "menubar/view/PanelText.h"
#include "model/Format.h"
#include "monitor/SnapshotSeries.h"
#include "ui/AttentionDot.h"
#include "ui/ChargeRing.h"
#include "ui/Environment.h"
#include "ui/HeroNumber.h"
#include "ui/ProcessIconView.h"
#include "ui/SectionLabel.h"
#include "ui/SegmentGauge.h"
#include "ui/SymbolView.h"
#include "ui/TextComponent.h"
#include "ui/Theme.h"
#include "ui/TimeSeriesChart.h"
#include "ui/Unavailable.h"
#include "ui/WrappingText.h"

#include <QFontMetricsF>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QResizeEvent>
#include <QVBoxLayout>

#include <cmath>

namespace voltmere {

// ---------------------------------------------------------------- PowerTile

PowerTile::PowerTile(QWidget *parent)
    : QWidget(parent)
{
    // One page shows at a time; hidden pages take no room, so the tile is as
    // tall as the page it shows.
    auto *pages = new QVBoxLayout(this);
    pages->setContentsMargins(0, 0, 0, 0);

    m_waiting = new QWidget;
    auto *waitingLayout = new QVBoxLayout(m_waiting);
    waitingLayout->setContentsMargins(0, 0, 0, 0);
    waitingLayout->addWidget(PanelText::make(QStringLiteral("Reading battery…"), Theme::font(12), Theme::muted));
    pages->addWidget(m_waiting);

    m_noBattery = new QWidget;
    auto *noBatteryLayout = new QVBoxLayout(m_noBattery);
    noBatteryLayout->setContentsMargins(0, 0, 0, 0);
    noBatteryLayout->setSpacing(5);
    noBatteryLayout->addWidget(new SectionLabel(QStringLiteral("Power")));
    noBatteryLayout->addWidget(
        PanelText::make(QStringLiteral("Power adapter"), Theme::font(18, QFont::DemiBold), Theme::text));
    noBatteryLayout->addWidget(
        PanelText::make(PlatformText::say(PlatformText::Name::noInternalBattery), Theme::font(12), Theme::muted));
    pages->addWidget(m_noBattery);

    m_reading = new QWidget;
    auto *readingLayout = new QHBoxLayout(m_reading);
    readingLayout->setContentsMargins(0, 0, 0, 0);
    // The ring's widget reaches past the ring for its glow.
    readingLayout->setSpacing(16 - static_cast<int>(ChargeRing::haloMargin));
    m_ring = new ChargeRing(ringSize, ringLineWidth, Theme::mint);
    auto *centre = new QWidget;
    auto *centreLayout = new QHBoxLayout(centre);
    centreLayout->setContentsMargins(0, 0, 0, 0);
    centreLayout->setSpacing(0);
    m_levelBox = new QWidget;
    auto *levelLayout = new QHBoxLayout(m_levelBox);
    levelLayout->setContentsMargins(0, 0, 0, 0);
    levelLayout->setSpacing(0);
    m_level = new HeroNumber(figureSize, Theme::text);
    // The sign follows the last digit; the component's spare pixel goes before the figure.
    m_level->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    levelLayout->addWidget(m_level, 0, Qt::AlignBottom);
    const QFont percentFont = Theme::font(11, QFont::DemiBold);
    m_percent = PanelText::make(QStringLiteral("%"), percentFont, Theme::muted);
    // The ring reads out the level with its unit.
    Environment::hideFromAccessibility(m_percent);
    m_percentBox = PanelText::onBaselineOf(m_percent, m_level->textFont(), percentFont);
    levelLayout->addWidget(m_percentBox, 0, Qt::AlignBottom);
    centreLayout->addWidget(m_levelBox);
    m_levelUnavailable = new Unavailable(PlatformText::say(PlatformText::Name::chargeLevelUnavailable), 12);
    centreLayout->addWidget(m_levelUnavailable);
    m_ring->setCenter(centre);
    readingLayout->addWidget(m_ring, 0, Qt::AlignVCenter);

    auto *details = new QVBoxLayout;
    details->setContentsMargins(0, 0, 0, 0);
    details->setSpacing(5);
    // Centred beside the ring by stretches, not by alignment: an aligned
    // item would keep its preferred height and clip wrapped lines.
    details->addStretch();
    details->addWidget(new SectionLabel(QStringLiteral("Power")));
    auto *stateRow = new QHBoxLayout;
    stateRow->setSpacing(6);
    m_stateSymbol = new SymbolView(QStringLiteral("battery.75percent"), 15, Theme::text);
    // As tall as the first line of the state, so the glyph sits beside it.
    m_stateSymbol->setFixedSize(15, static_cast<int>(std::ceil(QFontMetricsF(Theme::font(15, QFont::DemiBold)).height())));
    // Long states and details wrap rather than run out of the tile.
    m_stateText = new WrappingText(Theme::font(15, QFont::DemiBold), Theme::text);
    stateRow->addWidget(m_stateSymbol, 0, Qt::AlignTop);
    stateRow->addWidget(m_stateText, 1);
    details->addLayout(stateRow);
    m_detail = new WrappingText(Theme::font(12), Theme::muted);
    m_detail->setMonospacedDigits(true);
    details->addWidget(m_detail);
    m_reminder = new WrappingText(Theme::font(11), Theme::muted);
    m_reminder->setMonospacedDigits(true);
    details->addWidget(m_reminder);
    details->addStretch();
    readingLayout->addLayout(details, 1);
    pages->addWidget(m_reading);

    showOnly(m_waiting);
}

void PowerTile::showOnly(QWidget *page)
{
    for (QWidget *candidate : {m_waiting, m_noBattery, m_reading}) {
        candidate->setVisible(candidate == page);
    }
}

void PowerTile::fitLevel(const QString &digits)
{
    // The figure's box (digits and sign, cap height tall, centred) must stay
    // clear of the stroke: two digits at the full size reach it, "100" would
    // cross it.
    const qreal room = (ringSize - 2 * ringLineWidth) / 2 - figureClearance;
    qreal size = figureSize;
    for (;; size -= 0.5) {
        m_level->setSize(size);
        const qreal width = m_level->lineWidth(digits) + m_percent->lineWidth(m_percent->text());
        const qreal height = QFontMetricsF(m_level->textFont()).capHeight();
        if (std::hypot(width / 2, height / 2) <= room || size <= 12) {
            break;
        }
    }
    PanelText::alignBaseline(m_percentBox, m_level->textFont(), m_percent->textFont());
}

PowerTile::Mode PowerTile::mode(const std::optional<BatteryReading> &battery, bool hasBattery)
{
    if (battery) {
        return Mode::reading;
    }
    return hasBattery ? Mode::waiting : Mode::noBattery;
}

PowerTile::StateLine PowerTile::stateLine(const BatteryReading &battery)
{
    const QString plugSymbol =
        battery.isPluggedIn ? QStringLiteral("powerplug.fill") : QStringLiteral("battery.75percent");
    if (!battery.state) {
        return {plugSymbol, battery.isPluggedIn ? QStringLiteral("Power adapter") : QStringLiteral("On battery"), false};
    }
    switch (*battery.state) {
    case ChargingState::charging:
        return {QStringLiteral("bolt.fill"), QStringLiteral("Charging"), true};
    case ChargingState::pluggedNotCharging:
        return {plugSymbol, QStringLiteral("Plugged in, not charging"), false};
    case ChargingState::fullyCharged:
        return {plugSymbol, QStringLiteral("Fully charged"), false};
    case ChargingState::onBattery:
        return {plugSymbol, QStringLiteral("On battery"), false};
    }
    return {plugSymbol, QStringLiteral("On battery"), false};
}

std::optional<QString> PowerTile::detailLine(const BatteryReading &battery)
{
    QStringList parts;
    if (battery.adapterWatts) {
        parts.append(QString::number(*battery.adapterWatts) + QStringLiteral(" W adapter"));
    }
    if (const std::optional<QString> toFull = Format::duration(battery.timeToFullMinutes)) {
        parts.append(*toFull + QStringLiteral(" to full"));
    }
    if (const std::optional<QString> left = Format::duration(battery.timeToEmptyMinutes)) {
        parts.append(*left + QStringLiteral(" left"));
    }
    if (parts.isEmpty()) {
        return std::nullopt;
    }
    return parts.join(QStringLiteral(" · "));
}

QString PowerTile::reminderLine(int target)
{
    return QStringLiteral("Reminder at ") + QString::asprintf("%lld", static_cast<long long>(target)) +
           QStringLiteral("% (tick on ring)");
}

void PowerTile::set(const std::optional<BatteryReading> &battery, bool hasBattery, std::optional<int> reminderTarget)
{
    m_mode = mode(battery, hasBattery);
    switch (m_mode) {
    case Mode::waiting:
        showOnly(m_waiting);
        return;
    case Mode::noBattery:
        showOnly(m_noBattery);
        return;
    case Mode::reading:
        break;
    }
    showOnly(m_reading);
    const BatteryReading &reading = *battery;
    const std::optional<double> level =
        reading.level ? std::optional<double>(static_cast<double>(*reading.level)) : std::nullopt;
    const bool charging = reading.state == ChargingState::charging;
    m_ring->setLevel(level);
    m_ring->setCharging(charging);
    m_ring->setTarget(reminderTarget);
    m_levelBox->setVisible(level.has_value());
    m_levelUnavailable->setVisible(!level);
    if (reading.level) {
        const QString digits = QString::number(*reading.level);
        if (digits != m_level->text()) {
            fitLevel(digits);
        }
        m_level->setValue(level, digits);
    }
    m_ring->recenter();

    const StateLine state = stateLine(reading);
    const ThemeColor stateColor = state.charging ? Theme::mint : Theme::text;
    m_stateSymbol->setSymbol(state.symbol);
    m_stateSymbol->setColor(stateColor);
    m_stateText->setText(state.text);
    m_stateText->setColor(stateColor);
    const std::optional<QString> detail = detailLine(reading);
    m_detail->setVisible(detail.has_value());
    m_detail->setText(detail.value_or(QString()));
    m_reminder->setVisible(reminderTarget.has_value());
    m_reminder->setText(reminderTarget ? reminderLine(*reminderTarget) : QString());
}

// ------------------------------------------------------------------ CPUTile

CPUTile::CPUTile(const Clock &clock, QWidget *parent)
    : QWidget(parent)
    , m_clock(clock)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);

    auto *header = new QHBoxLayout;
    header->setContentsMargins(0, 0, 0, 0);
    header->addWidget(new SectionLabel(QStringLiteral("CPU · last 60 s")), 0, Qt::AlignVCenter);
    header->addStretch();
    m_topBox = new QWidget;
    auto *topLayout = new QHBoxLayout(m_topBox);
    // Keeps clear of the hover arrow in the tile's corner.
    topLayout->setContentsMargins(0, 0, 14, 0);
    topLayout->setSpacing(5);
    m_topIcon = new ProcessIconView(13);
    m_topText = PanelText::makeElided(Theme::font(11), Theme::muted);
    topLayout->addWidget(m_topIcon, 0, Qt::AlignVCenter);
    topLayout->addWidget(m_topText, 0, Qt::AlignVCenter);
    header->addWidget(m_topBox, 0, Qt::AlignVCenter);
    layout->addLayout(header);

    auto *chartArea = new QWidget;
    auto *grid = new QGridLayout(chartArea);
    grid->setContentsMargins(0, 0, 0, 0);
    auto *chartBox = new QWidget;
    auto *chartLayout = new QVBoxLayout(chartBox);
    chartLayout->setContentsMargins(0, 8, 0, 0);
    m_chart = new TimeSeriesChart;
    m_chart->setTitle(QStringLiteral("CPU, last minute"));
    m_chart->setYDomain(TimeSeriesChart::ValueRange{0, 100});
    m_chart->setChartHeight(58);
    m_chart->setShowsAxes(false);
    m_chart->setFills(true);
    m_chart->setMarksNow(true);
    m_chart->setClock(clock);
    m_chart->setFormat(readout);
    // A glance, not an inspector: the pointer belongs to the tile.
    m_chart->setAttribute(Qt::WA_TransparentForMouseEvents);
    chartLayout->addWidget(m_chart);
    grid->addWidget(chartBox, 0, 0);
    m_hero = new HeroNumber(34, Theme::text);
    m_hero->setAttribute(Qt::WA_TransparentForMouseEvents);
    grid->addWidget(m_hero, 0, 0, Qt::AlignTop | Qt::AlignLeft);
    // Not mouse-transparent: hovering it shows the reason.
    m_unavailable = new Unavailable(unavailableReason, 18);
    grid->addWidget(m_unavailable, 0, 0, Qt::AlignTop | Qt::AlignLeft);
    layout->addWidget(chartArea);

    auto *caption = new QHBoxLayout;
    caption->setContentsMargins(0, 0, 0, 0);
    caption->addWidget(PanelText::make(QStringLiteral("60 s ago"), Theme::font(10), Theme::muted));
    caption->addStretch();
    // The processor's temperature joins the caption where there is one: out
    // of the chart's way, and never taking room from the busiest process.
    m_caption = PanelText::make(captionText(std::nullopt), Theme::font(10), Theme::muted);
    caption->addWidget(m_caption);
    caption->addStretch();
    caption->addWidget(PanelText::make(QStringLiteral("now"), Theme::font(10), Theme::muted));
    layout->addLayout(caption);
}

std::vector<ChartPoint> CPUTile::chartPoints(const std::vector<Snapshot> &snapshots)
{
    return SnapshotSeries::walk(snapshots, {[](const Snapshot &s) { return s.cpuTotal; }}, nullptr).points.front();
}

QString CPUTile::topProcessText(const ProcessCPU &process)
{
    return process.name + QLatin1Char(' ') + QString::asprintf("%.1f", process.cpu) + QLatin1Char('%');
}

QString CPUTile::readout(double value)
{
    if (!std::isfinite(value)) {
        return Format::dash;
    }
    return QString::asprintf("%.0f", value) + QLatin1Char('%');
}

void CPUTile::set(const std::vector<Snapshot> &snapshots, const std::optional<Snapshot> &latest)
{
    const bool hasTop = latest && !latest->topProcesses.empty();
    m_topBox->setVisible(hasTop);
    if (hasTop) {
        const ProcessCPU &top = latest->topProcesses.front();
        m_topIcon->setPid(top.pid);
        m_topText->setText(topProcessText(top));
    }
    const Timestamp end = latest ? latest->date : m_clock.now();
    m_chart->setXDomain({end - windowSeconds, end});
    m_chart->setSeries({ChartSeries{QStringLiteral("CPU"), Theme::mint, chartPoints(snapshots)}});
    const std::optional<double> total = latest ? latest->cpuTotal : std::nullopt;
    m_hero->setVisible(total.has_value());
    m_unavailable->setVisible(!total);
    if (total) {
        m_hero->setValue(total, Format::percent(total, 0));
    }
    m_caption->setText(captionText(latest && latest->sensors ? latest->sensors->cpuCelsius : std::nullopt));
}

QString CPUTile::captionText(std::optional<double> celsius)
{
    const QString share = QStringLiteral("Share of all cores");
    return celsius ? share + QStringLiteral(" · CPU ") + Format::celsius(celsius) : share;
}

// --------------------------------------------------------------- MemoryTile

MemoryTile::MemoryTile(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(new SectionLabel(QStringLiteral("Memory pressure")));

    const QFont levelFont = Theme::font(20, QFont::DemiBold);
    auto *row = new QHBoxLayout;
    m_row = row;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    m_levelBox = new QWidget;
    auto *levelLayout = new QHBoxLayout(m_levelBox);
    levelLayout->setContentsMargins(0, 0, 0, 0);
    levelLayout->setSpacing(6);
    m_dot = new AttentionDot(Theme::amber);
    m_level = PanelText::make(QString(), levelFont, Theme::mint);
    levelLayout->addWidget(m_dot, 0, Qt::AlignVCenter);
    levelLayout->addWidget(m_level, 0, Qt::AlignVCenter);
    row->addWidget(m_levelBox, 0, Qt::AlignBottom);
    const QFont unavailableFont = Theme::font(16, QFont::Medium);
    m_levelUnavailable = new Unavailable(PlatformText::say(PlatformText::Name::memoryLevelUnavailable), 16);
    row->addWidget(PanelText::onBaselineOf(m_levelUnavailable, levelFont, unavailableFont), 0, Qt::AlignBottom);
    const QFont pressureFont = Theme::font(15, QFont::DemiBold);
    m_pressure = new HeroNumber(15, Theme::muted);
    row->addWidget(PanelText::onBaselineOf(m_pressure, levelFont, pressureFont), 0, Qt::AlignBottom);
    row->addStretch();
    const QFont usedFont = Theme::font(11);
    m_used = PanelText::make(QString(), usedFont, Theme::muted);
    row->addWidget(PanelText::onBaselineOf(m_used, levelFont, usedFont), 0, Qt::AlignBottom);
    layout->addLayout(row);
    // Where "used of total" goes when the row has no room for it.
    auto *usedLine = new QWidget;
    m_usedLine = new QHBoxLayout(usedLine);
    m_usedLine->setContentsMargins(0, 0, 0, 0);
    m_usedLine->addStretch();
    usedLine->hide();
    layout->addWidget(usedLine);

    // The gauge's colour is fixed at construction: one per colour, shown in turn.
    m_normalGauge = new SegmentGauge(gaugeSegments, Theme::mint, gaugeHeight);
    m_alertGauge = new SegmentGauge(gaugeSegments, Theme::amber, gaugeHeight);
    m_normalGauge->setAccessibleName(QStringLiteral("Memory pressure"));
    m_alertGauge->setAccessibleName(QStringLiteral("Memory pressure"));
    layout->addWidget(m_normalGauge);
    layout->addWidget(m_alertGauge);
    m_alertGauge->hide();
}

std::optional<QString> MemoryTile::usedOfTotal(const Snapshot &snapshot)
{
    if (!snapshot.memUsed || !snapshot.memTotal) {
        return std::nullopt;
    }
    // Format::bytes writes "—" for a used figure that is not finite.
    return Format::bytes(snapshot.memUsed) + QStringLiteral(" of ") + Format::bytes(snapshot.memTotal);
}

SegmentGauge *MemoryTile::gauge() const
{
    return m_alertGauge->isVisibleTo(this) ? m_alertGauge : m_normalGauge;
}

void MemoryTile::set(const std::optional<Snapshot> &latest)
{
    const std::optional<MemoryPressureLevel> level = latest ? latest->memLevel : std::nullopt;
    const bool alert = level && *level != MemoryPressureLevel::normal;
    m_levelBox->setVisible(level.has_value());
    m_levelUnavailable->parentWidget()->setVisible(!level);
    if (level) {
        m_dot->setVisible(alert);
        m_level->setText(levelWord(*level));
        m_level->setColor(alert ? Theme::amber : Theme::mint);
    }
    const std::optional<double> pressure = latest ? latest->memPressure : std::nullopt;
    m_pressure->parentWidget()->setVisible(pressure.has_value());
    if (pressure) {
        m_pressure->setValue(pressure, Format::percent(pressure, 0));
    }
    const std::optional<QString> used = latest ? usedOfTotal(*latest) : std::nullopt;
    m_used->parentWidget()->setVisible(used.has_value());
    m_used->setText(used.value_or(QString()));
    placeUsed();
    m_normalGauge->setVisible(pressure && !alert);
    m_alertGauge->setVisible(pressure && alert);
    if (pressure) {
        gauge()->setValue(*pressure / 100);
    }
}

void MemoryTile::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeUsed();
}

void MemoryTile::placeUsed()
{
    QWidget *used = m_used->parentWidget();
    int needed = 0;
    int shown = 0;
    for (QWidget *part : {m_levelBox, m_levelUnavailable->parentWidget(), m_pressure->parentWidget(), used}) {
        if (!part->isHidden()) {
            needed += part->sizeHint().width();
            ++shown;
        }
    }
    needed += m_row->spacing() * std::max(0, shown - 1);
    const bool wrap = !used->isHidden() && width() > 0 && needed > width();
    if (wrap == m_usedWrapped) {
        return;
    }
    m_usedWrapped = wrap;
    if (wrap) {
        m_row->removeWidget(used);
        m_usedLine->addWidget(used);
    } else {
        m_usedLine->removeWidget(used);
        m_row->addWidget(used, 0, Qt::AlignBottom);
    }
    m_usedLine->parentWidget()->setVisible(wrap);
}

} // namespace voltmere
