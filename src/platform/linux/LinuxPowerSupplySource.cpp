#include "platform/linux/LinuxPowerSupplySource.h"

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

} // namespace

LinuxPowerSupplySource::LinuxPowerSupplySource(std::string root, const QDBusConnection &bus)
    : m_root(std::move(root))
    , m_supplyPath(underRoot(m_root, "sys/class/power_supply"))
    , m_bus(bus)
{
}

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
        if (attribute(supply, "type") == "Battery" && attribute(supply, "scope") != "Device"
            && attribute(supply, "present") != "0") {
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
    const Supply *battery = internalBattery(supplies);
    std::vector<PowerDictionary> descriptions;
    for (const Supply &supply : supplies) {
        if (&supply == battery) {
            // Without any adapter supply (some USB-C laptops expose none),
            // the battery's own status tells whether power comes in.
            const std::string status = attribute(supply, "status");
            const bool onAdapter
                = anyAdapter ? adapterOnline : status == "Charging" || status == "Full" || status == "Not charging";
            descriptions.push_back(describeBattery(supply, onAdapter));
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
    const Supply *battery = supplies ? internalBattery(*supplies) : nullptr;
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
    // The power-profiles daemon knows what the user chose; its bus name moved
    // from net.hadess to org.freedesktop.UPower, so both are asked.
    if (m_bus.isConnected()) {
        const std::array<std::pair<QString, QString>, 2> daemons {
            std::pair { QStringLiteral("org.freedesktop.UPower.PowerProfiles"),
                QStringLiteral("/org/freedesktop/UPower/PowerProfiles") },
            std::pair { QStringLiteral("net.hadess.PowerProfiles"), QStringLiteral("/net/hadess/PowerProfiles") }
        };
        for (const auto &[service, path] : daemons) {
            QDBusMessage call = QDBusMessage::createMethodCall(
                service, path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
            call << service << QStringLiteral("ActiveProfile");
            call.setAutoStartService(false);
            const QDBusMessage reply = m_bus.call(call, QDBus::Block, 250);
            if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
                const QVariant value = reply.arguments().constFirst().value<QDBusVariant>().variant();
                return value.toString() == QStringLiteral("power-saver");
            }
        }
    }
    // Without the daemon, the firmware's platform profile is the next best word.
    return proctext::readLine(underRoot(m_root, "sys/firmware/acpi/platform_profile"))
        == std::optional<std::string>("low-power");
}

} // namespace voltmere
