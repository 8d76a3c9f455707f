#pragma once

#include "platform/PowerSourceProvider.h"

#include <QDBusConnection>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace voltmere {

class PowerProfileWatch;

// Power sources from <root>/sys/class/power_supply. The kernel's attributes
// are turned into the description keys the battery reader derives its
// reading from; no rule of that derivation is applied here.
class LinuxPowerSupplySource final : public PowerSourceProvider {
public:
    // One supply folder: its name and the attributes that were readable
    // (file name → first line).
    struct Supply {
        std::string name;
        std::map<std::string, std::string, std::less<>> attributes;
    };

    // `bus` is where the power-profiles daemon is asked for Low Power Mode:
    // the system bus, a test's bus, or a disconnected one.
    explicit LinuxPowerSupplySource(std::string root = "/", const QDBusConnection &bus = QDBusConnection::systemBus());
    ~LinuxPowerSupplySource() override;

    std::optional<std::vector<PowerDictionary>> powerSources() override;
    std::optional<PowerDictionary> batteryProperties() override;
    std::optional<PowerDictionary> adapterDetails() override;
    bool lowPowerMode() override;

    // Every supply, sorted by name; absent when the folder cannot be listed.
    std::optional<std::vector<Supply>> readSupplies() const;

    // The internal battery: the first supply of type Battery whose scope is
    // not Device (a mouse's or headset's battery has scope Device).
    static const Supply *internalBattery(const std::vector<Supply> &supplies);
    // The battery the machine runs from: the internal battery, or all of
    // them read as one where there are several (see the .cpp for how).
    static std::optional<Supply> systemBattery(const std::vector<Supply> &supplies);
    static std::vector<PowerDictionary> describe(const std::vector<Supply> &supplies);
    static PowerDictionary batteryProperties(const Supply &battery);
    static std::optional<PowerDictionary> adapterDetails(const std::vector<Supply> &supplies);

private:
    std::string m_root;
    std::string m_supplyPath;
    QDBusConnection m_bus;
    std::unique_ptr<PowerProfileWatch> m_profiles;
};

} // namespace voltmere
