#pragma once

#include "platform/SensorSource.h"

#include <string>
#include <vector>

namespace voltmere {

// Temperatures and fans from <root>/sys/class/hwmon (every hwmonN folder
// with a `name`: temp*_input with temp*_label and temp*_crit, fan*_input with
// fan*_label) and from <root>/sys/class/thermal/thermal_zone* (`type`,
// `temp`, and the temperature of the trip point whose type is "critical").
// Old kernels keep a chip's files in hwmonN/device/; both places are read.
//
// Which chips and inputs exist is looked up once and kept; it is looked up
// again when the class folder's entries have changed (checked every
// `rescanEveryReads` reads) and at the next read after an input failed whose
// chip folder has gone. A chip's labels and critical values are read with
// that lookup; each read then only reads the inputs' present values. On
// sysfs the input files stay open and are read again from their start
// (sysfs builds the text anew on every read from the start, and opening by
// path is most of a read's cost); a kept file that fails is opened again by
// path once. A plain folder standing in for /sys in a test is read by path
// each time, so a file removed there reads as gone as it does on sysfs. Not
// thread safe: one sampling thread owns a source.
class LinuxSensorSource final : public SensorSource {
public:
    enum class Files { automatic, keptOpen, byPath };
    static constexpr int rescanEveryReads = 30;
    // Beyond this many inputs the rest are read by path.
    static constexpr std::size_t keptFileLimit = 256;

    explicit LinuxSensorSource(std::string root = "/", Files files = Files::automatic);
    ~LinuxSensorSource() override;
    LinuxSensorSource(const LinuxSensorSource &) = delete;
    LinuxSensorSource &operator=(const LinuxSensorSource &) = delete;

    const std::vector<SensorChip> &chips() override;
    const std::vector<SensorChip> &thermalZones() override;

    bool keepsFilesOpen() const { return m_keepFiles; }

private:
    // One input's file: its path under the root, kept open or not.
    struct InputFile {
        std::string path;
        std::string folder; // the chip's folder, which goes when the chip does
        int fd = -1;
    };
    // The chips of one class folder, their files in input order (each chip's
    // temperatures, then its fans).
    struct Inventory {
        std::vector<SensorChip> chips;
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
    void addFile(Inventory &inventory, const std::string &relative, const std::string &folder);
    // Opens `file` to keep, where files are kept and the limit allows.
    void keep(InputFile &file);
    std::vector<std::string> entryNames(bool hwmon) const;
    bool listingChanged(const Inventory &inventory, bool hwmon) const;
    // The value of one input file; absent when it cannot be read or is no number.
    std::optional<std::int64_t> readValue(InputFile &file);

    std::string m_root;
    bool m_keepFiles = false;
    std::size_t m_keptCount = 0;
    Inventory m_hwmon;
    Inventory m_zones;
};

} // namespace voltmere
