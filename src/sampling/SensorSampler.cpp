#include "sampling/SensorSampler.h"

#include <algorithm>
#include <cctype>

namespace voltmere {

namespace {

// How surely a chip measures the processor; higher is surer.
enum class Processor { no, acpiZone, namedForCPU, cpuDriver };

std::string lowercase(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
    return out;
}

Processor processorKind(const SensorChip &chip)
{
    const std::string name = lowercase(chip.name);
    if (chip.kind == SensorChip::Kind::chip && (name == "coretemp" || name == "k10temp" || name == "zenpower")) {
        return Processor::cpuDriver;
    }
    // Thermal zones of ARM SoCs ("cpu-thermal", "cpu0-0-top-thermal", and as
    // hwmon chips "cpu_thermal"), and the package zone of Intel processors.
    if (name.find("cpu") != std::string::npos || name == "x86_pkg_temp") {
        return Processor::namedForCPU;
    }
    if (name == "acpitz") {
        return Processor::acpiZone;
    }
    return Processor::no;
}

// The inputs of a processor chip that stand for the whole processor.
std::vector<const TemperatureInput *> processorInputs(const SensorChip &chip)
{
    const std::string name = lowercase(chip.name);
    const auto labelled = [&](auto matches) {
        std::vector<const TemperatureInput *> inputs;
        for (const TemperatureInput &input : chip.temperatures) {
            if (matches(input.label)) {
                inputs.push_back(&input);
            }
        }
        return inputs;
    };
    std::vector<const TemperatureInput *> inputs;
    if (name == "coretemp") {
        // "Physical id N" on kernels before 3.x.
        inputs = labelled([](const std::string &label) {
            return label.starts_with("Package id") || label.starts_with("Physical id");
        });
    } else if (name == "k10temp" || name == "zenpower") {
        // Tdie is the measured die temperature; Tctl may carry an offset
        // for fan control and stands in where Tdie is not reported.
        inputs = labelled([](const std::string &label) { return label == "Tdie"; });
        if (inputs.empty()) {
            inputs = labelled([](const std::string &label) { return label == "Tctl"; });
        }
    }
    if (inputs.empty()) {
        for (const TemperatureInput &input : chip.temperatures) {
            inputs.push_back(&input);
        }
    }
    return inputs;
}

double celsius(std::int64_t milli)
{
    return static_cast<double>(milli) / 1000.0;
}

// The zone's hwmon twin has its type with '-' turned into '_'.
bool mirrorsAChip(const SensorChip &zone, const std::vector<SensorChip> &chips)
{
    std::string name = zone.name;
    std::replace(name.begin(), name.end(), '-', '_');
    return std::any_of(chips.begin(), chips.end(), [&](const SensorChip &chip) { return chip.name == name; });
}

// What the user calls the part a chip measures.
QString sensorName(const SensorChip &chip, const TemperatureInput &input)
{
    const std::string name = lowercase(chip.name);
    if (name == "amdgpu" || name == "radeon" || name == "nouveau" || name.find("gpu") != std::string::npos) {
        return QStringLiteral("GPU");
    }
    if (name == "nvme") {
        return QStringLiteral("NVMe");
    }
    if (name == "drivetemp") {
        return QStringLiteral("Disk");
    }
    if (name.starts_with("pch_")) {
        return QStringLiteral("Chipset");
    }
    if (name.starts_with("iwlwifi")) {
        return QStringLiteral("Wi-Fi");
    }
    if (name == "spd5118" || name == "jc42") {
        return QStringLiteral("Memory");
    }
    if (name == "acpitz") {
        return QStringLiteral("ACPI zone");
    }
    return QString::fromStdString(input.label.empty() ? chip.name : input.label);
}

} // namespace

SensorSampler::SensorSampler(std::unique_ptr<SensorSource> source)
    : m_source(std::move(source))
{
}

std::optional<SensorReading> SensorSampler::read()
{
    // Each chip with how surely it measures the processor.
    std::vector<std::pair<const SensorChip *, Processor>> considered;
    const std::vector<SensorChip> &chips = m_source->chips();
    Processor best = Processor::no;
    const auto consider = [&](const SensorChip &chip) {
        const Processor kind = chip.temperatures.empty() ? Processor::no : processorKind(chip);
        considered.emplace_back(&chip, kind);
        best = std::max(best, kind);
    };
    for (const SensorChip &chip : chips) {
        consider(chip);
    }
    // Thermal zones only where no chip names the processor: elsewhere they
    // repeat what the chips say.
    if (best < Processor::namedForCPU) {
        for (const SensorChip &zone : m_source->thermalZones()) {
            if (!mirrorsAChip(zone, chips)) {
                consider(zone);
            }
        }
    }

    SensorReading reading;
    bool anyInput = false;
    int fanNumber = 0; // fans without a label are numbered in the order found
    std::vector<const TemperatureInput *> candidates;
    for (const auto &[chip, kind] : considered) {
        anyInput = anyInput || !chip->temperatures.empty() || !chip->fans.empty();
        for (const TemperatureInput &input : chip->temperatures) {
            if (!input.milliCelsius) {
                reading.unreadable.push_back(QString::fromStdString(input.file));
            }
        }
        for (const FanInput &input : chip->fans) {
            ++fanNumber;
            if (!input.rpm) {
                reading.unreadable.push_back(QString::fromStdString(input.file));
            } else if (*input.rpm >= 0) {
                const QString name = input.label.empty() ? QStringLiteral("Fan ") + QString::number(fanNumber)
                                                          : QString::fromStdString(input.label);
                reading.fans.push_back({ name, static_cast<double>(*input.rpm) });
            }
        }
        if (best != Processor::no && kind == best) {
            for (const TemperatureInput *input : processorInputs(*chip)) {
                candidates.push_back(input);
            }
            continue;
        }
        // The chip's hottest reading stands for it.
        const TemperatureInput *hottest = nullptr;
        for (const TemperatureInput &input : chip->temperatures) {
            if (!input.milliCelsius) {
                continue;
            }
            const double value = celsius(*input.milliCelsius);
            if (value >= plausibleLowCelsius && value < plausibleHighCelsius
                && (!hottest || *input.milliCelsius > *hottest->milliCelsius)) {
                hottest = &input;
            }
        }
        if (hottest) {
            reading.others.push_back({ sensorName(*chip, *hottest), celsius(*hottest->milliCelsius) });
        }
    }
    if (!anyInput) {
        return std::nullopt;
    }

    if (!candidates.empty()) {
        // The hottest that could be read; a processor sensor that failed
        // this tick leaves the value absent rather than a lesser one.
        std::size_t chosen = 0;
        bool found = false;
        for (std::size_t i = 0; i < candidates.size(); ++i) {
            if (candidates[i]->milliCelsius
                && (!found || *candidates[i]->milliCelsius > *candidates[chosen]->milliCelsius)) {
                chosen = i;
                found = true;
            }
        }
        const TemperatureInput &input = *candidates[chosen];
        reading.cpuFile = QString::fromStdString(input.file);
        if (found) {
            reading.cpuCelsius = celsius(*input.milliCelsius);
        }
        // The input's own critical value only: k10temp on Zen states none
        // at all, and another input's limit is not this one's.
        if (input.criticalMilliCelsius) {
            reading.cpuCriticalCelsius = celsius(*input.criticalMilliCelsius);
        }
    }

    std::stable_sort(reading.others.begin(), reading.others.end(),
        [](const TemperatureSensor &a, const TemperatureSensor &b) { return a.celsius > b.celsius; });
    if (reading.others.size() > SensorReading::otherLimit) {
        reading.others.resize(SensorReading::otherLimit);
    }
    return reading;
}

} // namespace voltmere
