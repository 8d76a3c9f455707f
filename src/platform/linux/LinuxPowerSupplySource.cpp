#include "platform/linux/LinuxPowerSupplySource.h"

#include "platform/linux/PowerProfileWatch.h"
#include "platform/linux/ProcText.h"
#include "platform/linux/SysRoot.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <limits>

namespace voltmere {

namespace {

// The attributes the description and the battery properties are built from.
constexpr std::array<const char *, 23> attributeNames { "type", "scope", "online", "status", "capacity", "charge_now",
    "charge_full", "charge_full_design", "energy_now", "energy_full", "energy_full_design", "current_now", "power_now",
    "voltage_now", "voltage_min_design", "time_to_empty_now", "time_to_full_now", "cycle_count", "health", "temp",
    "voltage_max", "current_max", "present" };

using Supply = LinuxPowerSupplySource::Supply;

std::optional<std::int64_t> signedAttribute(const Supply &supply, std::string_view name)
{
    const auto it = supply.attributes.find(name);
    return it == supply.attributes.end() ? std::nullopt : proctext::parseSigned(it->second);
}

// Charges, energies, powers and currents are never negative in meaning; some
// drivers sign the current by direction, so the magnitude is what counts.
std::optional<double> magnitude(const Supply &supply, std::string_view name)
{
    const auto value = signedAttribute(supply, name);
    if (!value || *value == std::numeric_limits<std::int64_t>::min()) {
        return std::nullopt;
    }
    return std::fabs(static_cast<double>(*value));
}

std::optional<double> positive(const Supply &supply, std::string_view name)
{
    const auto value = signedAttribute(supply, name);
    return value && *value > 0 ? std::optional(static_cast<double>(*value)) : std::nullopt;
}

std::string attribute(const Supply &supply, std::string_view name)
{
    const auto it = supply.attributes.find(name);
    return it == supply.attributes.end() ? std::string() : it->second;
}

bool isAdapterType(std::string_view type)
{
    // "Mains" for the barrel or USB-C charger the firmware knows about;
    // "USB" (and the old "USB_C", "USB_PD", …) for ports that can charge.
    return type == "Mains" || type.starts_with("USB");
}

bool isOnline(const Supply &supply)
{
    const auto online = signedAttribute(supply, "online");
    return online && *online > 0;
}

std::optional<std::int64_t> roundedInteger(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > 9e15) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(std::llround(value));
}

// µWh → mAh through the design voltage (µV): Wh ÷ V = Ah.
std::optional<std::int64_t> energyAsCharge(const Supply &battery, std::string_view energyName)
{
    const auto energy = positive(battery, energyName);
    const auto voltage = positive(battery, "voltage_min_design");
    if (!energy || !voltage) {
        return std::nullopt;
    }
    return roundedInteger(*energy / *voltage * 1000.0);
}

// µAh → mAh, or from energy where the driver only reports energy.
std::optional<std::int64_t> capacityInMilliampHours(
    const Supply &battery, std::string_view chargeName, std::string_view energyName)
{
    if (const auto charge = positive(battery, chargeName)) {
        return roundedInteger(*charge / 1000.0);
    }
    return energyAsCharge(battery, energyName);
}

// Minutes until empty or full from what the battery is drawing or taking in
// right now, for drivers that give no estimate of their own: remaining
// energy ÷ power, or remaining charge ÷ current.
std::optional<std::int64_t> minutesAtPresentDraw(const Supply &battery, bool toFull)
{
    const auto estimate
        = [&](std::string_view now, std::string_view full, std::string_view rate) -> std::optional<std::int64_t> {
        const auto amount = magnitude(battery, now);
        const auto flow = magnitude(battery, rate);
        if (!amount || !flow || *flow <= 0) {
            return std::nullopt;
        }
        double remaining = *amount;
        if (toFull) {
            const auto capacity = magnitude(battery, full);
            if (!capacity) {
                return std::nullopt;
            }
            remaining = std::max(0.0, *capacity - *amount);
        }
        return roundedInteger(remaining / *flow * 60.0);
    };
    if (auto minutes = estimate("energy_now", "energy_full", "power_now")) {
        return minutes;
    }
    return estimate("charge_now", "charge_full", "current_now");
}

PowerDictionary describeBattery(const Supply &battery, bool onAdapter)
{
    PowerDictionary description;
    description["Type"] = std::string("InternalBattery");

    // Charge: the kernel's percentage, else charge or energy now ÷ full.
    const auto percent = signedAttribute(battery, "capacity");
    if (percent && *percent >= 0) {
        description["Current Capacity"] = std::min<std::int64_t>(*percent, 100);
        description["Max Capacity"] = std::int64_t { 100 };
    } else {
        for (const auto &[now, full] :
            { std::pair { "charge_now", "charge_full" }, std::pair { "energy_now", "energy_full" } }) {
            const auto amount = signedAttribute(battery, now);
            const auto capacity = signedAttribute(battery, full);
            if (amount && capacity && *amount >= 0 && *capacity > 0) {
                // Some gauges report a little more than their own "full".
                description["Current Capacity"] = std::min(*amount, *capacity);
                description["Max Capacity"] = *capacity;
                break;
            }
        }
    }

    description["Power Source State"] = std::string(onAdapter ? "AC Power" : "Battery Power");
    const std::string status = attribute(battery, "status");
    description["Is Charging"] = status == "Charging";
    description["Is Charged"] = status == "Full";

    // The kernel's own estimates are in seconds.
    if (status == "Discharging") {
        if (const auto seconds = signedAttribute(battery, "time_to_empty_now")) {
            description["Time to Empty"] = *seconds / 60;
        } else if (const auto minutes = minutesAtPresentDraw(battery, false)) {
            description["Time to Empty"] = *minutes;
        }
    } else if (status == "Charging") {
        if (const auto seconds = signedAttribute(battery, "time_to_full_now")) {
            description["Time to Full Charge"] = *seconds / 60;
        } else if (const auto minutes = minutesAtPresentDraw(battery, true)) {
            description["Time to Full Charge"] = *minutes;
        }
    }

    const std::string health = attribute(battery, "health");
    if (!health.empty() && health != "Unknown") {
        description["BatteryHealth"] = health;
    }
    return description;
}

bool isSystemBattery(const Supply &supply)
{
    return attribute(supply, "type") == "Battery" && attribute(supply, "scope") != "Device"
        && attribute(supply, "present") != "0";
}

// Energy in µWh: the energy counter, or the charge counter (µAh) at the
// design voltage (µV).
std::optional<double> energyOf(const Supply &battery, std::string_view energyName, std::string_view chargeName)
{
    if (const auto energy = magnitude(battery, energyName)) {
        return energy;
    }
    const auto charge = magnitude(battery, chargeName);
    const auto voltage = positive(battery, "voltage_min_design");
    if (!charge || !voltage) {
        return std::nullopt;
    }
    return *charge * *voltage / 1e6;
}

// What the battery draws or takes in, µW: power, or current at the present voltage.
std::optional<double> powerOf(const Supply &battery)
{
    if (const auto power = magnitude(battery, "power_now")) {
        return power;
    }
    const auto current = magnitude(battery, "current_now");
    const auto voltage = positive(battery, "voltage_now");
    if (!current || !voltage) {
        return std::nullopt;
    }
    return *current * *voltage / 1e6;
}

std::string integerText(double value) { return std::to_string(std::llround(value)); }

// Laptops with two packs (an internal and a swappable one) report each as
// its own supply. They feed one machine, so they are read as one battery:
// the level from the summed energy (5 % of 24 Wh and 100 % of 72 Wh is
// 76 %, not 5 %), the times from the summed energy over the summed power,
// the capacities summed. Where a pack gives no energy or charge counters
// the sum would be wrong, and the first pack stands for all as before.
// Health is the first pack's that is not "Good" (a worn pack is what the
// user must hear about), cycle count and temperature the highest (the more
// worn, the hotter pack).
std::optional<Supply> combinedBattery(const std::vector<const Supply *> &batteries)
{
    double now = 0;
    double full = 0;
    double design = 0;
    double power = 0;
    bool allDesign = true;
    bool anyPower = false;
    std::optional<std::int64_t> fullMah = 0;
    std::optional<std::int64_t> designMah = 0;
    for (const Supply *battery : batteries) {
        const auto batteryNow = energyOf(*battery, "energy_now", "charge_now");
        const auto batteryFull = energyOf(*battery, "energy_full", "charge_full");
        if (!batteryNow || !batteryFull) {
            return std::nullopt;
        }
        now += std::min(*batteryNow, *batteryFull);
        full += *batteryFull;
        if (const auto batteryDesign = energyOf(*battery, "energy_full_design", "charge_full_design")) {
            design += *batteryDesign;
        } else {
            allDesign = false;
        }
        if (const auto draw = powerOf(*battery)) {
            power += *draw;
            anyPower = true;
        }
        const auto addMah = [](std::optional<std::int64_t> &sum, std::optional<std::int64_t> part) {
            sum = sum && part ? std::optional(*sum + *part) : std::nullopt;
        };
        addMah(fullMah, capacityInMilliampHours(*battery, "charge_full", "energy_full"));
        addMah(designMah, capacityInMilliampHours(*battery, "charge_full_design", "energy_full_design"));
    }
    if (full <= 0) {
        return std::nullopt;
    }

    Supply combined { batteries.front()->name, {} };
    auto &a = combined.attributes;
    a["type"] = "Battery";
    a["energy_now"] = integerText(now);
    a["energy_full"] = integerText(full);
    if (allDesign) {
        a["energy_full_design"] = integerText(design);
    }
    if (anyPower) {
        a["power_now"] = integerText(power);
    }
    // The charge counters carry the summed capacities (µAh) for the battery
    // properties; without a charge_now they never decide the level.
    if (fullMah) {
        a["charge_full"] = std::to_string(*fullMah * 1000);
    }
    if (designMah) {
        a["charge_full_design"] = std::to_string(*designMah * 1000);
    }

    // One pack charging means power comes in; one discharging means the
    // machine runs from the packs.
    const auto anyStatus = [&](std::string_view status) {
        return std::any_of(batteries.begin(), batteries.end(),
                           [&](const Supply *b) { return attribute(*b, "status") == status; });
    };
    if (anyStatus("Charging")) {
        a["status"] = "Charging";
    } else if (anyStatus("Discharging")) {
        a["status"] = "Discharging";
    } else if (std::all_of(batteries.begin(), batteries.end(),
                           [](const Supply *b) { return attribute(*b, "status") == "Full"; })) {
        a["status"] = "Full";
    } else if (anyStatus("Not charging")) {
        a["status"] = "Not charging";
    } else {
        a["status"] = attribute(*batteries.front(), "status");
    }

    std::string health;
    std::optional<std::int64_t> cycles;
    std::optional<std::int64_t> temperature;
    for (const Supply *battery : batteries) {
        const std::string batteryHealth = attribute(*battery, "health");
        if (!batteryHealth.empty() && batteryHealth != "Unknown" && (health.empty() || health == "Good")) {
            health = batteryHealth;
        }
        if (const auto c = signedAttribute(*battery, "cycle_count"); c && (!cycles || *c > *cycles)) {
            cycles = c;
        }
        if (const auto t = signedAttribute(*battery, "temp"); t && (!temperature || *t > *temperature)) {
            temperature = t;
        }
    }
    if (!health.empty()) {
        a["health"] = health;
    }
    if (cycles) {
        a["cycle_count"] = std::to_string(*cycles);
    }
    if (temperature) {
        a["temp"] = std::to_string(*temperature);
    }
    return combined;
}

} // namespace

std::optional<LinuxPowerSupplySource::Supply> LinuxPowerSupplySource::systemBattery(const std::vector<Supply> &supplies)
{
    std::vector<const Supply *> batteries;
    for (const Supply &supply : supplies) {
        if (isSystemBattery(supply)) {
            batteries.push_back(&supply);
        }
    }
    if (batteries.empty()) {
        return std::nullopt;
    }
    if (batteries.size() > 1) {
        if (auto combined = combinedBattery(batteries)) {
            return combined;
        }
    }
    return *batteries.front();
}

LinuxPowerSupplySource::LinuxPowerSupplySource(std::string root, const QDBusConnection &bus)
    : m_root(std::move(root))
    , m_supplyPath(underRoot(m_root, "sys/class/power_supply"))
    , m_bus(bus)
{
}

LinuxPowerSupplySource::~LinuxPowerSupplySource() = default;

std::optional<std::vector<Supply>> LinuxPowerSupplySource::readSupplies() const
{
    namespace fs = std::filesystem;
    std::error_code error;
    fs::directory_iterator entries(m_supplyPath, error);
    if (error) {
        return std::nullopt;
    }
    std::vector<Supply> supplies;
    for (const fs::directory_entry &entry : entries) {
        Supply supply { entry.path().filename().string(), {} };
        const std::string folder = entry.path().string() + '/';
        for (const char *name : attributeNames) {
            if (auto line = proctext::readLine(folder + name)) {
                supply.attributes.emplace(name, std::move(*line));
            }
        }
        supplies.push_back(std::move(supply));
    }
    std::sort(supplies.begin(), supplies.end(), [](const Supply &a, const Supply &b) { return a.name < b.name; });
    return supplies;
}

const Supply *LinuxPowerSupplySource::internalBattery(const std::vector<Supply> &supplies)
{
    for (const Supply &supply : supplies) {
        if (isSystemBattery(supply)) {
            return &supply;
        }
    }
    return nullptr;
}

std::vector<PowerDictionary> LinuxPowerSupplySource::describe(const std::vector<Supply> &supplies)
{
    bool anyAdapter = false;
    bool adapterOnline = false;
    for (const Supply &supply : supplies) {
        if (isAdapterType(attribute(supply, "type"))) {
            anyAdapter = true;
            adapterOnline = adapterOnline || isOnline(supply);
        }
    }
    const Supply *first = internalBattery(supplies);
    const std::optional<Supply> battery = systemBattery(supplies);
    std::vector<PowerDictionary> descriptions;
    for (const Supply &supply : supplies) {
        if (&supply == first) {
            // Without any adapter supply (some USB-C laptops expose none),
            // the battery's own status tells whether power comes in.
            const std::string status = attribute(*battery, "status");
            const bool onAdapter
                = anyAdapter ? adapterOnline : status == "Charging" || status == "Full" || status == "Not charging";
            descriptions.push_back(describeBattery(*battery, onAdapter));
        } else {
            descriptions.push_back(PowerDictionary { { "Type", attribute(supply, "type") } });
        }
    }
    return descriptions;
}

PowerDictionary LinuxPowerSupplySource::batteryProperties(const Supply &battery)
{
    PowerDictionary properties;
    // A cycle count of 0 is how drivers say "not known".
    if (const auto cycles = signedAttribute(battery, "cycle_count"); cycles && *cycles > 0) {
        properties["CycleCount"] = *cycles;
    }
    if (const auto design = capacityInMilliampHours(battery, "charge_full_design", "energy_full_design")) {
        properties["DesignCapacity"] = *design;
    }
    if (const auto full = capacityInMilliampHours(battery, "charge_full", "energy_full")) {
        properties["AppleRawMaxCapacity"] = *full;
    }
    // Tenths of a degree here, hundredths in the properties. The range is
    // checked by comparison: the absolute value of the most negative number
    // does not exist, and it would slip through and overflow when scaled.
    if (const auto tenths = signedAttribute(battery, "temp"); tenths && *tenths > -100'000 && *tenths < 100'000) {
        properties["Temperature"] = *tenths * 10;
    }
    return properties;
}

std::optional<PowerDictionary> LinuxPowerSupplySource::adapterDetails(const std::vector<Supply> &supplies)
{
    for (const Supply &supply : supplies) {
        if (!isAdapterType(attribute(supply, "type")) || !isOnline(supply)) {
            continue;
        }
        // What the adapter can deliver: its negotiated voltage (µV) × current (µA).
        const auto volts = positive(supply, "voltage_max");
        const auto amps = positive(supply, "current_max");
        if (volts && amps) {
            if (const auto watts = roundedInteger(*volts / 1e6 * (*amps / 1e6))) {
                return PowerDictionary { { "Watts", *watts } };
            }
        }
    }
    return std::nullopt;
}

std::optional<std::vector<PowerDictionary>> LinuxPowerSupplySource::powerSources()
{
    const auto supplies = readSupplies();
    if (!supplies) {
        return std::nullopt;
    }
    return describe(*supplies);
}

std::optional<PowerDictionary> LinuxPowerSupplySource::batteryProperties()
{
    const auto supplies = readSupplies();
    const auto battery = supplies ? systemBattery(*supplies) : std::nullopt;
    if (!battery) {
        return std::nullopt;
    }
    return batteryProperties(*battery);
}

std::optional<PowerDictionary> LinuxPowerSupplySource::adapterDetails()
{
    const auto supplies = readSupplies();
    return supplies ? adapterDetails(*supplies) : std::nullopt;
}

bool LinuxPowerSupplySource::lowPowerMode()
{
    // The power-profiles daemon knows what the user chose. Made on first use
    // so that it lives on the thread that reads the battery.
    if (!m_profiles) {
        m_profiles = std::make_unique<PowerProfileWatch>(m_bus);
    }
    if (const auto powerSaver = m_profiles->powerSaver()) {
        return *powerSaver;
    }
    // Without the daemon, the firmware's platform profile is the next best word.
    return proctext::readLine(underRoot(m_root, "sys/firmware/acpi/platform_profile"))
        == std::optional<std::string>("low-power");
}

} // namespace voltmere
