#include "dashboard/view/ChargeHistoryCard.h"

#include "dashboard/view/PluggedStrip.h"
#include "history/GapBand.h"
#include "history/HistoryMetric.h"
#include "history/HistoryPool.h"
#include "model/Format.h"
#include "ui/AccessibleElement.h"
#include "ui/Environment.h"
#include "ui/FocusRing.h"
#include "ui/SectionLabel.h"
#include "ui/Theme.h"
#include "ui/TimeSeriesChart.h"
#include "ui/WrappingText.h"

#include <QButtonGroup>
#include <QFuture>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

namespace voltmere {

namespace {

// One segment of the range picker: the chosen one on a mint wash.
class RangeButton final : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const ColorScheme scheme = Environment::colorScheme(this);
        const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        QColor stroke = Theme::cardStroke.resolve(scheme);
        painter.setPen(QPen(stroke, 1));
        QColor fill = Theme::mint.resolve(scheme);
        fill.setAlphaF(isChecked() ? 0.16f : 0.0f);
        painter.setBrush(fill);
        painter.drawRoundedRect(box, 6, 6);
        painter.setFont(font());
        painter.setPen((isChecked() ? Theme::mint : Theme::muted).resolve(scheme));
        painter.drawText(rect(), Qt::AlignCenter, text());
    }
};

QString rangeLabel(int hours)
{
    return hours == 168 ? QStringLiteral("7 days") : QString::number(hours) + QStringLiteral(" h");
}

} // namespace

ChargeHistoryCard::ChargeHistoryCard(Loader loader, const Clock &clock, std::optional<HistorySeries> preloaded,
                                     QWidget *parent)
    : Card(16, false, parent)
    , m_loader(std::move(loader))
    , m_clock(clock)
    , m_preloaded(std::move(preloaded))
    , m_series(m_preloaded.value_or(HistorySeries{}))
    , m_lastLoad(clock.now())
{
    // Full width, so wrapped text breaks at the card's width rather than its own.
    body()->setAlignment(Qt::AlignTop);
    body()->setSpacing(10);
    auto *header = new QHBoxLayout;
    header->setContentsMargins(0, 0, 0, 0);
    header->addWidget(new SectionLabel(QStringLiteral("Charge history")), 0, Qt::AlignVCenter);
    header->addStretch();
    auto *picker = new QWidget;
    picker->setAccessibleName(QStringLiteral("Range"));
    picker->setFixedWidth(200);
    auto *pickerLayout = new QHBoxLayout(picker);
    pickerLayout->setContentsMargins(0, 0, 0, 0);
    pickerLayout->setSpacing(4);
    m_range = new QButtonGroup(this);
    m_range->setExclusive(true);
    for (int hours : rangeHours) {
        auto *button = new RangeButton(rangeLabel(hours));
        button->setFixedHeight(24);
        button->setCheckable(true);
        button->setChecked(hours == m_hours);
        button->setFont(Theme::font(12));
        button->setAccessibleDescription(QStringLiteral("Range"));
        FocusRing::attach(button, 6);
        m_range->addButton(button, hours);
        pickerLayout->addWidget(button);
    }
    connect(m_range, &QButtonGroup::idClicked, this, &ChargeHistoryCard::setHours);
    header->addWidget(picker, 0, Qt::AlignVCenter);
    body()->addLayout(header);

    m_chart = new TimeSeriesChart;
    m_chart->setTitle(QStringLiteral("Battery level, percent"));
    m_chart->setYDomain(TimeSeriesChart::ValueRange{0, 100});
    m_chart->setChartHeight(170);
    m_chart->setShowsAxes(true);
    m_chart->setFills(true);
    m_chart->setMarksNow(true);
    m_chart->setClock(clock);
    m_chart->setFormat([](double value) { return format(HistoryMetric::battery, value); });
    body()->addWidget(m_chart);

    m_strip = new PluggedStrip;
    body()->addWidget(m_strip);
    m_summary = new WrappingText(Theme::font(12), Theme::muted);
    body()->addWidget(m_summary);

    showSeries();
    load();
}

QAbstractButton *ChargeHistoryCard::rangeButton(int hours) const
{
    return m_range->button(hours);
}

const HistorySeries &ChargeHistoryCard::seriesInUse() const
{
    return m_preloaded ? *m_preloaded : m_series;
}

void ChargeHistoryCard::setHours(int hours)
{
    if (std::find(std::begin(rangeHours), std::end(rangeHours), hours) == std::end(rangeHours)) {
        return;
    }
    if (QAbstractButton *button = m_range->button(hours)) {
        button->setChecked(true);
    }
    if (hours == m_hours) {
        return;
    }
    m_hours = hours;
    // A card handed its series (renders) or without a store has nothing to
    // wait for: its series is drawn over the new range at once.
    if (m_preloaded || !m_loader) {
        showSeries();
        return;
    }
    // The old range's line, plugged-in marks and sentence would read as the
    // new range's until its answer comes: show the loading state instead.
    m_series = HistorySeries{};
    m_rangeLoaded = false;
    load();
}

void ChargeHistoryCard::setRefreshKey(std::optional<Timestamp> key)
{
    if (key == m_refreshKey) {
        return;
    }
    m_refreshKey = key;
    // A load already on its way brings the newest readings too.
    if (!m_loading && m_clock.now() - m_lastLoad > refreshSeconds) {
        load();
    }
}

void ChargeHistoryCard::load()
{
    if (m_preloaded || !m_loader) {
        return;
    }
    const int generation = ++m_generation;
    const Timestamp now = m_clock.now();
    const Timestamp from = now - m_hours * 3600.0;
    m_loading = true;
    showSeries();
    // A watcher owned by the card: a card closed before the answer comes
    // simply never hears it.
    auto *watcher = new QFutureWatcher<HistorySeries>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, generation] {
        watcher->deleteLater();
        const HistorySeries series = watcher->result();
        // Only the answer to the newest question is shown; an older
        // range's answer that arrives late is dropped.
        if (generation != m_generation) {
            return;
        }
        m_series = series;
        m_lastLoad = m_clock.now();
        m_loading = false;
        m_rangeLoaded = true;
        showSeries();
        Q_EMIT loaded();
    });
    // The history pool: the load waits on the store, and Qt's global pool is
    // the painter's.
    watcher->setFuture(QtConcurrent::run(
        &HistoryPool::instance(), [loader = m_loader, from, now] { return loader(from, now, bucketCount); }));
}

std::vector<ChartPoint> ChargeHistoryCard::chartPoints(const HistorySeries &series)
{
    std::vector<ChartPoint> points;
    points.reserve(series.buckets.size());
    for (const HistoryBucket &bucket : series.buckets) {
        points.push_back({bucket.start, bucket.avg, bucket.segment});
    }
    return points;
}

int ChargeHistoryCard::pluggedShare(const std::vector<HistoryBucket> &buckets)
{
    if (buckets.empty()) {
        return 0;
    }
    const auto plugged = std::count_if(buckets.begin(), buckets.end(), [](const HistoryBucket &bucket) {
        return bucket.pluggedFraction >= PluggedStrip::pluggedAtLeast;
    });
    return static_cast<int>(plugged * 100 / static_cast<long>(buckets.size()));
}

QString ChargeHistoryCard::summary(const std::vector<ChartPoint> &points, const std::vector<HistoryBucket> &buckets,
                                   Timestamp now)
{
    if (points.empty()) {
        return QStringLiteral("No charge history yet. Voltmere records the level every few seconds while it runs.");
    }
    // The first of equal extremes counts.
    const auto byValue = [](const ChartPoint &a, const ChartPoint &b) { return a.value < b.value; };
    const ChartPoint &low = *std::min_element(points.begin(), points.end(), byValue);
    const ChartPoint &high = *std::max_element(points.begin(), points.end(), byValue);
    return QStringLiteral("Ranged from ") + Format::percent(low.value, 0) + QStringLiteral(" at ") +
           Format::timestamp(low.date, now) + QStringLiteral(" to ") + Format::percent(high.value, 0) +
           QStringLiteral(" at ") + Format::timestamp(high.date, now) + QStringLiteral(". Plugged in for about ") +
           QString::number(pluggedShare(buckets)) + QStringLiteral("% of the recorded time.");
}

void ChargeHistoryCard::showSeries()
{
    const HistorySeries &series = seriesInUse();
    const std::vector<ChartPoint> points = chartPoints(series);
    const Timestamp to = m_lastLoad;
    const Timestamp from = to - m_hours * 3600.0;
    m_chart->setXDomain({from, to});
    m_chart->setSeries({ChartSeries{QStringLiteral("Battery"), Theme::mint, points}});
    m_chart->setGaps(gapBands(series.gaps));
    m_strip->set(series.buckets, from, to, series.bucketSeconds);
    // Until the range's first answer arrives there is nothing to sum up yet,
    // which is not the same as having no history.
    const bool waiting = !m_preloaded && !m_rangeLoaded && m_loading;
    const QString loading = QStringLiteral("Loading charge history…");
    AccessibleElement::set(m_strip, QAccessible::Graphic, QStringLiteral("Plugged in"),
                           waiting ? loading
                                   : QStringLiteral("About ") + QString::number(pluggedShare(series.buckets)) +
                                         QStringLiteral("% of the recorded time"));
    m_summary->setText(waiting ? loading : summary(points, series.buckets, m_clock.now()));
}

} // namespace voltmere
