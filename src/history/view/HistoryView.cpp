#include "history/view/HistoryView.h"

#include "history/HistoryPage.h"
#include "history/HistoryPool.h"
#include "history/HistoryStore.h"
#include "history/view/ExportAction.h"
#include "history/view/HistoryControls.h"
#include "history/view/HistoryEmpty.h"
#include "history/view/HistorySkeleton.h"
#include "history/view/SelectableText.h"
#include "model/Format.h"
#include "monitor/Monitor.h"
#include "preferences/Preferences.h"
#include "ui/Card.h"
#include "ui/DashboardScroll.h"
#include "ui/Environment.h"
#include "ui/FocusRing.h"
#include "ui/PressableStyle.h"
#include "ui/SectionLabel.h"
#include "ui/Symbols.h"
#include "ui/TextComponent.h"
#include "ui/Theme.h"
#include "ui/TimeSeriesChart.h"
#include "ui/WrappingText.h"

#include <QAbstractButton>
#include <QDir>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QPainter>
#include <QShowEvent>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <cmath>

namespace voltmere {

namespace {

constexpr ThemeColor averageColor { 0x5A6470, 0xAAB4BF, 1.0 };

// A small filled shape in the chart's legend.
class Swatch final : public QWidget {
public:
    Swatch(QSizeF size, qreal radius, const ThemeColor &color, QWidget *parent)
        : QWidget(parent)
        , m_size(size)
        , m_radius(radius)
        , m_color(color)
    {
        setFixedSize(static_cast<int>(std::ceil(size.width())), static_cast<int>(std::ceil(size.height())));
        Environment::hideFromAccessibility(this);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_color.resolve(Environment::colorScheme(this)));
        painter.drawRoundedRect(QRectF(QPointF(0, 0), m_size), m_radius, m_radius);
    }

private:
    QSizeF m_size;
    qreal m_radius;
    ThemeColor m_color;
};

QWidget *legendItem(QWidget *swatch, const QString &caption)
{
    auto *item = new QWidget;
    auto *row = new QHBoxLayout(item);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    swatch->setParent(item);
    row->addWidget(swatch, 0, Qt::AlignVCenter);
    row->addWidget(new TextComponent(caption, Theme::font(11), Theme::muted, item));
    return item;
}

// One of the highest readings: its time, its value and a chevron; pressing
// it inspects that moment.
class SpikeButton final : public QAbstractButton {
public:
    explicit SpikeButton(QWidget *parent)
        : QAbstractButton(parent)
    {
        setFocusPolicy(Qt::StrongFocus);
        setCursor(Qt::PointingHandCursor);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        setAccessibleDescription(QStringLiteral("Shows processes captured at that time"));
        PressableStyle::attach(this);
        FocusRing::attach(this, 6);
    }
    QSize sizeHint() const override { return { 200, 26 }; }

    // The reading it stands for; the button itself stays, so a refresh
    // leaves the keyboard focus where it was.
    void setSpike(const ChartPoint &spike, const QString &time, const QString &value)
    {
        m_spike = spike;
        if (time == m_time && value == m_value) {
            return;
        }
        m_time = time;
        m_value = value;
        setAccessibleName(value + QStringLiteral(" at ") + time);
        update();
    }
    const ChartPoint &spike() const { return m_spike; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        PressableStyle::begin(painter, this);
        const ColorScheme scheme = Environment::colorScheme(this);
        const QRectF area = QRectF(rect()).adjusted(2, 0, -2, 0);
        const qreal chevron = 10;
        painter.setFont(Theme::font(12));
        painter.setPen(Theme::muted.resolve(scheme));
        painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter, m_time);
        painter.setFont(Theme::font(12, QFont::DemiBold));
        painter.setPen(Theme::text.resolve(scheme));
        painter.drawText(area.adjusted(0, 0, -(chevron + 6), 0), Qt::AlignRight | Qt::AlignVCenter, m_value);
        Symbols::paint(painter,
            QRectF(area.right() - chevron, area.center().y() - chevron / 2, chevron, chevron),
            QStringLiteral("chevron.right"), Theme::muted.resolve(scheme));
    }

private:
    ChartPoint m_spike;
    QString m_time;
    QString m_value;
};

// One gap in the list: its reason, when, and how long, read out as one.
class GapRow final : public QWidget {
public:
    explicit GapRow(QWidget *parent = nullptr)
        : QWidget(parent)
        , m_reason(new TextComponent(QString(), Theme::font(12, QFont::Medium), Theme::text))
        , m_when(new TextComponent(QString(), Theme::font(12), Theme::muted))
        , m_length(new TextComponent(QString(), Theme::font(12), Theme::muted))
    {
        auto *row = new QHBoxLayout(this);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(8);
        row->addWidget(m_reason);
        row->addStretch(1);
        row->addWidget(m_when);
        m_length->setFixedWidth(120);
        m_length->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        row->addWidget(m_length);
        // One element for a screen reader, not three fragments.
        for (QWidget *child : { m_reason, m_when, m_length }) {
            Environment::hideFromAccessibility(child);
        }
    }

    void setGap(const QString &reason, const QString &when, const QString &length)
    {
        m_reason->setText(reason);
        m_when->setText(when);
        m_length->setText(length);
        setAccessibleName(reason + QStringLiteral(", ") + when + QStringLiteral(", ") + length);
    }

private:
    TextComponent *m_reason;
    TextComponent *m_when;
    TextComponent *m_length;
};

// Makes `widgets` as many as `count`, adding new ones at the end of `list`
// (after `before` items) and removing surplus ones; those kept keep their
// focus. A removed widget that had the focus hands it to the last one left.
template <typename Make>
void fitCount(std::vector<QWidget *> &widgets, std::size_t count, QVBoxLayout *list, int before, Make make)
{
    while (widgets.size() > count) {
        QWidget *last = widgets.back();
        widgets.pop_back();
        if (last->hasFocus() && !widgets.empty()) {
            widgets.back()->setFocus(Qt::OtherFocusReason);
        }
        delete last;
    }
    while (widgets.size() < count) {
        QWidget *widget = make();
        list->insertWidget(before + static_cast<int>(widgets.size()), widget);
        widgets.push_back(widget);
    }
}

void clear(QLayout *layout)
{
    while (QLayoutItem *item = layout->takeAt(0)) {
        if (QLayout *child = item->layout()) {
            clear(child);
            delete child; // a nested layout is its own item
            continue;
        }
        delete item->widget();
        delete item;
    }
}

Card *card(QVBoxLayout *&body, int spacing, QWidget *parent)
{
    auto *c = new Card(16, false, parent);
    body = c->body();
    body->setSpacing(spacing);
    return c;
}

} // namespace

HistoryView::HistoryView(Monitor &monitor, QWidget *parent)
    : DashboardPage(parent)
    , m_monitor(monitor)
    , m_rangeEnd(monitor.clock().now())
    , m_controls(new HistoryControls(this))
    , m_notice(new WrappingText(Theme::font(12), Theme::amber))
{
    if (HistoryStore *store = monitor.historyStore()) {
        m_processLookup = [store](Timestamp date) { return store->processes(date); };
    }
    // The cards outgrow the window's height: the page scrolls.
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(16);

    m_notice->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_notice->hide();
    layout->addWidget(m_notice);

    m_skeleton = new HistorySkeleton(this);
    layout->addWidget(m_skeleton);
    m_empty = new HistoryEmpty(voltmere::title(m_metric), this);
    layout->addWidget(m_empty);

    m_content = new QWidget(this);
    auto *content = new QVBoxLayout(m_content);
    content->setContentsMargins(0, 0, 0, 0);
    content->setSpacing(16);
    layout->addWidget(m_content);

    // The chart card.
    QVBoxLayout *chartBody = nullptr;
    content->addWidget(card(chartBody, 8, m_content));
    auto *header = new QHBoxLayout;
    header->setSpacing(12);
    m_chartHeader = new TextComponent(QString(), Theme::font(11), Theme::muted);
    header->addWidget(m_chartHeader);
    header->addStretch(1);
    header->addWidget(legendItem(new Swatch({ 12, 3 }, 1.5, Theme::mint, nullptr), QStringLiteral("Peak")));
    header->addWidget(legendItem(new Swatch({ 12, 3 }, 1.5, averageColor, nullptr), QStringLiteral("Average")));
    header->addWidget(legendItem(new Swatch({ 12, 9 }, 2, Theme::gapFill, nullptr), QStringLiteral("No data")));
    chartBody->addLayout(header);
    m_chart = new TimeSeriesChart;
    m_chart->setClock(monitor.clock());
    m_chart->setChartHeight(240);
    m_chart->setShowsAxes(true);
    m_chart->setFills(true);
    m_chart->setMarksNow(true);
    m_chart->setOnSelect([this](std::optional<Timestamp> date) { select(date, m_peaks); });
    chartBody->addWidget(m_chart);
    m_summary = new SelectableText(Theme::font(11), Theme::muted);
    chartBody->addWidget(m_summary);

    // Highest readings beside the selected reading.
    auto *row = new QHBoxLayout;
    row->setSpacing(14);
    QVBoxLayout *spikesBody = nullptr;
    Card *spikes = card(spikesBody, 8, m_content);
    spikes->setMaximumWidth(320);
    spikesBody->addWidget(new SectionLabel(QStringLiteral("Highest readings")));
    m_spikeList = new QVBoxLayout;
    m_spikeList->setSpacing(2);
    m_noSpikes = new TextComponent(QStringLiteral("No readings in this range yet."), Theme::font(12), Theme::muted);
    m_spikeList->addWidget(m_noSpikes);
    spikesBody->addLayout(m_spikeList);
    spikesBody->addStretch(1);
    // Each as tall as its own content, side by side from the top.
    row->addWidget(spikes, 1, Qt::AlignTop);
    QVBoxLayout *inspectionBody = nullptr;
    Card *inspection = card(inspectionBody, 8, m_content);
    inspectionBody->addWidget(new SectionLabel(QStringLiteral("Selected reading")));
    m_inspection = new QVBoxLayout;
    m_inspection->setSpacing(8);
    inspectionBody->addLayout(m_inspection);
    inspectionBody->addStretch(1);
    row->addWidget(inspection, 1, Qt::AlignTop);
    content->addLayout(row);

    QVBoxLayout *gapsBody = nullptr;
    content->addWidget(card(gapsBody, 6, m_content));
    gapsBody->addWidget(new SectionLabel(QStringLiteral("Gaps in this range")));
    m_gapList = new QVBoxLayout;
    m_gapList->setSpacing(6);
    m_noGaps
        = new TextComponent(QStringLiteral("None. Voltmere recorded continuously."), Theme::font(12), Theme::muted);
    m_gapList->addWidget(m_noGaps);
    m_gapFootnote = new TextComponent(QString(), Theme::font(11), Theme::muted);
    m_gapList->addWidget(m_gapFootnote);
    gapsBody->addLayout(m_gapList);

    m_footer = new SelectableText(Theme::font(11), Theme::muted, this);
    layout->addWidget(m_footer);
    layout->addStretch(1);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(new DashboardScroll(page));

    connect(m_controls, &HistoryControls::metricChanged, this, [this](HistoryMetric metric) { setKey(metric, m_hours); });
    connect(m_controls, &HistoryControls::hoursChanged, this, [this](int hours) { setKey(m_metric, hours); });
    connect(&m_monitor, &Monitor::historyEpochChanged, this, [this] {
        if (!m_preloaded && isVisible()) {
            reload(true);
        }
    });
    connect(m_controls, &HistoryControls::exportRequested, this, &HistoryView::exportRange);
    connect(&m_monitor, &Monitor::latestChanged, this, &HistoryView::latestMayRefresh);
    connect(&m_monitor.prefs(), &Preferences::historyRetentionDaysChanged, this, &HistoryView::rebuildFooter);
    if (HistoryStore *store = monitor.historyStore()) {
        // The store tells when recording stops or resumes; the footer says so.
        connect(store, &HistoryStore::openErrorChanged, this, &HistoryView::rebuildFooter);
        connect(store, &HistoryStore::writeErrorChanged, this, &HistoryView::rebuildFooter);
        connect(store, &HistoryStore::setAsideChanged, this, &HistoryView::rebuildNotice);
    }
    rebuild();
    rebuildNotice();
}

HistoryView::~HistoryView() = default;

QWidget *HistoryView::control() const
{
    return m_controls;
}

void HistoryView::exportRange(bool everyMetric)
{
    HistoryStore *store = m_monitor.historyStore();
    if (!store) {
        return;
    }
    if (!m_export) {
        m_export = new ExportAction(*store, this);
        connect(m_export, &ExportAction::finished, this,
                [this](const HistoryExport::Result &result, const QString &path) {
                    if (result.ok()) {
                        m_controls->showSaved(ExportAction::savedMessage(path));
                    }
                });
    }
    // The range as the picker names it, up to this moment: the file should
    // hold what the user just saw plus anything newer, never less.
    const Timestamp to = now() + 1;
    const std::optional<HistoryMetric> metric = everyMetric ? std::nullopt : std::optional(m_metric);
    m_export->run(metric, to - 1 - m_hours * 3600.0, to);
}

Timestamp HistoryView::now() const
{
    return m_monitor.clock().now();
}

void HistoryView::showEvent(QShowEvent *event)
{
    DashboardPage::showEvent(event);
    if (!m_preloaded && !event->spontaneous()) {
        reload(true);
    }
}

void HistoryView::setKey(HistoryMetric metric, int hours)
{
    if (metric == m_metric && hours == m_hours) {
        return;
    }
    m_metric = metric;
    m_hours = hours;
    m_controls->setMetric(metric);
    m_controls->setHours(hours);
    if (!m_preloaded) {
        reload(true);
    } else {
        rebuild();
    }
}

void HistoryView::showPreloaded(const HistorySeries &series, Timestamp rangeEnd)
{
    m_preloaded = true;
    ++*m_loadGeneration; // nothing already running may land on top
    applySeries(series, rangeEnd);
}

void HistoryView::showPlaceholder()
{
    m_preloaded = true;
    ++*m_loadGeneration;
    m_series = {};
    m_loading = true;
    m_peaks.clear();
    m_averages.clear();
    rebuild();
}

void HistoryView::reload(bool reset)
{
    if (reset) {
        m_series = {};
        m_inspected.reset();
        m_loading = true;
        m_peaks.clear();
        m_averages.clear();
        rebuild();
    }
    const Timestamp end = now();
    const quint64 generation = ++*m_loadGeneration;
    HistoryStore *store = m_monitor.historyStore();
    const HistoryMetric metric = m_metric;
    const Timestamp from = end - m_hours * 3600.0;
    m_loading = true;
    auto *watcher = new QFutureWatcher<HistorySeries>(this);
    connect(watcher, &QFutureWatcher<HistorySeries>::finished, this, [this, watcher, generation, end] {
        watcher->deleteLater();
        // A newer choice (metric, range, deletion) started its own load.
        if (generation != *m_loadGeneration) {
            return;
        }
        applySeries(watcher->result(), end);
    });
    watcher->setFuture(
        QtConcurrent::run(&HistoryPool::instance(), [store, metric, from, end, current = m_loadGeneration, generation] {
            if (!store || *current != generation) {
                return HistorySeries {};
            }
            return store->load(metric, from, end, HistoryPage::bucketCount);
        }));
}

void HistoryView::applySeries(const HistorySeries &series, Timestamp rangeEnd)
{
    m_series = series;
    m_rangeEnd = rangeEnd;
    m_loading = false;
    m_peaks = HistoryPage::peakPoints(series);
    m_averages = HistoryPage::averagePoints(series);
    rebuild();
    Q_EMIT seriesApplied();
}

void HistoryView::latestMayRefresh()
{
    const std::optional<Snapshot> &latest = m_monitor.latest();
    if (m_preloaded || m_loading || !latest || !isVisible()) {
        return;
    }
    if (latest->date - m_rangeEnd > HistoryPage::refreshAfterSeconds) {
        reload(false);
    }
}

void HistoryView::select(std::optional<Timestamp> date, const std::vector<ChartPoint> &peaks)
{
    if (!date) {
        return;
    }
    if (const std::optional<ChartPoint> point = TimeSeriesChart::nearest(peaks, *date)) {
        if (m_inspected && m_inspected->date == point->date) {
            return; // the same reading; its lookup is already under way
        }
        inspect(point->date, point->value);
    }
}

void HistoryView::inspect(Timestamp date, double value)
{
    m_inspected = Inspection { date, value, HistoryPage::inspectionLabel(date, m_series.bucketSeconds, now()),
        std::nullopt, std::nullopt };
    rebuildInspection();
    Q_EMIT inspectionChanged();
    lookUp(date);
}

void HistoryView::lookUp(Timestamp date)
{
    if (!m_processLookup) {
        return;
    }
    if (m_lookingUp) {
        m_waitingLookup = date; // replaces any moment passed over before it
        return;
    }
    m_lookingUp = true;
    using Answer = std::optional<HistoryStore::ProcessesNear>;
    auto *watcher = new QFutureWatcher<Answer>(this);
    connect(watcher, &QFutureWatcher<Answer>::finished, this, [this, watcher, date] {
        watcher->deleteLater();
        m_lookingUp = false;
        // A later choice wins over this lookup.
        if (m_inspected && m_inspected->date == date) {
            const Answer near = watcher->result();
            m_inspected->processes = near ? std::optional(near->second) : std::nullopt;
            m_inspected->sampleDate = near ? std::optional(near->first) : std::nullopt;
            rebuildInspection();
            Q_EMIT inspectionChanged();
        }
        if (const std::optional<Timestamp> next = std::exchange(m_waitingLookup, std::nullopt);
            next && *next != date && m_inspected && m_inspected->date == *next) {
            lookUp(*next);
        }
    });
    watcher->setFuture(
        QtConcurrent::run(&HistoryPool::instance(), [lookup = m_processLookup, date] { return lookup(date); }));
}

QString HistoryView::bucketDescription() const
{
    return HistoryPage::bucketDescription(m_series.bucketSeconds);
}

QString HistoryView::summary() const
{
    return HistoryPage::summary(m_metric, m_hours, m_series, m_peaks, m_averages, now());
}

QString HistoryView::copyText() const
{
    return HistoryPage::copyText(m_metric, m_hours, m_series, m_peaks, m_averages, now());
}

QString HistoryView::storageFooterText() const
{
    const HistoryStore *store = m_monitor.historyStore();
    const std::optional<QString> error = store ? store->openError() : std::nullopt;
    const bool open = store && !error;
    return HistoryPage::storageFooter(error, open, store ? store->path() : QString(), QDir::homePath(),
        store ? store->fileSize() : 0, m_monitor.prefs().historyRetentionDays(),
        store ? store->writeError() : std::nullopt);
}

void HistoryView::rebuild()
{
    const bool empty = m_series.sampleCount == 0;
    m_skeleton->setVisible(empty && m_loading);
    m_empty->setVisible(empty && !m_loading);
    m_empty->setMetricTitle(voltmere::title(m_metric));
    m_content->setVisible(!empty);
    if (!empty) {
        rebuildChart();
        rebuildSpikes();
        rebuildInspection();
        rebuildGaps();
    }
    rebuildFooter();
}

void HistoryView::rebuildChart()
{
    m_chartHeader->setText(voltmere::title(m_metric) + QStringLiteral(" \u00b7 ") + bucketDescription());
    m_chartHeader->setAccessibleName(m_chartHeader->text());
    m_chart->setTitle(voltmere::title(m_metric) + QStringLiteral(" history, ") + unitWord(m_metric));
    m_chart->setSeries({ { QStringLiteral("Peak"), Theme::mint, m_peaks },
        { QStringLiteral("Average"), averageColor, m_averages } });
    m_chart->setXDomain({ m_rangeEnd - m_hours * 3600.0, m_rangeEnd });
    m_chart->setYDomain(isPercent(m_metric) ? std::optional(TimeSeriesChart::ValueRange { 0, 100 }) : std::nullopt);
    std::vector<GapBand> bands;
    for (const HistoryGap &gap : m_series.gaps) {
        bands.push_back({ gap.start, gap.end, label(gap.reason) });
    }
    m_chart->setGaps(bands);
    const HistoryMetric metric = m_metric;
    m_chart->setFormat([metric](double value) { return format(metric, value); });
    m_summary->updateText(summary());
}

void HistoryView::rebuildSpikes()
{
    const std::vector<ChartPoint> spikes = HistoryPage::spikes(m_peaks, m_hours);
    m_noSpikes->setVisible(spikes.empty());
    fitCount(m_spikeButtons, spikes.size(), m_spikeList, 1, [this] {
        auto *button = new SpikeButton(nullptr);
        connect(button, &QAbstractButton::clicked, this,
            [this, button] { inspect(button->spike().date, button->spike().value); });
        return button;
    });
    const Timestamp reference = now();
    for (std::size_t i = 0; i < spikes.size(); ++i) {
        static_cast<SpikeButton *>(m_spikeButtons[i])
            ->setSpike(spikes[i], Format::timestamp(spikes[i].date, reference), format(m_metric, spikes[i].value));
    }
}

void HistoryView::rebuildInspection()
{
    // A refresh leaves the chosen reading as it was; only a change redraws.
    if (m_inspected == m_shownInspection && m_inspection->count() > 0) {
        return;
    }
    m_shownInspection = m_inspected;
    clear(m_inspection);
    const Timestamp reference = now();
    if (!m_inspected) {
        auto *hint = new WrappingText(Theme::font(12), Theme::muted);
        hint->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        hint->setText(QStringLiteral("Hover over the chart, pick a reading on the left, or focus the chart with Tab "
                                     "and use \u2190 \u2192 to step through it."));
        m_inspection->addWidget(hint);
        return;
    }
    const Inspection &inspection = *m_inspected;
    auto *reading = new QHBoxLayout;
    reading->setSpacing(8);
    reading->addWidget(new TextComponent(format(m_metric, inspection.value), Theme::font(24, QFont::DemiBold), Theme::text),
        0, Qt::AlignBaseline);
    reading->addWidget(new TextComponent(inspection.label, Theme::font(12), Theme::muted), 0, Qt::AlignBaseline);
    reading->addStretch(1);
    m_inspection->addLayout(reading);

    const auto sentence = [this](const QString &content) {
        auto *line = new WrappingText(Theme::font(12), Theme::muted);
        line->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        line->setText(content);
        m_inspection->addWidget(line);
    };
    if (!inspection.processes) {
        sentence(HistoryPage::noSampleSentence());
        return;
    }
    if (inspection.processes->empty()) {
        sentence(HistoryPage::noProcessSentence(inspection.sampleDate, reference));
        return;
    }
    m_inspection->addWidget(
        new TextComponent(HistoryPage::processesHeading(inspection.sampleDate, reference), Theme::font(11), Theme::muted));
    for (const ProcessCPU &process : *inspection.processes) {
        auto *line = new QWidget;
        auto *row = new QHBoxLayout(line);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(8);
        const QString pid = QString::asprintf("%d", process.pid);
        const QString cpu = QString::asprintf("%.1f", process.cpu);
        row->addWidget(new TextComponent(process.name, Theme::font(12), Theme::text), 1);
        row->addWidget(new TextComponent(pid, Theme::font(12), Theme::muted));
        TextComponent *cpuText = new TextComponent(cpu, Theme::font(12), Theme::text);
        cpuText->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        cpuText->setMinimumWidth(44);
        row->addWidget(cpuText);
        line->setAccessibleName(
            process.name + QStringLiteral(", process ") + pid + QStringLiteral(", ") + cpu + QStringLiteral(" percent of one core"));
        m_inspection->addWidget(line);
    }
}

void HistoryView::rebuildGaps()
{
    const std::vector<HistoryGap> &gaps = m_series.gaps;
    m_noGaps->setVisible(gaps.empty());
    const std::size_t shown = std::min(gaps.size(), HistoryPage::listedGaps);
    fitCount(m_gapRows, shown, m_gapList, 1, [] { return new GapRow; });
    const Timestamp reference = now();
    for (std::size_t i = 0; i < shown; ++i) {
        const HistoryGap &gap = gaps[gaps.size() - 1 - i]; // newest first
        static_cast<GapRow *>(m_gapRows[i])
            ->setGap(label(gap.reason),
                Format::timestamp(gap.start, reference) + QStringLiteral(" \u2013 ")
                    + Format::timestamp(gap.end, reference),
                Format::span(gap.end - gap.start));
    }
    const QString footnote = HistoryPage::gapFootnote(gaps.size());
    m_gapFootnote->setText(footnote);
    m_gapFootnote->setVisible(!footnote.isEmpty());
}

void HistoryView::rebuildNotice()
{
    const QString text = noticeText();
    m_notice->setText(text);
    m_notice->setVisible(!text.isEmpty());
}

QString HistoryView::noticeText() const
{
    const HistoryStore *store = m_monitor.historyStore();
    const std::optional<HistoryStore::SetAside> setAside = store ? store->setAside() : std::nullopt;
    if (!setAside) {
        return {};
    }
    return HistoryPage::damagedFileNotice(setAside->keptAs, setAside->reason, setAside->at, QDir::homePath(), now());
}

void HistoryView::rebuildFooter()
{
    m_footer->updateText(storageFooterText());
}

} // namespace voltmere
