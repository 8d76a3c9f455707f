// One full sampling tick with every real reader against a floor measured in
// the same run: a pass that only reads the same /proc and /sys files into
// memory, with no parsing, no arithmetic and no bookkeeping. Prints the ratio
// and the tick's cost per process.

#include "platform/PlatformReaders.h"
#include "platform/linux/ProcText.h"

#include <benchmark/benchmark.h>

#include <dirent.h>

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

// Everything the tick reads, read once into memory.
void BM_ReadFloor(benchmark::State &state)
{
    std::string buffer;
    char stat[1024];
    for (auto _ : state) {
        for (const char *file :
            { "/proc/stat", "/proc/meminfo", "/proc/pressure/memory", "/proc/diskstats", "/proc/net/dev" }) {
            proctext::readFile(file, buffer);
            benchmark::DoNotOptimize(buffer.data());
        }
        for (const char *folder : { "/sys/block", "/sys/class/net", "/sys/class/power_supply" }) {
            for (const auto &entry : std::filesystem::directory_iterator(folder)) {
                if (std::string_view(folder) == "/sys/block") {
                    benchmark::DoNotOptimize(std::filesystem::exists(entry.path() / "device"));
                } else if (std::string_view(folder) == "/sys/class/net") {
                    proctext::readFile(entry.path().string() + "/flags", buffer);
                } else {
                    for (const auto &attribute : std::filesystem::directory_iterator(entry.path())) {
                        proctext::readFile(attribute.path().string(), buffer);
                    }
                }
            }
        }
        DIR *dir = opendir("/proc");
        while (const dirent *entry = readdir(dir)) {
            if (entry->d_name[0] >= '1' && entry->d_name[0] <= '9') {
                const std::string path = std::string("/proc/") + entry->d_name + "/stat";
                benchmark::DoNotOptimize(proctext::readFileInto(path.c_str(), stat, sizeof stat));
            }
        }
        closedir(dir);
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
