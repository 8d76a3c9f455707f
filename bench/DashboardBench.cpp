// What one sampling round costs the dashboard: a new snapshot ingested by a
// Monitor that holds a full hour, with the dashboard open on the Overview
// with the one-hour window (refresh and repaint on the offscreen platform),
// against the same round with the window closed. The whole program's CPU
// with the real readers is measured by bench/dashboard-cpu.sh.

#include "app/view/Surfaces.h"
#include "dashboard/view/DashboardView.h"
#include "history/HistoryRecorder.h"
#include "monitor/Monitor.h"
#include "platform/SystemEvents.h"
#include "preferences/Preferences.h"
#include "sampling/SamplingEngine.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPaintEvent>
#include <QSettings>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>

using namespace voltmere;

namespace {

class NoHistory final : public HistoryRecorder {
public:
    void mark(HistoryEvent, Timestamp, bool) override {}
    void record(const Snapshot &) override {}
    void flush(bool) override {}
};

class NoSystemEvents final : public SystemEvents {
public:
    void start() override {}
};

constexpr double period = 2.0;

// Counts every paint event, the area it covers and, per widget class, the
// time it takes: a round that repaints more than the charts and values
// shows in the counters. VOLTMERE_BENCH_PAINTS=1 prints the classes.
class PaintLog final : public QApplication {
public:
    using QApplication::QApplication;

    struct Cost {
        long events = 0;
        qint64 nanos = 0;
    };

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (event->type() != QEvent::Paint) {
            return QApplication::notify(receiver, event);
        }
        for (const QRect &box : static_cast<QPaintEvent *>(event)->region()) {
            pixels += double(box.width()) * box.height();
        }
        QElapsedTimer timer;
        timer.start();
        const bool result = QApplication::notify(receiver, event);
        Cost &cost = byClass[QString::fromLatin1(receiver->metaObject()->className())];
        ++cost.events;
        cost.nanos += timer.nsecsElapsed();
        return result;
    }

    void reset()
    {
        pixels = 0;
        byClass.clear();
    }

    double pixels = 0;
    std::map<QString, Cost> byClass;
};

PaintLog *paintLog()
{
    return static_cast<PaintLog *>(qApp);
}

struct Hour {
    Hour()
        : settings(dir.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat)
        , prefs(settings)
        , monitor(prefs, history, std::make_unique<SamplingEngine>(SamplingEngine::Readers{}, 8.0),
                  std::make_unique<NoSystemEvents>())
    {
        prefs.setOverviewWindowMinutes(60);
        next = Clock::system().now() - 3600;
        for (int i = 0; i < 1800; ++i) {
            ingestNext();
        }
    }

    void ingestNext()
    {
        const double phase = round++ / 40.0;
        Snapshot s;
        s.date = next;
        next += period;
        s.interval = period;
        s.cpuTotal = 22 + 10 * std::sin(phase);
        s.cpuUser = *s.cpuTotal * 0.7;
        s.cpuSystem = *s.cpuTotal * 0.3;
        s.memPressure = 38 + 6 * std::sin(phase / 3);
        s.memLevel = MemoryPressureLevel::normal;
        s.memUsed = 10.6e9;
        s.memTotal = 16e9;
        s.swapUsed = 0.8e9;
        s.swapTotal = 2e9;
        s.diskRead = 180e3 * (1 + std::sin(phase * 1.7));
        s.diskWrite = 90e3 * (1 + std::cos(phase));
        s.netIn = 40e3 * (1.2 + std::sin(phase * 0.8));
        s.netOut = 9e3 * (1.2 + std::cos(phase * 1.3));
        s.topProcesses = {{4121, QStringLiteral("firefox"), 38.4 + std::sin(phase)},
                          {873, QStringLiteral("kwin_x11"), 12.1},
                          {1290, QStringLiteral("python3.11"), 6.5}};
        monitor.ingest(s);
    }

    QTemporaryDir dir;
    QSettings settings;
    Preferences prefs;
    NoHistory history;
    Monitor monitor;
    Timestamp next = 0;
    int round = 0;
};

void runRounds(benchmark::State &state, bool open)
{
    Hour hour;
    std::unique_ptr<DashboardView> view;
    if (open) {
        hour.monitor.setSurfaceOpen(DashboardView::surface, true);
        view = std::make_unique<DashboardView>(
            hour.monitor, [&hour](DashboardSection section) { return Surfaces::dashboardPage(section, hour.monitor); });
        view->resize(1120, 780);
        view->show();
    }
    QApplication::processEvents();
    paintLog()->reset();
    const std::clock_t start = std::clock();
    for (auto _ : state) {
        hour.ingestNext();
        // The refresh is queued; the repaint follows it.
        QApplication::processEvents();
        QApplication::processEvents();
    }
    const double cpuMs = double(std::clock() - start) / CLOCKS_PER_SEC * 1000 / double(state.iterations());
    state.counters["cpuMsPerRound"] = cpuMs;
    state.counters["percentOfCoreAt2s"] = cpuMs / 1000 / period * 100;
    const double rounds = double(state.iterations());
    long events = 0;
    for (const auto &[name, cost] : paintLog()->byClass) {
        events += cost.events;
        if (std::getenv("VOLTMERE_BENCH_PAINTS")) {
            std::fprintf(stderr, "  %-34s %5.2f paints %7.3f ms per round\n", qPrintable(name),
                double(cost.events) / rounds, double(cost.nanos) / 1e6 / rounds);
        }
    }
    state.counters["paintsPerRound"] = double(events) / rounds;
    state.counters["paintedKpxPerRound"] = paintLog()->pixels / 1000 / rounds;
}

void BM_RoundDashboardClosed(benchmark::State &state)
{
    runRounds(state, false);
}

void BM_RoundDashboardOpen(benchmark::State &state)
{
    runRounds(state, true);
}

BENCHMARK(BM_RoundDashboardClosed)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_RoundDashboardOpen)->Unit(benchmark::kMillisecond)->MinTime(3);

} // namespace

int main(int argc, char **argv)
{
    if (!std::getenv("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    PaintLog app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
