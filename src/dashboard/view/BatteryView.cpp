#include "dashboard/view/BatteryView.h"

#include "ui/DashboardScroll.h"

#include "dashboard/view/BatteryHealthCard.h"
#include "dashboard/view/BatteryHeroCard.h"
#include "dashboard/view/BatterySkeleton.h"
#include "dashboard/view/LimitsCard.h"
#include "dashboard/view/ReminderCard.h"
#include "history/HistoryStore.h"
#include "model/Format.h"
#include "monitor/Monitor.h"
#include "monitor/ReminderText.h"
#include "platform/ChargeLimitText.h"
#include "platform/PlatformText.h"
#include "preferences/Preferences.h"
#include "ui/Card.h"
#include "ui/DashboardScroll.h"
#include "ui/Environment.h"
#include "ui/TextComponent.h"
#include "ui/Theme.h"
#include "ui/WrappingText.h"

#include <QFuture>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace voltmere {

namespace {

ChargeHistoryCard::Loader historyLoader(Monitor &monitor)
{
    // The store lives as long as the program, so a query still running
    // when the page closes finishes harmlessly.
    HistoryStore *store = monitor.historyStore();
    return [store](Timestamp from, Timestamp to, int buckets) {
        return store ? store->load(HistoryMetric::battery, from, to, buckets) : HistorySeries{};
    };
}

QWidget *desktopCard()
{
    auto *card = new Card(16);
    card->body()->setAlignment(Qt::AlignTop); // wrapped text gets the full width
    card->body()->setSpacing(6);
    auto *title = new TextComponent;
    title->setText(QStringLiteral("No internal battery"));
    title->setTextFont(Theme::font(16, QFont::DemiBold));
    title->setAccessibleName(title->text());
    card->body()->addWidget(title);
    auto *text = new WrappingText(Theme::font(13), Theme::muted);
    text->setText(PlatformText::say(PlatformText::Name::adapterOnly));
    card->body()->addWidget(text);
    return card;
}

} // namespace

BatteryView::BatteryView(Monitor &monitor, QWidget *parent)
    : BatteryView(monitor, ChargeLimitSource::createForThisMachine(), historyLoader(monitor), std::nullopt, parent)
{
}

BatteryView::BatteryView(Monitor &monitor, std::shared_ptr<ChargeLimitSource> limits, ChargeHistoryCard::Loader loader,
                         std::optional<HistorySeries> preloadedCharge, QWidget *parent)
    : DashboardPage(parent)
    , m_monitor(monitor)
    , m_limitSource(std::move(limits))
{
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);

    m_content = new QWidget;
    m_content->setAutoFillBackground(false);
    auto *bodies = new QVBoxLayout(m_content);
    bodies->setContentsMargins(0, 0, 0, 0);
    m_skeleton = new BatterySkeleton;
    bodies->addWidget(m_skeleton);

    m_batteryBody = new QWidget;
    auto *body = new QVBoxLayout(m_batteryBody);
    body->setContentsMargins(16, 16, 16, 16);
    body->setSpacing(14);
    auto *top = new QHBoxLayout;
    top->setSpacing(14);
    m_hero = new BatteryHeroCard;
    m_health = new BatteryHealthCard;
    top->addWidget(m_hero, 1, Qt::AlignTop);
    top->addWidget(m_health, 1, Qt::AlignTop);
    body->addLayout(top);
    m_history = new ChargeHistoryCard(std::move(loader), monitor.clock(), std::move(preloadedCharge));
    body->addWidget(m_history);
    auto *bottom = new QHBoxLayout;
    bottom->setSpacing(14);
    m_reminder = new ReminderCard(monitor);
    m_limitsCard = new LimitsCard;
    bottom->addWidget(m_reminder, 1, Qt::AlignTop);
    bottom->addWidget(m_limitsCard, 1, Qt::AlignTop);
    body->addLayout(bottom);
    body->addStretch();
    bodies->addWidget(m_batteryBody);

    auto *desktopBody = new QWidget;
    auto *desktopLayout = new QVBoxLayout(desktopBody);
    desktopLayout->setContentsMargins(16, 16, 16, 16);
    desktopLayout->addWidget(::voltmere::desktopCard());
    desktopLayout->addStretch();
    m_desktop = desktopBody;
    bodies->addWidget(m_desktop);
    m_scroll = new DashboardScroll(m_content);
    outer->addWidget(m_scroll);

    connect(&monitor, &Monitor::batteryChanged, this, &BatteryView::showBody);
    connect(&monitor, &Monitor::hasBatteryChanged, this, &BatteryView::showBody);
    connect(&monitor.prefs(), &Preferences::reminderEnabledChanged, this, &BatteryView::showBody);
    connect(&monitor.prefs(), &Preferences::reminderTargetChanged, this, &BatteryView::showBody);
    // A changed charge limit comes as a power-supply change event; the
    // page's own showing reads them too.
    connect(&monitor, &Monitor::powerSourceChanged, this, &BatteryView::requestChargeLimits);
    connect(&monitor, &Monitor::latestChanged, this, [this] {
        m_history->setRefreshKey(m_monitor.latest() ? std::optional(m_monitor.latest()->date) : std::nullopt);
    });
    // Without a source there is nothing to wait for: the kernel exposes no
    // limit Voltmere could read.
    if (!m_limitSource) {
        showChargeLimits({});
    }
    showBody();
}

BatteryView::~BatteryView() = default;

BatteryView::Body BatteryView::bodyFor(bool hasBattery, bool hasReading)
{
    if (hasBattery && !hasReading) {
        return Body::skeleton;
    }
    return hasReading ? Body::battery : Body::desktop;
}

void BatteryView::showBody()
{
    const std::optional<BatteryReading> &battery = m_monitor.battery();
    m_body = bodyFor(m_monitor.hasBattery(), battery.has_value());
    m_skeleton->setVisible(m_body == Body::skeleton);
    m_batteryBody->setVisible(m_body == Body::battery);
    m_desktop->setVisible(m_body == Body::desktop);
    if (battery) {
        const Preferences &prefs = m_monitor.prefs();
        m_hero->set(*battery, prefs.reminderEnabled() ? std::optional(prefs.reminderTarget()) : std::nullopt);
        m_health->set(*battery);
    }
}

void BatteryView::showEvent(QShowEvent *event)
{
    DashboardPage::showEvent(event);
    requestChargeLimits();
}

void BatteryView::requestChargeLimits()
{
    if (m_readingLimits) {
        // The read under way may have looked before the change; one more
        // after it sees the last state, however many changes came.
        m_limitsWanted = true;
        return;
    }
    readChargeLimits();
}

void BatteryView::readChargeLimits()
{
    if (!m_limitSource) {
        return;
    }
    m_readingLimits = true;
    m_limitsWanted = false;
    // The firmware's files can be slow to answer (some go through ACPI), so
    // they are read off the main thread. The watcher belongs to the page: a
    // page closed before the answer comes simply never hears it.
    auto *watcher = new QFutureWatcher<std::vector<BatteryChargeLimits>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        watcher->deleteLater();
        m_readingLimits = false;
        showChargeLimits(watcher->result());
        Q_EMIT chargeLimitsRead();
        if (m_limitsWanted) {
            readChargeLimits();
        }
    });
    watcher->setFuture(QtConcurrent::run([source = m_limitSource] { return source->read(); }));
}

void BatteryView::showChargeLimits(const std::vector<BatteryChargeLimits> &limits)
{
    m_limitsKnown = true;
    m_limits = limits;
    m_limitsCard->set(limits);
    // The lowest limit is where charging stops first.
    std::optional<int> lowest;
    for (const BatteryChargeLimits &battery : limits) {
        if (battery.endThreshold && (!lowest || *battery.endThreshold < *lowest)) {
            lowest = battery.endThreshold;
        }
    }
    m_reminder->setFirmwareLimit(lowest);
}

QString BatteryView::copyText() const
{
    return copyText(m_monitor.battery(), m_monitor.hasBattery(), m_monitor.reminder().status,
                    m_monitor.prefs().reminderTarget(), m_monitor.clock().now(),
                    m_limitsKnown ? std::optional(m_limits) : std::nullopt);
}

QString BatteryView::copyText(const std::optional<BatteryReading> &battery, bool hasBattery,
                              const ChargeReminderLogic::Status &reminder, int target, Timestamp now,
                              const std::optional<std::vector<BatteryChargeLimits>> &limits)
{
    if (!battery) {
        return hasBattery ? QStringLiteral("Battery: waiting for a reading.")
                          : PlatformText::say(PlatformText::Name::noInternalBattery);
    }
    QStringList sentences;
    sentences.append(battery->level ? QStringLiteral("Battery ") + QString::number(*battery->level) +
                                          QStringLiteral("%.")
                                    : QStringLiteral("Battery level unavailable."));
    if (battery->state) {
        sentences.append(BatteryHeroCard::stateTitle(*battery->state) + QLatin1Char('.'));
    }
    if (battery->isPluggedIn) {
        sentences.append(battery->adapterWatts ? QStringLiteral("Power adapter, ") +
                                                     QString::number(*battery->adapterWatts) + QStringLiteral(" W.")
                                               : QStringLiteral("Power adapter."));
    }
    if (const auto toFull = Format::duration(battery->timeToFullMinutes)) {
        sentences.append(*toFull + QStringLiteral(" until full."));
    }
    if (const auto left = Format::duration(battery->timeToEmptyMinutes)) {
        sentences.append(QStringLiteral("About ") + *left + QStringLiteral(" remaining."));
    }
    if (battery->healthCondition) {
        sentences.append(QStringLiteral("Health: ") + BatteryHealthCard::conditionWord(*battery->healthCondition) +
                         QLatin1Char('.'));
    }
    if (battery->designCapacity && battery->fullChargeCapacity && *battery->designCapacity > 0 &&
        *battery->fullChargeCapacity > 0) {
        sentences.append(QStringLiteral("Capacity ") +
                         Format::percent(static_cast<double>(*battery->fullChargeCapacity) /
                                             *battery->designCapacity * 100.0,
                                         0) +
                         QLatin1Char('.'));
    }
    if (battery->cycleCount) {
        sentences.append(QStringLiteral("Cycle count ") + QString::number(*battery->cycleCount) + QLatin1Char('.'));
    }
    sentences.append(ReminderText::longText(reminder, target, now));
    sentences.append(QStringLiteral("Charge reminder notifies once and does not stop charging."));
    if (limits) {
        sentences.append(ChargeLimitText::summary(*limits));
    }
    return sentences.join(QLatin1Char(' '));
}

} // namespace voltmere
