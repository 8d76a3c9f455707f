#include "RenderFixture.h"
#include "Surface.h"
#include "app/view/Surfaces.h"

#include "dashboard/view/DashboardView.h"

#include <cmath>

namespace voltmere::render {

namespace {

constexpr double gib = 1024.0 * 1024 * 1024;

// An hour of readings every 2 s ending now, with the busiest processes of a
// working machine and a laptop's sensors. `unavailable` drops swap, disk
// read, network and every sensor (as in a virtual machine) and cuts a
// 45-second hole ten minutes ago.
std::vector<Snapshot> lastHour(bool unavailable)
{
    std::vector<Snapshot> out;
    const Timestamp now = fixedNow();
    for (int i = 0; i <= 1800; ++i) {
        const Timestamp date = now - 3600 + 2.0 * i;
        if (unavailable && date > now - 645 && date < now - 600) {
            continue;
        }
        const double phase = i / 40.0;
        Snapshot s;
        s.date = date;
        s.interval = 2;
        s.cpuTotal = 22 + 10 * std::sin(phase) + (i % 97 == 0 ? 30 : 0);
        s.cpuUser = *s.cpuTotal * 0.7;
        s.cpuSystem = *s.cpuTotal * 0.3;
        s.memPressure = 38 + 6 * std::sin(phase / 3);
        s.memLevel = MemoryPressureLevel::normal;
        s.memUsed = 10.6 * gib;
        s.memTotal = 16 * gib;
        s.swapUsed = (0.8 + 0.1 * std::sin(phase / 5)) * gib;
        s.swapTotal = 2 * gib;
        s.diskRead = 180e3 * (1 + std::sin(phase * 1.7)) + (i % 150 == 0 ? 4.2e6 : 0);
        s.diskWrite = 90e3 * (1 + std::cos(phase)) + (i % 60 == 0 ? 1.5e6 : 0);
        s.netIn = 40e3 * (1.2 + std::sin(phase * 0.8));
        s.netOut = 9e3 * (1.2 + std::cos(phase * 1.3));
        s.topProcesses = {{4121, QStringLiteral("firefox"), 38.4},
                          {873, QStringLiteral("kwin_x11"), 12.1},
                          {1290, QStringLiteral("python3.11"), 6.5},
                          {2210, QStringLiteral("pipewire"), 3.2},
                          {2301, QStringLiteral("voltmere"), 0.6}};
        s.otherProcessesCPU = 4.2;
        s.unreadableProcessCount = 37;
        s.sensors = SensorReading{};
        s.sensors->cpuCelsius = std::round((51 + 7 * std::sin(phase * 0.9) + (i % 97 == 0 ? 12 : 0)) * 8) / 8;
        s.sensors->cpuCriticalCelsius = 100;
        s.sensors->cpuFile = QStringLiteral("/sys/class/hwmon/hwmon3/temp1_input");
        s.sensors->others = {{QStringLiteral("NVMe"), 41.85}, {QStringLiteral("Chipset"), 47}};
        s.sensors->fans = {{QStringLiteral("Fan 1"), std::round(2300 + 400 * std::sin(phase * 0.9))}};
        if (unavailable) {
            s.sensors.reset();
            s.swapUsed.reset();
            s.swapTotal.reset();
            s.diskRead.reset();
            s.netIn.reset();
            s.netOut.reset();
            s.memLevel = MemoryPressureLevel::warning;
            s.memPressure = *s.memPressure + 30;
        }
        out.push_back(s);
    }
    return out;
}

enum class Data { none, hour, unavailable };

// The window at `size`: the whole page, unscrolled, by default.
QWidget *dashboard(Data data, DashboardSection section, QSize size = {})
{
    auto fixture = std::make_unique<Fixture>();
    Fixture &f = *fixture;
    f.prefs.setOverviewWindowMinutes(60);
    f.monitor.setSection(section);
    f.monitor.setSurfaceOpen(DashboardView::surface, true);
    if (data != Data::none) {
        for (const Snapshot &s : lastHour(data == Data::unavailable)) {
            f.monitor.ingest(s);
        }
    }
    return new FixtureHost(std::move(fixture), [size](Fixture &fx) -> QWidget * {
        auto *view = new DashboardView(
            fx.monitor, [&fx](DashboardSection section) { return Surfaces::dashboardPage(section, fx.monitor); });
        // Tall enough for the whole page, which a still image draws unscrolled.
        view->setFixedSize(size.isValid() ? size : QSize(1120, fx.monitor.latest() ? 1500 : 1180));
        return view;
    });
}

} // namespace

std::vector<Surface> dashboardSurfaces()
{
    std::vector<Surface> surfaces;
    for (qreal scale : {1.0, 2.0}) {
        const QString suffix = scale == 1.0 ? QStringLiteral("-1x") : QStringLiteral("-2x");
        surfaces.push_back({QStringLiteral("dashboard-overview") + suffix,
                            [] { return dashboard(Data::hour, DashboardSection::overview); }, nullptr, {}, scale});
        surfaces.push_back({QStringLiteral("dashboard-overview-skeleton") + suffix,
                            [] { return dashboard(Data::none, DashboardSection::overview); }, nullptr, {}, scale});
        surfaces.push_back({QStringLiteral("dashboard-overview-unavailable") + suffix,
                            [] { return dashboard(Data::unavailable, DashboardSection::overview); }, nullptr, {},
                            scale});
    }
    // The window at its smallest width: the six cards in two narrow columns.
    surfaces.push_back({QStringLiteral("dashboard-overview-narrow"),
                        [] { return dashboard(Data::hour, DashboardSection::overview, QSize(860, 1500)); }, nullptr, {}, 1.0});
    surfaces.push_back({QStringLiteral("dashboard-overview-unavailable-narrow"),
                        [] { return dashboard(Data::unavailable, DashboardSection::overview, QSize(860, 1500)); }, nullptr, {},
                        1.0});
    // The whole window on its other sections (their pages are drawn on their
    // own in more states elsewhere).
    surfaces.push_back({QStringLiteral("dashboard-battery"),
                        [] { return dashboard(Data::hour, DashboardSection::battery); }, nullptr, {}, 1.0});
    surfaces.push_back({QStringLiteral("dashboard-history"),
                        [] { return dashboard(Data::hour, DashboardSection::history); }, nullptr, {}, 1.0});
    // The window at its narrowest, as on screen: the page titles and their
    // controls must fit beside each other.
    const QSize narrowest(DashboardView::minimumWindowWidth, DashboardView::minimumWindowHeight);
    for (DashboardSection section : {DashboardSection::overview, DashboardSection::history}) {
        surfaces.push_back({QStringLiteral("dashboard-%1-860").arg(rawValue(section)),
                            [=] { return dashboard(Data::hour, section, narrowest); }, nullptr, {}, 1.0, true});
    }
    return surfaces;
}

} // namespace voltmere::render
