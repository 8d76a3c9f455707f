// History store figures: the two queries the History page runs over a full
// 30-day database, one periodic flush, and the disk cost of a day.

#include "history/HistoryQueries.h"
#include "history/HistoryStore.h"
#include "platform/Clock.h"

#include <QCoreApplication>
#include <QString>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <random>

namespace {

using namespace voltmere;

constexpr double day = 86400;
constexpr double tick = 5;
constexpr int days = 30;
constexpr int gapCount = 300;

class SteppedClock final : public Clock {
public:
    Timestamp now() const override { return m_now.load(); }
    std::uint64_t awakeNanoseconds() const override { return 0; }
    void set(Timestamp t) { m_now = t; }

private:
    std::atomic<Timestamp> m_now { 0 };
};

struct Fixture {
    QTemporaryDir dir;
    SteppedClock clock;
    std::unique_ptr<HistoryStore> store;
    Timestamp end = 0;
    Timestamp nextFlushDate = 0;
    long samples = 0;
    double buildSeconds = 0;
    sqlite3 *reader = nullptr; // read-only, like the store's own
};

Fixture *fixture = nullptr;

// The queries run on the store's own thread, so Google Benchmark's CPU column
// (this thread only) misses them; the process's CPU time catches all of it,
// and unlike wall time it does not grow when other work shares the cores.
double processCpuSeconds()
{
    timespec ts {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

struct ProcessCpuCounter {
    explicit ProcessCpuCounter(benchmark::State &state)
        : state(state)
        , began(processCpuSeconds())
    {
    }
    ~ProcessCpuCounter()
    {
        const double iterations = static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
        state.counters["process_cpu_ms"] = (processCpuSeconds() - began) * 1000 / iterations;
    }
    benchmark::State &state;
    double began;
};

const char *const processNames[]
    = { "WindowServer", "kernel_task", "firefox", "Xorg", "pipewire", "code", "gnome-shell", "cc1plus", "node",
          "python3", "mds_stores", "Slack", "systemd-journal", "ld", "clang", "dockerd", "postgres", "java" };

// Five listed processes per tick, the busiest first, as the sampler hands
// them over; usually two or three are above the 0.5 % storage threshold.
Snapshot makeSnapshot(Timestamp date, double awake, std::mt19937 &random)
{
    std::uniform_real_distribution<double> unit(0, 1);
    Snapshot s;
    s.date = date;
    s.awake = awake;
    s.cpuTotal = 5 + 40 * unit(random);
    s.memPressure = 30 + 20 * unit(random);
    s.memLevel = MemoryPressureLevel::normal;
    s.memUsed = 8e9 + 2e9 * unit(random);
    s.swapUsed = 1e8 * unit(random);
    s.diskRead = 1e6 * unit(random);
    s.diskWrite = 5e5 * unit(random);
    s.netIn = 2e5 * unit(random);
    s.netOut = 5e4 * unit(random);
    s.battery = BatteryReading {};
    s.battery->level = 20 + static_cast<int>(80 * unit(random));
    s.battery->isPluggedIn = unit(random) < 0.5;
    s.battery->state = s.battery->isPluggedIn ? ChargingState::charging : ChargingState::onBattery;
    s.sensors = SensorReading {};
    s.sensors->cpuCelsius = 40 + 0.5 * *s.cpuTotal;
    s.sensors->fans = { { QStringLiteral("Fan 1"), 1200 + 30 * *s.cpuTotal } };
    double cpu = 60 * unit(random);
    for (int i = 0; i < 5; ++i) {
        const auto name = processNames[random() % std::size(processNames)];
        s.topProcesses.push_back({ static_cast<std::int32_t>(300 + random() % 4000), QString::fromLatin1(name), cpu });
        cpu *= 0.1 + 0.3 * unit(random);
    }
    return s;
}

// 30 days at 5-second ticks, written through the store's own batching, with
// a few hundred holes: sleeps (awake clock stopped, sleep/wake marked), quits
// (stop/start marked) and unexplained silences.
void buildFixture()
{
    const auto began = std::chrono::steady_clock::now();
    fixture = new Fixture;
    const Timestamp start = 1'800'000'000;
    fixture->clock.set(start);
    fixture->store = std::make_unique<HistoryStore>(fixture->dir.filePath("history.sqlite"), fixture->clock);
    fixture->store->setRetentionDays(days);
    HistoryStore &store = *fixture->store;

    std::mt19937 random(42);
    std::uniform_real_distribution<double> gapLength(30, 900);
    const double gapEvery = days * day / gapCount;
    double nextGap = start + gapEvery / 2;
    double awake = 1000;
    int gapIndex = 0;
    Timestamp t = start;
    const Timestamp last = start + days * day;
    while (t < last) {
        fixture->clock.set(t);
        store.record(makeSnapshot(t, awake, random));
        ++fixture->samples;
        if (t >= nextGap) {
            const double length = gapLength(random);
            switch (gapIndex++ % 3) {
            case 0:
                store.mark(HistoryEvent::sleep, t + 1, true);
                store.mark(HistoryEvent::wake, t + length - 1, false);
                break; // the awake clock stands still while asleep
            case 1:
                store.mark(HistoryEvent::stop, t + 1, false);
                store.mark(HistoryEvent::start, t + length - 1, false);
                awake += length;
                break;
            default:
                awake += length;
                break;
            }
            t += length;
            nextGap += gapEvery;
        } else {
            t += tick;
            awake += tick;
        }
    }
    store.flush(true);
    fixture->end = t;
    fixture->nextFlushDate = t + 1000;
    fixture->buildSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    const QByteArray path = fixture->dir.filePath("history.sqlite").toUtf8();
    sqlite3_open_v2(path.constData(), &fixture->reader, SQLITE_OPEN_READONLY, nullptr);
    HistoryQueries::tuneReadConnection(fixture->reader);
}

void BM_Load7Days240Buckets(benchmark::State &state)
{
    const ProcessCpuCounter cpu(state);
    HistoryStore &store = *fixture->store;
    int buckets = 0;
    for (auto _ : state) {
        const HistorySeries series = store.load(HistoryMetric::cpu, fixture->end - 7 * day, fixture->end, 240);
        buckets = static_cast<int>(series.buckets.size());
        benchmark::DoNotOptimize(series);
    }
    state.counters["buckets"] = buckets;
}
BENCHMARK(BM_Load7Days240Buckets)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Load1Hour240Buckets(benchmark::State &state)
{
    const ProcessCpuCounter cpu(state);
    HistoryStore &store = *fixture->store;
    for (auto _ : state) {
        benchmark::DoNotOptimize(store.load(HistoryMetric::battery, fixture->end - 3600, fixture->end, 240));
    }
}
BENCHMARK(BM_Load1Hour240Buckets)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Gaps(benchmark::State &state)
{
    const ProcessCpuCounter cpu(state);
    HistoryStore &store = *fixture->store;
    const double range = static_cast<double>(state.range(0)) * day;
    std::size_t gaps = 0;
    for (auto _ : state) {
        const auto found = store.gaps(fixture->end - range, fixture->end);
        gaps = found.size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["gaps"] = static_cast<double>(gaps);
}
BENCHMARK(BM_Gaps)->Arg(7)->Arg(30)->Unit(benchmark::kMillisecond)->UseRealTime();

// The History page's load (buckets, gaps and their events) for one range,
// run both ways on one read-only connection: the grouped and window-function
// statements as written (arg 1 = 0) and the single ordered pass (arg 1 = 1).
void BM_LoadSideBySide(benchmark::State &state)
{
    const ProcessCpuCounter cpu(state);
    const double hours = static_cast<double>(state.range(0));
    const bool byStatements = state.range(1) == 0;
    const Timestamp from = fixture->end - hours * 3600;
    HistorySeries series;
    for (auto _ : state) {
        series = byStatements ? HistoryQueries::loadByStatements(fixture->reader, HistoryMetric::cpu, from, fixture->end, 240)
                              : HistoryQueries::load(fixture->reader, HistoryMetric::cpu, from, fixture->end, 240);
        benchmark::DoNotOptimize(series);
    }
    state.SetLabel(byStatements ? "statements" : "pass");
    state.counters["buckets"] = static_cast<double>(series.buckets.size());
    state.counters["gaps"] = static_cast<double>(series.gaps.size());
}
BENCHMARK(BM_LoadSideBySide)
    ->ArgsProduct({ { 1, 24, 168 }, { 0, 1 } })
    ->ArgNames({ "hours", "pass" })
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// One periodic batch: two minutes of 5-second ticks, five processes each,
// into the full database.
void BM_Flush24Snapshots(benchmark::State &state)
{
    const ProcessCpuCounter cpu(state);
    HistoryStore &store = *fixture->store;
    std::mt19937 random(7);
    std::vector<Snapshot> batch;
    for (auto _ : state) {
        state.PauseTiming();
        batch.clear();
        for (int i = 0; i < 24; ++i) {
            batch.push_back(makeSnapshot(fixture->nextFlushDate, 0, random));
            fixture->nextFlushDate += tick;
        }
        state.ResumeTiming();
        for (const Snapshot &s : batch) {
            store.record(s);
        }
        store.flush(true);
    }
}
BENCHMARK(BM_Flush24Snapshots)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    buildFixture();
    const double bytes = static_cast<double>(fixture->store->fileSize());
    std::printf("synthetic history: %ld samples over %d days with %d gaps, built in %.1f s\n", fixture->samples, days,
        gapCount, fixture->buildSeconds);
    std::printf("database size: %.1f MB, %.0f bytes per day of recording (%.0f per sample)\n", bytes / 1e6,
        bytes / days, bytes / static_cast<double>(fixture->samples));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    sqlite3_close(fixture->reader);
    fixture->store.reset();
    delete fixture;
    return 0;
}
