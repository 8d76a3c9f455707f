#include "platform/linux/LinuxChargeLimitSource.h"

#include "platform/linux/ProcText.h"
#include "platform/linux/SysRoot.h"

#include <algorithm>
#include <filesystem>

namespace voltmere {

namespace {

std::optional<int> threshold(const std::string &folder, const char *name, const char *olderName)
{
    // thinkpad_acpi also offers the older charge_stop/start_threshold names;
    // they are read only when the standard file is missing.
    for (const char *file : {name, olderName}) {
        if (const auto line = proctext::readLine(folder + file)) {
            return LinuxChargeLimitSource::parseThreshold(*line);
        }
    }
    return std::nullopt;
}

} // namespace

LinuxChargeLimitSource::LinuxChargeLimitSource(std::string root)
    : m_supplyPath(underRoot(root, "sys/class/power_supply"))
{
}

std::optional<int> LinuxChargeLimitSource::parseThreshold(std::string_view text)
{
    const auto value = proctext::parseUnsigned(proctext::trimmed(text));
    if (!value || *value > 100) {
        return std::nullopt;
    }
    return static_cast<int>(*value);
}

std::optional<QString> LinuxChargeLimitSource::activeChoice(std::string_view text)
{
    const std::string line = proctext::trimmed(text);
    const auto open = line.find('[');
    if (open != std::string::npos) {
        const auto close = line.find(']', open);
        if (close == std::string::npos || close == open + 1) {
            return std::nullopt;
        }
        return QString::fromStdString(line.substr(open + 1, close - open - 1));
    }
    if (line.empty() || line.find(' ') != std::string::npos) {
        return std::nullopt;
    }
    return QString::fromStdString(line);
}

std::vector<BatteryChargeLimits> LinuxChargeLimitSource::read()
{
    namespace fs = std::filesystem;
    std::error_code error;
    fs::directory_iterator entries(m_supplyPath, error);
    std::vector<BatteryChargeLimits> batteries;
    if (error) {
        return batteries;
    }
    for (const fs::directory_entry &entry : entries) {
        const std::string folder = entry.path().string() + '/';
        // A mouse's or headset's battery has scope Device; its limits are
        // not this computer's.
        if (proctext::readLine(folder + "type").value_or(std::string()) != "Battery"
            || proctext::readLine(folder + "scope").value_or(std::string()) == "Device"
            || proctext::readLine(folder + "present").value_or(std::string()) == "0") {
            continue;
        }
        BatteryChargeLimits limits;
        limits.battery = QString::fromStdString(entry.path().filename().string());
        limits.endThreshold = threshold(folder, "charge_control_end_threshold", "charge_stop_threshold");
        limits.startThreshold = threshold(folder, "charge_control_start_threshold", "charge_start_threshold");
        if (const auto behaviour = proctext::readLine(folder + "charge_behaviour")) {
            limits.behaviour = activeChoice(*behaviour);
        }
        batteries.push_back(std::move(limits));
    }
    std::sort(batteries.begin(), batteries.end(),
        [](const BatteryChargeLimits &a, const BatteryChargeLimits &b) { return a.battery < b.battery; });
    return batteries;
}

std::unique_ptr<ChargeLimitSource> ChargeLimitSource::createForThisMachine()
{
    return std::make_unique<LinuxChargeLimitSource>();
}

} // namespace voltmere
