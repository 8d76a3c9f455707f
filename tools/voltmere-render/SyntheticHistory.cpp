#include "SyntheticHistory.h"

#include "history/HistoryStore.h"

#include <algorithm>
#include <cmath>

namespace voltmere::render {

namespace {

double cpuAt(double t)
{
    const double wave = 16 + 12 * std::sin(t / 1900.0) + 6 * std::sin(t / 310.0 + 1.3);
    const double burst = std::fmod(t, 5400.0) < 420 ? 38 + 10 * std::sin(t / 40.0) : 0;
    return std::clamp(wave + burst, 1.0, 100.0);
}

std::vector<ProcessCPU> processesAt(double t, double cpu)
{
    const double busy = cpu * 2.2;
    std::vector<ProcessCPU> list { { 4121, QStringLiteral("firefox"), busy * 0.55 },
        { 873, QStringLiteral("kwin_x11"), busy * 0.2 }, { 1290, QStringLiteral("python3"), busy * 0.12 },
        { 2210, QStringLiteral("pipewire"), 0.9 }, { 655, QStringLiteral("Xorg"), 0.3 } };
    if (std::fmod(t, 5400.0) < 420) {
        list.insert(list.begin(), { 30211, QStringLiteral("cc1plus"), 180 + 20 * std::sin(t) });
        list.pop_back();
    }
    return list;
}

} // namespace

void fillHistory(HistoryStore &store, Timestamp from, Timestamp to, double tick)
{
    double awake = 40000;
    int hole = 0;
    int written = 0;
    Timestamp nextHole = from + 5 * 3600 + 1234;
    for (Timestamp t = from; t <= to; t += tick) {
        Snapshot s;
        s.date = t;
        s.awake = awake;
        s.interval = tick;
        s.cpuTotal = cpuAt(t);
        s.memPressure = 35 + 10 * std::sin(t / 5000.0);
        s.memLevel = MemoryPressureLevel::normal;
        s.memUsed = (9.5 + std::sin(t / 7000.0)) * 1024 * 1024 * 1024;
        s.swapUsed = (300 + 200 * std::sin(t / 20000.0)) * 1024 * 1024;
        s.diskRead = std::max(0.0, 2e6 * std::sin(t / 900.0));
        s.diskWrite = std::max(0.0, 8e5 * std::sin(t / 1300.0 + 2));
        s.netIn = 1.5e5 + 1e5 * std::sin(t / 600.0);
        s.netOut = 3e4 + 2e4 * std::sin(t / 800.0);
        s.battery = BatteryReading {};
        s.battery->level = static_cast<int>(60 + 35 * std::sin(t / 14000.0));
        s.battery->isPluggedIn = std::sin(t / 14000.0) < 0;
        s.battery->state = s.battery->isPluggedIn ? ChargingState::charging : ChargingState::onBattery;
        s.topProcesses = processesAt(t, *s.cpuTotal);
        // The processor warms with its load, and the fan follows.
        s.sensors = SensorReading {};
        s.sensors->cpuCelsius = std::round((42 + 0.45 * *s.cpuTotal) * 8) / 8;
        s.sensors->fans = { { QStringLiteral("Fan 1"), std::round(1400 + 22 * *s.cpuTotal) } };
        store.record(s);
        // Batches of a day or so, so a month is never held in memory at once.
        if (++written % 20000 == 0) {
            store.flush(true);
        }
        awake += tick;
        if (t >= nextHole && t + 7200 < to) {
            const double length = 1500 + 900 * (hole % 3);
            switch (hole++ % 3) {
            case 0:
                store.mark(HistoryEvent::sleep, t + 1, false);
                store.mark(HistoryEvent::wake, t + length - 1, false);
                break; // the awake clock stands still
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
            nextHole += 5 * 3600 + 1234;
        }
    }
    store.flush(true);
}

} // namespace voltmere::render
