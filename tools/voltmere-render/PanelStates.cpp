#include "RenderFixture.h"
#include "Surface.h"

#include "dashboard/view/ProcessTable.h"
#include "history/HistoryRecorder.h"
#include "menubar/view/MenuBarPanel.h"
#include "menubar/view/PanelTiles.h"
#include "menubar/view/TileButton.h"
#include "monitor/Monitor.h"
#include "platform/SystemEvents.h"
#include "preferences/Preferences.h"
#include "sampling/SamplingEngine.h"
#include "ui/ProcessIcons.h"

#include <QDateTime>
#include <QSettings>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <cmath>
#include <functional>
#include <memory>

namespace voltmere::render {

namespace {

BatteryReading battery(int level, ChargingState state)
{
    BatteryReading reading;
    reading.level = level;
    reading.state = state;
    reading.isPluggedIn = state != ChargingState::onBattery;
    return reading;
}

std::vector<ProcessCPU> busiest()
{
    return {{4121, QStringLiteral("Google Chrome Helper (Renderer)"), 38.4},
            {873, QStringLiteral("kwin_x11"), 12.1},
            {1290, QStringLiteral("python3.11"), 6.5}};
}

// A minute of readings every 2 s ending now, the CPU following `cpu`; a
// 26-second hole from 40 s to 14 s ago when `withHole` (a new segment).
std::vector<Snapshot> lastMinute(const std::function<double(int)> &cpu, bool withHole)
{
    std::vector<Snapshot> out;
    const Timestamp now = fixedNow();
    for (int i = 0; i <= 30; ++i) {
        const Timestamp date = now - 60 + 2.0 * i;
        if (withHole && date > now - 40 && date < now - 14) {
            continue;
        }
        Snapshot s;
        s.date = date;
        s.interval = 2;
        s.cpuTotal = cpu(i);
        s.memPressure = 41;
        s.memLevel = MemoryPressureLevel::normal;
        s.memUsed = 10.6 * 1024 * 1024 * 1024;
        s.memTotal = 16.0 * 1024 * 1024 * 1024;
        s.topProcesses = busiest();
        out.push_back(s);
    }
    return out;
}

// Three minutes of readings every 2 s ending now, each shaped by `shape`
// with its index: long enough for the insights' two-minute streaks.
std::vector<Snapshot> lastThreeMinutes(const std::function<void(Snapshot &, int)> &shape)
{
    std::vector<Snapshot> out;
    for (int i = 0; i <= 90; ++i) {
        Snapshot s = lastMinute([](int) { return 0.0; }, false).front();
        s.date = fixedNow() - 180 + 2.0 * i;
        shape(s, i);
        out.push_back(s);
    }
    return out;
}

double wave(int i)
{
    return 18 + 9 * std::sin(i / 3.0) + (i % 7 == 0 ? 14 : 0);
}

using Setup = std::function<void(Fixture &)>;

QWidget *panel(const Setup &setup)
{
    auto fixture = std::make_unique<Fixture>();
    setup(*fixture);
    return new FixtureHost(std::move(fixture), [](Fixture &f) -> QWidget * { return new MenuBarPanel(f.monitor, nullptr); });
}

void feed(Fixture &f, std::vector<Snapshot> snapshots, const std::optional<BatteryReading> &reading)
{
    for (Snapshot &s : snapshots) {
        s.battery = reading;
        f.monitor.ingest(s);
    }
}

Snapshot processSnapshot(bool combined)
{
    Snapshot s;
    s.date = fixedNow();
    s.topProcesses = {{4121, QStringLiteral("Google Chrome Helper (Renderer)"), 250.0},
                      {1290, QStringLiteral("python3.11"), 50.0},
                      {873, QStringLiteral("kwin_x11"), 12.4},
                      {2210, QStringLiteral("pipewire"), 3.2},
                      {3001, QStringLiteral("a-process-with-a-rather-long-name-that-will-not-fit-here"), 0.0}};
    if (combined) {
        s.otherProcessesCPU = 31.7;
        s.unreadableProcessCount = 212;
    }
    return s;
}

QWidget *processTable(std::optional<Snapshot> latest)
{
    // The python row shows the icon its desktop entry names; the others
    // have no entry and show the gear.
    ProcessIcons::Lookup lookup = ProcessIcons::defaultLookup();
    lookup.executablePath = [](std::int32_t pid) -> std::optional<QString> {
        if (pid == 1290) {
            return QStringLiteral("/usr/bin/python3.11");
        }
        return QStringLiteral("/opt/fixture/bin/process-%1").arg(pid);
    };
    ProcessIcons::setLookup(lookup);
    auto *table = new ProcessTable;
    table->setCores(8);
    table->setLatest(latest);
    table->setFixedWidth(620);
    return table;
}

// The power tile as the panel shows it, at a low, a middle and a full
// charge: the figure must stay inside the ring whatever its width.
QWidget *powerTiles()
{
    auto *column = new QWidget;
    column->setFixedWidth(MenuBarPanel::width);
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(8);
    const struct {
        int level;
        ChargingState state;
        std::optional<int> target;
    } tiles[] = {{8, ChargingState::onBattery, std::nullopt},
                 {76, ChargingState::charging, 85},
                 {100, ChargingState::fullyCharged, std::nullopt}};
    for (const auto &tile : tiles) {
        auto *power = new PowerTile;
        BatteryReading reading = battery(tile.level, tile.state);
        reading.adapterWatts = tile.state == ChargingState::onBattery ? std::nullopt : std::optional(65);
        reading.timeToEmptyMinutes = tile.state == ChargingState::onBattery ? std::optional(21) : std::nullopt;
        power->set(reading, true, tile.target);
        layout->addWidget(new TileButton(QStringLiteral("Battery"), power));
    }
    return column;
}

} // namespace

std::vector<Surface> panelSurfaces()
{
    return {
        {QStringLiteral("process-table-combined"), [] { return processTable(processSnapshot(true)); }, nullptr, {}},
        {QStringLiteral("process-table-listed-only"), [] { return processTable(processSnapshot(false)); }, nullptr,
         {}},
        {QStringLiteral("process-table-empty"), [] { return processTable(std::nullopt); }, nullptr, {}},
        {QStringLiteral("panel-waiting"), [] { return panel([](Fixture &) {}); }, nullptr, {}},
        {QStringLiteral("panel-power-tile"), [] { return powerTiles(); }, nullptr, {}},
        {QStringLiteral("panel-no-battery"),
         [] { return panel([](Fixture &f) { feed(f, lastMinute(wave, false), std::nullopt); }); }, nullptr, {}},
        {QStringLiteral("panel-reading"),
         [] {
             return panel([](Fixture &f) {
                 BatteryReading r = battery(76, ChargingState::onBattery);
                 r.timeToEmptyMinutes = 252;
                 feed(f, lastMinute(wave, true), r);
             });
         },
         nullptr, {}},
        {QStringLiteral("panel-charging-reminder"),
         [] {
             return panel([](Fixture &f) {
                 f.prefs.setReminderEnabled(true);
                 f.prefs.setReminderTarget(85);
                 BatteryReading r = battery(64, ChargingState::charging);
                 r.adapterWatts = 96;
                 r.timeToFullMinutes = 48;
                 std::vector<Snapshot> minute = lastMinute(wave, false);
                 for (Snapshot &s : minute) {
                     s.sensors = SensorReading{};
                     s.sensors->cpuCelsius = 54.5;
                 }
                 feed(f, minute, r);
             });
         },
         nullptr, {}},
        {QStringLiteral("panel-attention"),
         [] {
             return panel([](Fixture &f) {
                 // Three minutes above 80 %: the high-CPU insight.
                 feed(f, lastThreeMinutes([](Snapshot &s, int i) {
                     s.cpuTotal = 88 + 6 * std::sin(i / 4.0);
                     s.memLevel = MemoryPressureLevel::warning;
                     s.memPressure = 78;
                 }), battery(41, ChargingState::onBattery));
             });
         },
         nullptr, {}},
        {QStringLiteral("panel-hot"),
         [] {
             return panel([](Fixture &f) {
                 // Three minutes within 5 °C of the critical temperature.
                 feed(f, lastThreeMinutes([](Snapshot &s, int i) {
                     s.cpuTotal = 64 + 6 * std::sin(i / 4.0);
                     s.sensors = SensorReading{};
                     s.sensors->cpuCelsius = 97 + std::sin(i / 5.0);
                     s.sensors->cpuCriticalCelsius = 100;
                 }), battery(41, ChargingState::onBattery));
             });
         },
         nullptr, {}},
        {QStringLiteral("panel-info"),
         [] {
             return panel([](Fixture &f) {
                 BatteryReading r = battery(80, ChargingState::pluggedNotCharging);
                 r.adapterWatts = 65;
                 feed(f, lastMinute(wave, false), r);
             });
         },
         nullptr, {}},
    };
}

} // namespace voltmere::render
