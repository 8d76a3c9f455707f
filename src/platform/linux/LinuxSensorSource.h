#pragma once

#include "platform/Clock.h"
#include "platform/SensorSource.h"

#include <sys/types.h>

#include <string>
#include <vector>

namespace voltmere {

// Temperatures and fans from <root>/sys/class/hwmon (every hwmonN folder
// with a `name`: temp*_input with temp*_label and temp*_crit, fan*_input with
// fan*_label) and from <root>/sys/class/thermal/thermal_zone* (`type`,
// `temp`, and the temperature of the trip point whose type is "critical").
// Old kernels keep a chip's files in hwmonN/device/; both places are read.
//
// Which chips and inputs exist is looked up once and kept. Every
// `rescanEveryReads` reads the class folder's entries and the identity of
// each chip's folder are checked, and any change has them looked up again;
// so does an input that fails where its chip's folder has gone or is another
// one now (a number freed by one chip and taken by the next, after a hotplug
// or a resume). A chip's labels and critical values are read with that
// lookup; each read then only reads the inputs' present values.
//
// Each chip's folder is kept open and its inputs are opened relative to it,
// never by the class folder's name again, so a number taken over by another
// chip is never read as the old one. On sysfs the input files stay open too
// and are read again from their start (sysfs builds the text anew on every
// read from the start, and opening by path is most of a read's cost). A
// plain folder standing in for /sys in a test is read file by file each
// time, so a file removed there reads as gone as it does on sysfs.
//
// An input that fails is absent, and is not tried again until the next
// check: a sensor that fails each time (a driver that times out) costs
// nothing between. The inputs of chips whose reading sends a command to a
// drive (nvme, drivetemp) are read at most every `driveReadSeconds` and keep
// their last value between, so the drive may stay in its low-power state.
// Not thread safe: one sampling thread owns a source.
class LinuxSensorSource final : public SensorSource {
public:
    enum class Files { automatic, keptOpen, byPath };
    static constexpr int rescanEveryReads = 30;
    static constexpr double driveReadSeconds = 30;

    explicit LinuxSensorSource(
        std::string root = "/", Files files = Files::automatic, const Clock &clock = Clock::system());
    ~LinuxSensorSource() override;
    LinuxSensorSource(const LinuxSensorSource &) = delete;
    LinuxSensorSource &operator=(const LinuxSensorSource &) = delete;

    const std::vector<SensorChip> &chips() override;
    const std::vector<SensorChip> &thermalZones() override;

    bool keepsFilesOpen() const { return m_keepFiles; }

private:
    // The folder one chip's inputs are in, as found at the lookup.
    struct ChipFolder {
        std::string path;
        int fd = -1; // kept open where the limit allows
        dev_t device = 0;
        ino_t inode = 0;
        bool drive = false; // reading it wakes a drive
        std::optional<Timestamp> lastRead;
    };
    // One input's file.
    struct InputFile {
        std::string leaf; // "temp1_input"
        std::size_t chip = 0;
        int fd = -1;
        bool failed = false; // at its last read: tried again at the next check
    };
    // The chips of one class folder; `folders` in the order of `chips`, the
    // files in input order (each chip's temperatures, then its fans).
    struct Inventory {
        std::vector<SensorChip> chips;
        std::vector<ChipFolder> folders;
        std::vector<InputFile> files;
        std::vector<std::string> entries; // the class folder's entries at the lookup
        int readsSinceScan = 0;
        bool scanned = false;
        bool stale = false;
    };

    const std::vector<SensorChip> &read(Inventory &inventory, bool hwmon);
    void scanHwmon(Inventory &inventory);
    void scanThermalZones(Inventory &inventory);
    void closeFiles(Inventory &inventory);
    // Records the folder `relative` as the next chip's; false when it cannot be opened.
    bool addFolder(Inventory &inventory, const std::string &relative, bool drive);
    void addFile(Inventory &inventory, std::string leaf);
    int openFile(const ChipFolder &folder, const std::string &leaf) const;
    // Opens `file` to keep, where files are kept and the limit allows.
    void keep(const ChipFolder &folder, InputFile &file);
    void keepDescriptor(int &fd, int opened);
    void release(int &fd);
    std::vector<std::string> entryNames(bool hwmon) const;
    // The folder's path no longer leads to the folder found at the lookup.
    static bool folderChanged(const ChipFolder &folder);
    // The value of one input; absent when it cannot be read or is no number.
    // A file that failed before is read again only when `retry`.
    std::optional<std::int64_t> readValue(Inventory &inventory, InputFile &file, bool retry);

    std::string m_root;
    const Clock &m_clock;
    bool m_keepFiles = false;
    std::size_t m_keptLimit = 0;
    std::size_t m_keptCount = 0;
    Inventory m_hwmon;
    Inventory m_zones;
};

} // namespace voltmere
