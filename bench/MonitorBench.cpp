// The cost of one sampling tick on this machine, and of the Monitor's
// main-thread work for one tick once it holds a full hour of snapshots.

#include "history/HistoryRecorder.h"
#include "monitor/Monitor.h"
#include "platform/SystemEvents.h"
#include "preferences/Preferences.h"
#include "sampling/PlatformReaders.h"
#include "sampling/SamplingEngine.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace voltmere;

namespace {

class NullRecorder final : public HistoryRecorder {
public:
    void mark(HistoryEvent, Timestamp, bool) override {}
    void record(const Snapshot &) override {}
    void flush(bool) override {}
};

// `hot` makes every snapshot satisfy the insight rules' conditions, so their
// streaks walk the whole hour: the worst case for a tick.
Snapshot busySnapshot(Timestamp date, bool hot = false)
{
    Snapshot s;
    s.date = date;
    s.awake = date - 1'700'000'000.0;
    s.cpuTotal = hot ? 92.5 : 37.5;
    s.cpuUser = 30;
    s.cpuSystem = 7.5;
    s.memPressure = 42;
    s.memLevel = hot ? MemoryPressureLevel::warning : MemoryPressureLevel::normal;
    s.memUsed = 9e9;
    s.memTotal = 16e9;
    s.swapUsed = 1e9;
    s.swapTotal = 4e9;
    s.diskRead = 1e6;
    s.diskWrite = 2e6;
    s.netIn = 3e5;
    s.netOut = 1e5;
    BatteryReading battery;
    battery.level = 80;
    battery.state = ChargingState::charging;
    battery.isPluggedIn = true;
    s.battery = battery;
    for (int i = 0; i < 10; ++i) {
        s.topProcesses.push_back({1000 + i, QStringLiteral("process-%1").arg(i), 50.0 - i});
    }
    s.otherProcessesCPU = 12;
    s.selfCPU = 0.4;
    s.selfCPUSeconds = 0.008;
    s.interval = 2;
    return s;
}

// One engine tick with every reader this platform has, on the engine's queue.
void BM_EngineTick(benchmark::State &state)
{
    SamplingEngine engine(makePlatformReaders(), activeProcessorCount());
    engine.queue().sync([&] {
        engine.sample(); // baselines
        for (auto _ : state) {
            benchmark::DoNotOptimize(engine.sample());
        }
    });
}
BENCHMARK(BM_EngineTick)->Unit(benchmark::kMicrosecond);

// ingest() of one snapshot when the Monitor already holds an hour of them at
// 2-second ticks (1,800), so each tick also trims the oldest.
void BM_IngestFullHour(benchmark::State &state)
{
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat);
    Preferences prefs(settings);
    NullRecorder recorder;
    Monitor monitor(prefs, recorder,
                    std::make_unique<SamplingEngine>(SamplingEngine::Readers{}, activeProcessorCount()), nullptr);
    // Dated up to now, so the insight rules see a fresh hour as they do live.
    Timestamp date = Clock::system().now() - 3600;
    for (int i = 0; i < 1800; ++i) {
        monitor.ingest(busySnapshot(date, state.range(0) != 0));
        date += 2;
    }
    Snapshot next = busySnapshot(date, state.range(0) != 0);
    for (auto _ : state) {
        next.date = date;
        monitor.ingest(next);
        date += 2;
    }
    state.counters["held"] = static_cast<double>(monitor.snapshots().size());
}
BENCHMARK(BM_IngestFullHour)->Arg(0)->Arg(1)->ArgName("hot")->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
