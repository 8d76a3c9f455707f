// The menu-bar panel as the tray opens it, over a Monitor fed with fixed
// readings: charging at 64 %, three minutes of CPU above 80 % (which raises
// an insight) and normal memory pressure. The accessibility test
// (panel-accessibility) reads it with an AT-SPI client. Prints "ready" once
// the panel is shown and runs until it is terminated.

#include "MonitorHarness.h"

#include "menubar/view/MenuBarPanel.h"

#include <QApplication>

#include <cstdio>
#include <memory>

int main(int argc, char **argv)
{
    using namespace voltmere;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Voltmere"));
    QApplication::setQuitOnLastWindowClosed(false);

    test::MonitorHarness fixture;
    const Timestamp now = fixture.clock.now();
    for (int i = 0; i <= 90; ++i) {
        Snapshot s;
        s.date = now - 180 + 2.0 * i;
        s.cpuTotal = 88;
        s.memLevel = MemoryPressureLevel::normal;
        s.memPressure = 41;
        s.memUsed = 6.5 * 1024 * 1024 * 1024;
        s.memTotal = 16.0 * 1024 * 1024 * 1024;
        s.topProcesses = {{4121, QStringLiteral("renderer"), 38.4}};
        BatteryReading battery;
        battery.level = 64;
        battery.state = ChargingState::charging;
        battery.isPluggedIn = true;
        battery.adapterWatts = 96;
        s.battery = battery;
        fixture.monitor->ingest(s);
    }

    // The drop-down a tray opens: on X11 a popup.
    std::unique_ptr<MenuBarPanel> panel(MenuBarPanel::createWindow(
        *fixture.monitor, nullptr, [] { return MenuBarPanel::Presentation{true, std::nullopt}; }));
    panel->show();
    QCoreApplication::processEvents();
    std::puts(panel->isLive() ? "ready" : "not live");
    std::fflush(stdout);
    return app.exec();
}
