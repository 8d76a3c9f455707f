// What the menu-bar panel costs the program: its own CPU time (the Monitor's
// self-usage accumulators) over a stretch with the panel open, and over a
// stretch with it closed, on this machine's readers with a real history
// store and a real panel on the offscreen platform. Each stretch lasts
// VOLTMERE_PANEL_BENCH_SECONDS (default 60).

#include "app/Preferences.h"
#include "history/HistoryStore.h"
#include "menubar/view/MenuBarPanel.h"
#include "monitor/Monitor.h"
#include "platform/SystemEvents.h"
#include "sampling/SamplingEngine.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

using namespace voltmere;

namespace {

int stretchSeconds()
{
    const QByteArray value = qgetenv("VOLTMERE_PANEL_BENCH_SECONDS");
    bool ok = false;
    const int seconds = value.toInt(&ok);
    return ok && seconds > 0 ? seconds : 60;
}

struct Program {
    Program()
        : settings(dir.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat)
        , prefs(settings)
        , store(dir.filePath(QStringLiteral("history.sqlite")))
        , monitor(prefs, store, SamplingEngine::createForThisMachine(), SystemEvents::createForThisMachine())
        , panel(MenuBarPanel::createWindow(monitor, nullptr, {}))
    {
        monitor.start();
    }
    ~Program()
    {
        panel.reset();
        monitor.stop();
    }

    QTemporaryDir dir;
    QSettings settings;
    Preferences prefs;
    HistoryStore store;
    Monitor monitor;
    std::unique_ptr<MenuBarPanel> panel;
};

Program &program()
{
    static Program instance;
    return instance;
}

// Idles in the event loop as the program does, so only its own work counts.
void runEventLoop(int seconds)
{
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
}

void report(benchmark::State &state, Monitor::UsageAccumulator before, Monitor::UsageAccumulator after)
{
    const double cpu = after.cpuSeconds - before.cpuSeconds;
    const double wall = after.wallSeconds - before.wallSeconds;
    state.counters["cpuSeconds"] = cpu;
    state.counters["wallSeconds"] = wall;
    state.counters["selfCPUPercent"] = wall > 0 ? cpu / wall * 100 : 0;
}

void BM_PanelOpen(benchmark::State &state)
{
    Program &p = program();
    p.panel->show();
    // Let the first tick at the faster period land before measuring.
    runEventLoop(3);
    const Monitor::UsageAccumulator before = p.monitor.selfOpen();
    for (auto _ : state) {
        runEventLoop(stretchSeconds());
    }
    report(state, before, p.monitor.selfOpen());
    state.counters["periodSeconds"] = p.monitor.interval();
}

void BM_PanelClosed(benchmark::State &state)
{
    Program &p = program();
    p.panel->close();
    runEventLoop(6);
    const Monitor::UsageAccumulator before = p.monitor.selfClosed();
    for (auto _ : state) {
        runEventLoop(stretchSeconds());
    }
    report(state, before, p.monitor.selfClosed());
    state.counters["periodSeconds"] = p.monitor.interval();
}

BENCHMARK(BM_PanelOpen)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_PanelClosed)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    if (!std::getenv("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
