// What the menu-bar panel costs the program: its own CPU time (the Monitor's
// self-usage accumulators) over a stretch with the panel open, and over a
// stretch with it closed, on this machine's readers with a real history
// store and a real panel on the offscreen platform. Each stretch lasts
// VOLTMERE_PANEL_BENCH_SECONDS (default 60).

#include "history/HistoryStore.h"
#include "menubar/view/MenuBarPanel.h"
#include "monitor/Monitor.h"
#include "platform/SystemEvents.h"
#include "preferences/Preferences.h"
#include "sampling/SamplingEngine.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QEventLoop>
#include <QMap>
#include <QPaintEvent>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdio>
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

// Counts what the widgets paint: how many paint events, and how many
// device-independent pixels they cover, per class of widget.
class PaintCounter final : public QObject {
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            const QRegion &region = static_cast<QPaintEvent *>(event)->region();
            qint64 area = 0;
            for (const QRect &r : region) {
                area += qint64(r.width()) * r.height();
            }
            QString name = QString::fromLatin1(watched->metaObject()->className());
            for (QObject *up = watched->parent(); up && name.count(QLatin1Char('<')) < 2; up = up->parent()) {
                name += QStringLiteral(" < ") + QString::fromLatin1(up->metaObject()->className());
            }
            Count &c = byClass[name];
            ++c.events;
            c.pixels += area;
            ++events;
            pixels += area;
        }
        return false;
    }
    struct Count {
        qint64 events = 0;
        qint64 pixels = 0;
    };
    QMap<QString, Count> byClass;
    qint64 events = 0;
    qint64 pixels = 0;
};

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
    PaintCounter paints;
    qApp->installEventFilter(&paints);
    for (auto _ : state) {
        runEventLoop(stretchSeconds());
    }
    qApp->removeEventFilter(&paints);
    report(state, before, p.monitor.selfOpen());
    const double seconds = stretchSeconds();
    state.counters["paintsPerSecond"] = paints.events / seconds;
    state.counters["paintedPixelsPerSecond"] = paints.pixels / seconds;
    if (qEnvironmentVariableIsSet("VOLTMERE_PANEL_BENCH_PAINTS")) {
        for (auto it = paints.byClass.cbegin(); it != paints.byClass.cend(); ++it) {
            std::fprintf(stderr, "%-40s %8.2f paints/s %10.0f px/s\n", qPrintable(it.key()), it->events / seconds,
                         it->pixels / seconds);
        }
    }
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
