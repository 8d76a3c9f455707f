// One full sampling tick with every real reader against a floor measured in
// the same run: a pass that only reads the same /proc and /sys files into
// memory, with no parsing, no arithmetic and no bookkeeping. Prints the ratio
// and the tick's cost per process.

#include "platform/linux/ProcText.h"
#include "sampling/PlatformReaders.h"

#include <benchmark/benchmark.h>

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

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

void BM_FullTick(benchmark::State &state)
{
    SamplingEngine::Readers readers = makePlatformReaders();
    const auto tick = [&] {
        benchmark::DoNotOptimize(readers.cpu->sample());
        benchmark::DoNotOptimize(readers.memory->sample());
        benchmark::DoNotOptimize(readers.disk->sample());
        benchmark::DoNotOptimize(readers.network->sample());
        benchmark::DoNotOptimize(readers.processes->sample(SamplingEngine::topProcessCount));
        benchmark::DoNotOptimize(readers.battery->read());
    };
    tick(); // baselines and the name cache, as after the first real tick
    for (auto _ : state) {
        tick();
    }
    const auto processes = static_cast<double>(processCount());
    state.counters["processes"] = processes;
    state.counters["per_process"]
        = benchmark::Counter(processes, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
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
BENCHMARK(BM_FullTick)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            times[run.benchmark_name()] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double floor = reporter.times["BM_ReadFloor/min_time:2.000"];
    const double tick = reporter.times["BM_FullTick/min_time:2.000"];
    if (floor > 0 && tick > 0) {
        std::printf("full tick / read floor: %.2fx (aim: at most 1.5x); %zu processes, %.2f us per process\n",
            tick / floor, processCount(), tick / static_cast<double>(processCount()));
    }
    return 0;
}
