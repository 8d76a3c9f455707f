#include "platform/linux/LinuxSensorSource.h"

#include "platform/linux/ProcText.h"
#include "platform/linux/SysRoot.h"

#include <fcntl.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <map>
#include <set>

namespace voltmere {

namespace {

constexpr const char *hwmonClass = "sys/class/hwmon";
constexpr const char *thermalClass = "sys/class/thermal";

// N of a name made of `prefix`, a decimal number and `suffix` ("temp3_input"
// with "temp" and "_input" gives 3); absent for any other name.
std::optional<int> numberIn(std::string_view name, std::string_view prefix, std::string_view suffix)
{
    if (name.size() <= prefix.size() + suffix.size() || !name.starts_with(prefix) || !name.ends_with(suffix)) {
        return std::nullopt;
    }
    const std::string_view digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || value < 0) {
        return std::nullopt;
    }
    return value;
}

// The entries of a folder named `prefix` + number, by number (hwmon10 after hwmon9).
std::map<int, std::string> numberedEntries(const std::string &folder, std::string_view prefix)
{
    std::map<int, std::string> entries;
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (const auto n = numberIn(name, prefix, "")) {
            entries.emplace(*n, name);
        }
    }
    return entries;
}

std::string trimmed(std::string text)
{
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && space(text.back())) {
        text.pop_back();
    }
    const auto first = std::find_if_not(text.begin(), text.end(), space);
    text.erase(text.begin(), first);
    return text;
}

std::optional<std::int64_t> integerFile(const std::string &path)
{
    std::string text;
    return proctext::readFile(path, text) ? proctext::parseAttributeInteger(text) : std::nullopt;
}

} // namespace

LinuxSensorSource::LinuxSensorSource(std::string root, Files files)
    : m_root(std::move(root))
{
    if (files == Files::automatic) {
        // Only sysfs builds a file's text anew on a read from its start.
        constexpr long sysfsMagic = 0x62656572;
        struct statfs fs {};
        m_keepFiles = statfs(underRoot(m_root, "sys").c_str(), &fs) == 0 && static_cast<long>(fs.f_type) == sysfsMagic;
    } else {
        m_keepFiles = files == Files::keptOpen;
    }
}

LinuxSensorSource::~LinuxSensorSource()
{
    closeFiles(m_hwmon);
    closeFiles(m_zones);
}

const std::vector<SensorChip> &LinuxSensorSource::chips()
{
    return read(m_hwmon, true);
}

const std::vector<SensorChip> &LinuxSensorSource::thermalZones()
{
    return read(m_zones, false);
}

void LinuxSensorSource::closeFiles(Inventory &inventory)
{
    for (InputFile &file : inventory.files) {
        if (file.fd >= 0) {
            ::close(file.fd);
            --m_keptCount;
        }
    }
    inventory.files.clear();
    inventory.chips.clear();
}

void LinuxSensorSource::addFile(Inventory &inventory, const std::string &relative, const std::string &folder)
{
    inventory.files.push_back({ underRoot(m_root, relative), underRoot(m_root, folder), -1 });
    keep(inventory.files.back());
}

void LinuxSensorSource::keep(InputFile &file)
{
    if (m_keepFiles && m_keptCount < keptFileLimit) {
        file.fd = ::open(file.path.c_str(), O_RDONLY | O_CLOEXEC);
        if (file.fd >= 0) {
            ++m_keptCount;
        }
    }
}

bool LinuxSensorSource::listingChanged(const Inventory &inventory, bool hwmon) const
{
    return entryNames(hwmon) != inventory.entries;
}

std::vector<std::string> LinuxSensorSource::entryNames(bool hwmon) const
{
    std::vector<std::string> names;
    for (const auto &[number, entry] :
        numberedEntries(underRoot(m_root, hwmon ? hwmonClass : thermalClass), hwmon ? "hwmon" : "thermal_zone")) {
        names.push_back(entry);
    }
    return names;
}

const std::vector<SensorChip> &LinuxSensorSource::read(Inventory &inventory, bool hwmon)
{
    if (inventory.readsSinceScan >= rescanEveryReads) {
        // New chips (a driver loaded late, a device plugged in) show up as new
        // folders; looking at the folder names is all a quiet machine costs.
        inventory.readsSinceScan = 0;
        inventory.stale = inventory.stale || listingChanged(inventory, hwmon);
    }
    if (!inventory.scanned || inventory.stale) {
        closeFiles(inventory);
        inventory.entries = entryNames(hwmon);
        if (hwmon) {
            scanHwmon(inventory);
        } else {
            scanThermalZones(inventory);
        }
        inventory.scanned = true;
        inventory.stale = false;
        inventory.readsSinceScan = 0;
    }
    ++inventory.readsSinceScan;

    std::size_t next = 0;
    const auto value = [&]() {
        InputFile &file = inventory.files[next++];
        std::optional<std::int64_t> read = readValue(file);
        // A chip that went away (a driver unloaded, a device unplugged) is
        // looked for again at the next read; an input that merely failed
        // this time keeps its place.
        if (!read && ::access(file.folder.c_str(), F_OK) != 0) {
            inventory.stale = true;
        }
        return read;
    };
    for (SensorChip &chip : inventory.chips) {
        for (TemperatureInput &input : chip.temperatures) {
            input.milliCelsius = value();
        }
        for (FanInput &input : chip.fans) {
            input.rpm = value();
        }
    }
    return inventory.chips;
}

std::optional<std::int64_t> LinuxSensorSource::readValue(InputFile &file)
{
    char buffer[32];
    const auto number = [&buffer](ssize_t got) {
        return got < 0 ? std::nullopt
                       : proctext::parseAttributeInteger(std::string_view(buffer, static_cast<std::size_t>(got)));
    };
    if (file.fd < 0) {
        const std::optional<std::size_t> size = proctext::readFileInto(file.path.c_str(), buffer, sizeof buffer);
        return size ? proctext::parseAttributeInteger(std::string_view(buffer, *size)) : std::nullopt;
    }
    const ssize_t got = ::pread(file.fd, buffer, sizeof buffer, 0);
    if (got >= 0) {
        return number(got);
    }
    // The file of a chip that went away fails for good, even where a chip of
    // the same number has come back since: open it again by path.
    ::close(file.fd);
    file.fd = -1;
    --m_keptCount;
    keep(file);
    return file.fd < 0 ? std::nullopt : number(::pread(file.fd, buffer, sizeof buffer, 0));
}

void LinuxSensorSource::scanHwmon(Inventory &inventory)
{
    for (const auto &[number, entry] : numberedEntries(underRoot(m_root, hwmonClass), "hwmon")) {
        const std::string folder = std::string(hwmonClass) + '/' + entry;
        std::string base = folder;
        std::optional<std::string> name = proctext::readLine(underRoot(m_root, base + "/name"));
        if (!name) {
            base = folder + "/device";
            name = proctext::readLine(underRoot(m_root, base + "/name"));
        }
        if (!name || trimmed(*name).empty()) {
            continue;
        }
        std::set<int> temperatures;
        std::set<int> fans;
        std::error_code error;
        for (const auto &file : std::filesystem::directory_iterator(underRoot(m_root, base), error)) {
            const std::string fileName = file.path().filename().string();
            if (const auto n = numberIn(fileName, "temp", "_input")) {
                temperatures.insert(*n);
            } else if (const auto f = numberIn(fileName, "fan", "_input")) {
                fans.insert(*f);
            }
        }
        if (temperatures.empty() && fans.empty()) {
            continue; // voltages, currents or power only
        }
        SensorChip chip;
        chip.kind = SensorChip::Kind::chip;
        chip.name = trimmed(*name);
        const auto attribute = [&](const std::string &stem, const char *item) {
            return underRoot(m_root, base + '/' + stem + item);
        };
        const auto label = [&](const std::string &stem) {
            return trimmed(proctext::readLine(attribute(stem, "_label")).value_or(std::string()));
        };
        for (const int n : temperatures) {
            const std::string stem = "temp" + std::to_string(n);
            chip.temperatures.push_back(
                { label(stem), std::nullopt, integerFile(attribute(stem, "_crit")), '/' + base + '/' + stem + "_input" });
            addFile(inventory, base + '/' + stem + "_input", folder);
        }
        for (const int n : fans) {
            const std::string stem = "fan" + std::to_string(n);
            chip.fans.push_back({ label(stem), std::nullopt, '/' + base + '/' + stem + "_input" });
            addFile(inventory, base + '/' + stem + "_input", folder);
        }
        inventory.chips.push_back(std::move(chip));
    }
}

void LinuxSensorSource::scanThermalZones(Inventory &inventory)
{
    for (const auto &[number, entry] : numberedEntries(underRoot(m_root, thermalClass), "thermal_zone")) {
        const std::string folder = std::string(thermalClass) + '/' + entry;
        const auto file = [&](const std::string &leaf) { return underRoot(m_root, folder + '/' + leaf); };
        const std::optional<std::string> type = proctext::readLine(file("type"));
        // A disabled zone is not polled by the kernel and may not answer.
        if (!type || trimmed(*type).empty() || trimmed(proctext::readLine(file("mode")).value_or("")) == "disabled"
            || ::access(file("temp").c_str(), F_OK) != 0) {
            continue;
        }
        std::optional<std::int64_t> critical;
        // Trip points are numbered from 0 without holes; the kernel allows a
        // zone a few dozen at most.
        for (int trip = 0; trip < 64; ++trip) {
            const std::string stem = "trip_point_" + std::to_string(trip);
            const std::optional<std::string> tripType = proctext::readLine(file(stem + "_type"));
            if (!tripType) {
                break;
            }
            if (trimmed(*tripType) == "critical") {
                critical = integerFile(file(stem + "_temp"));
                break;
            }
        }
        SensorChip chip;
        chip.kind = SensorChip::Kind::thermalZone;
        chip.name = trimmed(*type);
        chip.temperatures.push_back({ std::string(), std::nullopt, critical, '/' + folder + "/temp" });
        addFile(inventory, folder + "/temp", folder);
        inventory.chips.push_back(std::move(chip));
    }
}

} // namespace voltmere
