#pragma once

#include "platform/SensorSource.h"
#include "sampling/Readers.h"

#include <memory>

namespace voltmere {

// The machine's temperatures and fans from the raw inputs of its sensor
// chips: which one is the processor's, the hottest of the rest, every fan.
//
// The processor's temperature comes from the chip drivers that measure it:
// coretemp ("Package id N", else its cores), k10temp and zenpower ("Tdie",
// else "Tctl"; k10temp before Zen has one unlabelled input). Where no chip
// is one of those, thermal zones are read as well, and a chip or zone
// named for the CPU (an ARM SoC's cpu-thermal, Intel's x86_pkg_temp) counts,
// then the ACPI thermal zone (acpitz) where it is all there is. Several of the best kind (two sockets, CPU clusters)
// give the hottest of them. Its critical value is that input's own
// temp*_crit (absent where the chip states none, as k10temp on Zen), or
// the zone's critical trip point.
//
// Runs only on the engine's queue.
class SensorSampler final : public SensorReader {
public:
    // Readings of sensors other than the processor outside this range (°C)
    // come from inputs with nothing attached: sensor chips on desktop boards
    // report those as -128, -62 or 127.
    static constexpr double plausibleLowCelsius = -40;
    static constexpr double plausibleHighCelsius = 125;

    explicit SensorSampler(std::unique_ptr<SensorSource> source);

    std::optional<SensorReading> read() override;

private:
    std::unique_ptr<SensorSource> m_source;
};

} // namespace voltmere
