#include "platform/linux/LinuxSensorSource.h"

#include "platform/linux/KeptFiles.h"
#include "platform/linux/ProcText.h"
#include "platform/linux/SysRoot.h"

#include <fcntl.h>
#include <sys/stat.h>
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

std::optional<std::int64_t> integerFile(const std::string &path)
{
    std::string text;
    return proctext::readFile(path, text) ? proctext::parseAttributeInteger(text) : std::nullopt;
}

} // namespace

LinuxSensorSource::LinuxSensorSource(std::string root, Files files, const Clock &clock)
    : m_root(std::move(root))
    , m_clock(clock)
    , m_keptLimit(keptFileAllowance(8, 256))
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

void LinuxSensorSource::release(int &fd)
{
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
        --m_keptCount;
    }
}

void LinuxSensorSource::keepDescriptor(int &fd, int opened)
{
    fd = opened;
    if (fd >= 0) {
        ++m_keptCount;
    }
}

void LinuxSensorSource::closeFiles(Inventory &inventory)
{
    for (InputFile &file : inventory.files) {
        release(file.fd);
    }
    for (ChipFolder &folder : inventory.folders) {
        release(folder.fd);
    }
    inventory.files.clear();
    inventory.folders.clear();
    inventory.chips.clear();
}

bool LinuxSensorSource::addFolder(Inventory &inventory, const std::string &relative, bool drive)
{
    ChipFolder folder;
    folder.path = underRoot(m_root, relative);
    folder.drive = drive;
    struct stat identity {};
    if (m_keptCount < m_keptLimit) {
        keepDescriptor(folder.fd, ::open(folder.path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    }
    if (folder.fd >= 0 ? ::fstat(folder.fd, &identity) != 0 : ::stat(folder.path.c_str(), &identity) != 0) {
        release(folder.fd);
        return false;
    }
    folder.device = identity.st_dev;
    folder.inode = identity.st_ino;
    inventory.folders.push_back(std::move(folder));
    return true;
}

void LinuxSensorSource::addFile(Inventory &inventory, std::string leaf)
{
    inventory.files.push_back({ std::move(leaf), inventory.folders.size() - 1, -1, false });
    keep(inventory.folders.back(), inventory.files.back());
}

int LinuxSensorSource::openFile(const ChipFolder &folder, const std::string &leaf) const
{
    return folder.fd >= 0 ? ::openat(folder.fd, leaf.c_str(), O_RDONLY | O_CLOEXEC)
                          : ::open((folder.path + '/' + leaf).c_str(), O_RDONLY | O_CLOEXEC);
}

void LinuxSensorSource::keep(const ChipFolder &folder, InputFile &file)
{
    if (m_keepFiles && m_keptCount < m_keptLimit) {
        keepDescriptor(file.fd, openFile(folder, file.leaf));
    }
}

bool LinuxSensorSource::folderChanged(const ChipFolder &folder)
{
    struct stat identity {};
    return ::stat(folder.path.c_str(), &identity) != 0 || identity.st_dev != folder.device
        || identity.st_ino != folder.inode;
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
    const bool check = inventory.readsSinceScan >= rescanEveryReads;
    if (check) {
        // New chips (a driver loaded late, a device plugged in) show up as new
        // folders, and a chip that replaced another under the same number as
        // a folder of another identity; both cost a quiet machine little.
        inventory.readsSinceScan = 0;
        inventory.stale = inventory.stale || entryNames(hwmon) != inventory.entries
            || std::any_of(inventory.folders.begin(), inventory.folders.end(), folderChanged);
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

    const Timestamp now = m_clock.now();
    std::size_t next = 0;
    for (std::size_t i = 0; i < inventory.chips.size(); ++i) {
        SensorChip &chip = inventory.chips[i];
        ChipFolder &folder = inventory.folders[i];
        // A drive's last reading stands until it is due again, or until the
        // check, which tries failed inputs again; on the wall clock, so that
        // time asleep counts and a clock set back reads anew.
        if (folder.drive && !check && folder.lastRead && now >= *folder.lastRead
            && now - *folder.lastRead < driveReadSeconds) {
            next += chip.temperatures.size() + chip.fans.size();
            continue;
        }
        folder.lastRead = now;
        for (TemperatureInput &input : chip.temperatures) {
            input.milliCelsius = readValue(inventory, inventory.files[next++], check);
        }
        for (FanInput &input : chip.fans) {
            input.rpm = readValue(inventory, inventory.files[next++], check);
        }
    }
    return inventory.chips;
}

std::optional<std::int64_t> LinuxSensorSource::readValue(Inventory &inventory, InputFile &file, bool retry)
{
    if (file.failed && !retry) {
        return std::nullopt;
    }
    const ChipFolder &folder = inventory.folders[file.chip];
    char buffer[32];
    const auto number = [&buffer](ssize_t got) {
        return got < 0 ? std::nullopt
                       : proctext::parseAttributeInteger(std::string_view(buffer, static_cast<std::size_t>(got)));
    };
    const auto byPath = [&]() {
        const int fd = openFile(folder, file.leaf);
        if (fd < 0) {
            return std::optional<std::int64_t>();
        }
        const std::optional<std::int64_t> read = number(::pread(fd, buffer, sizeof buffer, 0));
        ::close(fd);
        return read;
    };
    std::optional<std::int64_t> value;
    if (file.fd < 0) {
        value = byPath();
    } else {
        value = number(::pread(file.fd, buffer, sizeof buffer, 0));
        if (!value && retry) {
            // Failed before and now: open it afresh, within the same folder.
            release(file.fd);
            keep(folder, file);
            value = file.fd >= 0 ? number(::pread(file.fd, buffer, sizeof buffer, 0)) : byPath();
        }
    }
    file.failed = !value;
    // A chip that went away (a driver unloaded, a device unplugged, its
    // number taken by another) is looked for again at the next read; an
    // input that merely failed keeps its place and waits for the check.
    if (!value && folderChanged(folder)) {
        inventory.stale = true;
    }
    return value;
}

void LinuxSensorSource::scanHwmon(Inventory &inventory)
{
    for (const std::string &entry : inventory.entries) {
        const std::string folder = std::string(hwmonClass) + '/' + entry;
        std::string base = folder;
        std::optional<std::string> name = proctext::readLine(underRoot(m_root, base + "/name"));
        if (!name) {
            base = folder + "/device";
            name = proctext::readLine(underRoot(m_root, base + "/name"));
        }
        if (!name || proctext::trimmed(*name).empty()) {
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
        chip.name = proctext::trimmed(*name);
        // Their drivers ask the drive for each reading.
        if (!addFolder(inventory, base, chip.name == "nvme" || chip.name == "drivetemp")) {
            continue;
        }
        const auto attribute = [&](const std::string &stem, const char *item) {
            return underRoot(m_root, base + '/' + stem + item);
        };
        const auto label = [&](const std::string &stem) {
            return proctext::trimmed(proctext::readLine(attribute(stem, "_label")).value_or(std::string()));
        };
        for (const int n : temperatures) {
            const std::string stem = "temp" + std::to_string(n);
            chip.temperatures.push_back(
                { label(stem), std::nullopt, integerFile(attribute(stem, "_crit")), '/' + base + '/' + stem + "_input" });
            addFile(inventory, stem + "_input");
        }
        for (const int n : fans) {
            const std::string stem = "fan" + std::to_string(n);
            chip.fans.push_back({ label(stem), std::nullopt, '/' + base + '/' + stem + "_input" });
            addFile(inventory, stem + "_input");
        }
        inventory.chips.push_back(std::move(chip));
    }
}

void LinuxSensorSource::scanThermalZones(Inventory &inventory)
{
    for (const std::string &entry : inventory.entries) {
        const std::string folder = std::string(thermalClass) + '/' + entry;
        const auto file = [&](const std::string &leaf) { return underRoot(m_root, folder + '/' + leaf); };
        const std::optional<std::string> type = proctext::readLine(file("type"));
        // A disabled zone is not polled by the kernel and may not answer.
        if (!type || proctext::trimmed(*type).empty()
            || proctext::trimmed(proctext::readLine(file("mode")).value_or("")) == "disabled"
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
            if (proctext::trimmed(*tripType) == "critical") {
                critical = integerFile(file(stem + "_temp"));
                break;
            }
        }
        if (!addFolder(inventory, folder, false)) {
            continue;
        }
        SensorChip chip;
        chip.kind = SensorChip::Kind::thermalZone;
        chip.name = proctext::trimmed(*type);
        chip.temperatures.push_back({ std::string(), std::nullopt, critical, '/' + folder + "/temp" });
        addFile(inventory, "temp");
        inventory.chips.push_back(std::move(chip));
    }
}

} // namespace voltmere
