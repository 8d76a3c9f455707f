#include "Surface.h"
#include "SyntheticHistory.h"

#include "history/HistoryPage.h"
#include "history/HistoryStore.h"
#include "history/view/HistoryControls.h"
#include "history/view/HistoryView.h"
#include "monitor/Monitor.h"
#include "platform/SystemEvents.h"
#include "preferences/Preferences.h"
#include "sampling/SamplingEngine.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <memory>

namespace voltmere::render {

namespace {

// 14:32 on a fixed day, so the pictures do not change from run to run.
Timestamp fixedNow()
{
    return static_cast<Timestamp>(QDateTime(QDate(2026, 3, 12), QTime(14, 32, 5)).toSecsSinceEpoch());
}

class FixedClock final : public Clock {
public:
    Timestamp now() const override { return fixedNow(); }
    std::uint64_t awakeNanoseconds() const override { return 0; }
};

class NoSystemEvents final : public SystemEvents {
public:
    void start() override {}
};

enum class Data { day, none, unopenable, damaged };

// A Monitor over a real history store in a temporary folder, never sampling.
struct Fixture {
    explicit Fixture(Data data)
        : settings(dir.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat)
        , prefs(settings)
    {
        QString path = dir.filePath(QStringLiteral("Voltmere/history.sqlite"));
        if (data == Data::unopenable) {
            // A file where the folder should be: the store cannot open.
            QFile blocker(dir.filePath(QStringLiteral("Voltmere")));
            blocker.open(QIODevice::WriteOnly);
        }
        if (data == Data::damaged) {
            // Garbage where the database should be: kept aside, a new one made.
            QDir().mkpath(dir.filePath(QStringLiteral("Voltmere")));
            QFile garbage(path);
            garbage.open(QIODevice::WriteOnly);
            garbage.write(QByteArray(8192, 'x'));
        }
        store = std::make_unique<HistoryStore>(path, clock);
        if (data == Data::day) {
            fillHistory(*store, fixedNow() - 26 * 3600, fixedNow() - 20);
        }
        monitor = std::make_unique<Monitor>(prefs, *store,
            std::make_unique<SamplingEngine>(SamplingEngine::Readers {}, 8.0, clock),
            std::make_unique<NoSystemEvents>(), clock);
    }
    QTemporaryDir dir;
    QSettings settings;
    Preferences prefs;
    FixedClock clock;
    std::unique_ptr<HistoryStore> store;
    std::unique_ptr<Monitor> monitor;
};

// The page under its controls, as the dashboard's chrome places them, and
// the fixture it reads, for as long as the picture needs them.
class PageHost final : public QWidget {
public:
    explicit PageHost(std::unique_ptr<Fixture> fixture)
        : m_fixture(std::move(fixture))
        , m_view(new HistoryView(*m_fixture->monitor))
    {
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        auto *controls = m_view->control();
        controls->setParent(this);
        layout->addWidget(controls, 0, Qt::AlignRight);
        m_view->setParent(this);
        layout->addWidget(m_view);
    }
    ~PageHost() override
    {
        // The page goes before the Monitor it reads.
        delete m_view;
    }
    HistoryView *view() const { return m_view; }
    Fixture &fixture() const { return *m_fixture; }

private:
    std::unique_ptr<Fixture> m_fixture;
    HistoryView *m_view;
};

// Waits for the page's process lookup, which runs on the thread pool.
void awaitInspection(HistoryView *view)
{
    QElapsedTimer timer;
    timer.start();
    while (view->inspected() && !view->inspected()->processes && !view->inspected()->sampleDate
        && timer.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

QWidget *dayPage(HistoryMetric metric, int hours, bool inspect)
{
    auto *host = new PageHost(std::make_unique<Fixture>(Data::day));
    HistoryView *view = host->view();
    view->controls()->setMetric(metric);
    view->controls()->setHours(hours);
    view->showPreloaded(
        host->fixture().store->load(metric, fixedNow() - hours * 3600.0, fixedNow(), HistoryPage::bucketCount),
        fixedNow());
    if (inspect) {
        const std::vector<ChartPoint> spikes = HistoryPage::spikes(view->peaks(), hours);
        if (!spikes.empty()) {
            view->inspect(spikes.front().date, spikes.front().value);
            awaitInspection(view);
        }
    }
    return host;
}

} // namespace

std::vector<Surface> historySurfaces()
{
    const QSize page(1000, 1180);
    return {
        { QStringLiteral("history-cpu-24h"), [] { return dayPage(HistoryMetric::cpu, 24, true); }, {}, page },
        { QStringLiteral("history-cpu-1h"), [] { return dayPage(HistoryMetric::cpu, 1, false); }, {}, page },
        { QStringLiteral("history-netin-7d"), [] { return dayPage(HistoryMetric::netIn, 168, false); }, {}, page },
        { QStringLiteral("history-cputemperature-24h"),
            [] { return dayPage(HistoryMetric::cpuTemperature, 24, true); }, {}, page },
        { QStringLiteral("history-fanspeed-6h"), [] { return dayPage(HistoryMetric::fanSpeed, 6, false); }, {}, page },
        { QStringLiteral("history-empty"),
            [] {
                auto *host = new PageHost(std::make_unique<Fixture>(Data::none));
                host->view()->showPreloaded({}, fixedNow());
                return static_cast<QWidget *>(host);
            },
            {}, QSize(1000, 420) },
        { QStringLiteral("history-skeleton"),
            [] {
                auto *host = new PageHost(std::make_unique<Fixture>(Data::none));
                host->view()->showPlaceholder();
                return static_cast<QWidget *>(host);
            },
            {}, QSize(1000, 640) },
        { QStringLiteral("history-damaged"),
            [] {
                auto *host = new PageHost(std::make_unique<Fixture>(Data::damaged));
                host->view()->showPreloaded({}, fixedNow());
                return static_cast<QWidget *>(host);
            },
            {}, QSize(1000, 460) },
        { QStringLiteral("history-unavailable"),
            [] {
                auto *host = new PageHost(std::make_unique<Fixture>(Data::unopenable));
                host->view()->showPreloaded({}, fixedNow());
                return static_cast<QWidget *>(host);
            },
            {}, QSize(1000, 420) },
    };
}

} // namespace voltmere::render
