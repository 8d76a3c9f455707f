// One full sampling tick with every real reader against a floor measured in
// the same run: a pass that only reads the same /proc and /sys files into
// memory, with no parsing, no arithmetic and no bookkeeping. Prints the ratio
// and the tick's cost per process.
//
// Then what the temperature and fan sensors add to that tick: the same tick
// with and without them, and the sensors alone. On a machine without hwmon
// chips (a virtual machine) they are read from a laptop-sized fake tree in a
// temporary folder, with the files kept open as on sysfs; a fake tree costs
// the file reads but none of the drivers' work behind them.

#include "platform/linux/LinuxSensorSource.h"
#include "platform/linux/ProcText.h"
#include "sampling/PlatformReaders.h"
#include "sampling/SensorSampler.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace voltmere;

namespace {

std::size_t processCount()
{
    std::size_t count = 0;
    for (const auto &entry : std::filesystem::directory_iterator("/proc")) {
        count += proctext::parseUnsigned(entry.path().filename().string()).has_value();
    }
    return count;
}

// Where the sensors are read from: this machine when it has hwmon chips,
// else a fake tree shaped like a desktop with a discrete GPU: coretemp with
// its package and eight cores, the ACPI zone, an NVMe drive's three sensors,
// the GPU's three temperatures and its fan, the board's sensor chip with
// seven temperatures and five fan headers, Wi-Fi and the chipset.
struct SensorRoot {
    SensorRoot()
    {
        std::error_code error;
        if (!std::filesystem::is_empty("/sys/class/hwmon", error) && !error) {
            return;
        }
        root = fake.path().toStdString();
        int n = 0;
        const auto chip = [&](const char *name, std::vector<std::pair<std::string, std::string>> files) {
            const std::string folder = root + "/sys/class/hwmon/hwmon" + std::to_string(n++);
            std::filesystem::create_directories(folder);
            files.emplace_back("name", name);
            for (const auto &[file, value] : files) {
                std::FILE *out = std::fopen((folder + '/' + file).c_str(), "w");
                std::fprintf(out, "%s\n", value.c_str());
                std::fclose(out);
                inputs += file.ends_with("_input");
            }
        };
        std::vector<std::pair<std::string, std::string>> coretemp { { "temp1_label", "Package id 0" },
            { "temp1_input", "61000" }, { "temp1_crit", "100000" } };
        for (int core = 0; core < 8; ++core) {
            const std::string t = "temp" + std::to_string(core + 2);
            coretemp.insert(coretemp.end(), { { t + "_label", "Core " + std::to_string(core) },
                { t + "_input", std::to_string(55000 + core * 1000) }, { t + "_crit", "100000" } });
        }
        chip("acpitz", { { "temp1_input", "27800" }, { "temp1_crit", "119000" } });
        chip("coretemp", coretemp);
        chip("nvme", { { "temp1_label", "Composite" }, { "temp1_input", "41850" }, { "temp2_label", "Sensor 1" },
            { "temp2_input", "41850" }, { "temp3_label", "Sensor 2" }, { "temp3_input", "46850" } });
        chip("amdgpu", { { "temp1_label", "edge" }, { "temp1_input", "48000" }, { "temp2_label", "junction" },
            { "temp2_input", "52000" }, { "temp3_label", "mem" }, { "temp3_input", "60000" },
            { "fan1_input", "850" } });
        std::vector<std::pair<std::string, std::string>> board;
        for (int i = 1; i <= 7; ++i) {
            board.emplace_back("temp" + std::to_string(i) + "_input", i > 4 ? "127000" : "34000");
        }
        for (int i = 1; i <= 5; ++i) {
            board.emplace_back("fan" + std::to_string(i) + "_input", i < 3 ? "1180" : "0");
        }
        chip("nct6798", board);
        chip("iwlwifi_1", { { "temp1_input", "39000" } });
        chip("pch_cannonlake", { { "temp1_input", "52000" } });
    }

    QTemporaryDir fake;
    std::string root = "/";
    int inputs = 0; // in the fake tree; 0 on this machine's own
};

SensorRoot &sensorRoot()
{
    static SensorRoot root;
    return root;
}

std::unique_ptr<SensorReader> sensorReader(LinuxSensorSource::Files files)
{
    return std::make_unique<SensorSampler>(std::make_unique<LinuxSensorSource>(sensorRoot().root,
        sensorRoot().root == "/" ? LinuxSensorSource::Files::automatic : files));
}

double threadCPUNanoseconds()
{
    timespec ts {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e9 + static_cast<double>(ts.tv_nsec);
}

// `withSensors` 1 adds the sensor reader to the tick, as the engine runs it,
// and times both parts of each tick on the thread's CPU clock: their ratio
// is free of what the machine's other work does to runs that follow each
// other (a few more processes, a busier cache).
void BM_FullTick(benchmark::State &state)
{
    SamplingEngine::Readers readers = makePlatformReaders();
    readers.sensors = state.range(0) != 0 ? sensorReader(LinuxSensorSource::Files::keptOpen) : nullptr;
    const auto tick = [&] {
        benchmark::DoNotOptimize(readers.cpu->sample());
        benchmark::DoNotOptimize(readers.memory->sample());
        benchmark::DoNotOptimize(readers.disk->sample());
        benchmark::DoNotOptimize(readers.network->sample());
        benchmark::DoNotOptimize(readers.processes->sample(SamplingEngine::topProcessCount));
        benchmark::DoNotOptimize(readers.battery->read());
    };
    tick(); // baselines and the name cache, as after the first real tick
    double tickNanoseconds = 0;
    double sensorNanoseconds = 0;
    for (auto _ : state) {
        if (!readers.sensors) {
            tick();
            continue;
        }
        const double before = threadCPUNanoseconds();
        tick();
        const double between = threadCPUNanoseconds();
        benchmark::DoNotOptimize(readers.sensors->read());
        tickNanoseconds += between - before;
        sensorNanoseconds += threadCPUNanoseconds() - between;
    }
    if (readers.sensors && tickNanoseconds > 0) {
        state.counters["sensors_added_pct"] = sensorNanoseconds / tickNanoseconds * 100;
    }
    const auto processes = static_cast<double>(processCount());
    state.counters["processes"] = processes;
    state.counters["per_process"]
        = benchmark::Counter(processes, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The sensors alone: files kept open (as on sysfs), and opened by path each
// time (what keeping them saves).
void BM_Sensors(benchmark::State &state)
{
    const auto reader = sensorReader(
        state.range(0) != 0 ? LinuxSensorSource::Files::keptOpen : LinuxSensorSource::Files::byPath);
    benchmark::DoNotOptimize(reader->read());
    for (auto _ : state) {
        benchmark::DoNotOptimize(reader->read());
    }
}

// Everything the tick reads, read once into a stack buffer with paths built
// in place: the least any reader of these files must spend.
template<typename Visit>
void forEachEntry(const char *folder, Visit visit)
{
    if (DIR *dir = opendir(folder)) {
        while (const dirent *entry = readdir(dir)) {
            if (entry->d_name[0] != '.') {
                visit(entry->d_name);
            }
        }
        closedir(dir);
    }
}

void BM_ReadFloor(benchmark::State &state)
{
    char text[16384];
    char path[512];
    for (auto _ : state) {
        for (const char *file :
             {"/proc/stat", "/proc/meminfo", "/proc/pressure/memory", "/proc/diskstats", "/proc/net/dev"}) {
            benchmark::DoNotOptimize(proctext::readFileInto(file, text, sizeof text));
        }
        forEachEntry("/sys/block", [&](const char *name) {
            std::snprintf(path, sizeof path, "/sys/block/%s/device", name);
            benchmark::DoNotOptimize(access(path, F_OK));
        });
        forEachEntry("/sys/class/net", [&](const char *name) {
            std::snprintf(path, sizeof path, "/sys/class/net/%s/flags", name);
            benchmark::DoNotOptimize(proctext::readFileInto(path, text, sizeof text));
            // Whether the interface is physical, as for disks.
            std::snprintf(path, sizeof path, "/sys/class/net/%s/device", name);
            benchmark::DoNotOptimize(access(path, F_OK));
        });
        forEachEntry("/sys/class/power_supply", [&](const char *name) {
            std::snprintf(path, sizeof path, "/sys/class/power_supply/%s", name);
            forEachEntry(path, [&](const char *attribute) {
                char file[1024];
                std::snprintf(file, sizeof file, "%s/%s", path, attribute);
                benchmark::DoNotOptimize(proctext::readFileInto(file, text, sizeof text));
            });
        });
        forEachEntry("/proc", [&](const char *name) {
            if (name[0] >= '1' && name[0] <= '9') {
                std::snprintf(path, sizeof path, "/proc/%s/stat", name);
                benchmark::DoNotOptimize(proctext::readFileInto(path, text, sizeof text));
            }
        });
    }
}

BENCHMARK(BM_ReadFloor)->Unit(benchmark::kMicrosecond)->MinTime(2.0);
BENCHMARK(BM_FullTick)->ArgName("withSensors")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->MinTime(2.0);
BENCHMARK(BM_Sensors)->ArgName("keptOpen")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            times[run.benchmark_name()] = run.GetAdjustedRealTime();
            cpuTimes[run.benchmark_name()] = run.GetAdjustedCPUTime();
            if (const auto added = run.counters.find("sensors_added_pct"); added != run.counters.end()) {
                sensorsAdded = added->second.value;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
    std::map<std::string, double> cpuTimes;
    double sensorsAdded = -1;
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double floor = reporter.times["BM_ReadFloor/min_time:2.000"];
    const double tick = reporter.times["BM_FullTick/withSensors:0/min_time:2.000"];
    if (floor > 0 && tick > 0) {
        std::printf("full tick / read floor: %.2fx (aim: at most 1.5x); %zu processes, %.2f us per process\n",
            tick / floor, processCount(), tick / static_cast<double>(processCount()));
    }
    // The thread's CPU time (the kernel's part of the file reads included):
    // on a machine shared with other work, wall time mostly measures waiting.
    const double cpuTick = reporter.cpuTimes["BM_FullTick/withSensors:0/min_time:2.000"];
    const double withSensors = reporter.cpuTimes["BM_FullTick/withSensors:1/min_time:2.000"];
    const double sensors = reporter.cpuTimes["BM_Sensors/keptOpen:1/min_time:2.000"];
    const double byPath = reporter.cpuTimes["BM_Sensors/keptOpen:0/min_time:2.000"];
    if (cpuTick > 0 && withSensors > 0 && sensors > 0) {
        const std::string where = sensorRoot().root == "/"
            ? std::string("this machine's hwmon chips")
            : "a fake tree of " + std::to_string(sensorRoot().inputs) + " inputs (this machine has no hwmon chips)";
        std::printf("sensors, read from %s, in CPU time:\n", where.c_str());
        std::printf("  tick with sensors / without, both parts of the same ticks: %.3fx, +%.1f %% (aim: under 10 %%)\n",
            1 + reporter.sensorsAdded / 100, reporter.sensorsAdded);
        std::printf("  the two runs one after the other: %.3fx; sensors alone / tick without: %.1f %%\n",
            withSensors / cpuTick, sensors / cpuTick * 100);
        std::printf("  files kept open / opened by path: %.2fx\n", byPath > 0 ? sensors / byPath : 0.0);
    }
    return 0;
}
