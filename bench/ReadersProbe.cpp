// voltmere-probe: runs the real readers against this machine so the accuracy
// script can compare them with independent measurements.
//
//   voltmere-probe cpu SECONDS        pinned busy child: its share and cpuTotal
//   voltmere-probe memory             memory and swap vs /proc/meminfo
//   voltmere-probe rates [--net-root DIR] -- CMD ARGS  disk and network rates while CMD runs
//   voltmere-probe serve PORT         transfer peer: receives, then sends back
//   voltmere-probe transfer HOST PORT SEND RECEIVE
//   voltmere-probe sensors [--root DIR]  every sensor input as read, and the reading
//
// Every comparison prints one "key=value" line per figure.

#include "platform/Clock.h"
#include "platform/linux/LinuxBlockDeviceSource.h"
#include "platform/linux/LinuxCPUTickSource.h"
#include "platform/linux/LinuxMemoryCounterSource.h"
#include "platform/linux/LinuxNetworkInterfaceSource.h"
#include "platform/linux/LinuxProcessTableSource.h"
#include "platform/linux/LinuxSensorSource.h"
#include "sampling/CPUSampler.h"
#include "sampling/DiskSampler.h"
#include "sampling/MemorySampler.h"
#include "sampling/NetworkSampler.h"
#include "sampling/PlatformReaders.h"
#include "sampling/ProcessSampler.h"
#include "sampling/SensorSampler.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sched.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

using namespace voltmere;

namespace {

double seconds(std::uint64_t nanoseconds)
{
    return static_cast<double>(nanoseconds) / 1e9;
}

// CPU seconds of another process from its scheduler clock (nanosecond
// accounting, not the tick counts the sampler reads).
double processCPUSeconds(pid_t pid)
{
    clockid_t clock {};
    timespec ts {};
    if (clock_getcpuclockid(pid, &clock) != 0 || clock_gettime(clock, &ts) != 0) {
        return -1;
    }
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// Busy and total jiffies of the whole machine, parsed separately from the
// sampler's own parser: busy is everything but idle and iowait.
std::pair<double, double> machineJiffies()
{
    unsigned long long v[8] = {};
    if (FILE *stat = std::fopen("/proc/stat", "r")) {
        if (std::fscanf(stat, "cpu %llu %llu %llu %llu %llu %llu %llu %llu", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5],
                &v[6], &v[7])
            != 8) {
            std::fill(std::begin(v), std::end(v), 0ULL);
        }
        std::fclose(stat);
    }
    double total = 0;
    for (const unsigned long long x : v) {
        total += static_cast<double>(x);
    }
    return { total - static_cast<double>(v[3] + v[4]), total };
}

int cpuMode(double duration)
{
    const Clock &clock = Clock::system();
    const pid_t child = fork();
    if (child == 0) {
        cpu_set_t set;
        CPU_ZERO(&set);
        CPU_SET(static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN)) - 1, &set);
        sched_setaffinity(0, sizeof set, &set);
        volatile std::uint64_t spin = 0;
        for (;;) {
            spin = spin + 1;
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // let it settle on its core
    CPUSampler cpu(std::make_unique<LinuxCPUTickSource>());
    ProcessSampler processes(std::make_unique<LinuxProcessTableSource>(), clock);
    cpu.sample();
    const auto jiffiesStart = machineJiffies();
    processes.sample(10);
    const double childStart = processCPUSeconds(child);
    const std::uint64_t start = clock.awakeNanoseconds();
    std::this_thread::sleep_for(std::chrono::duration<double>(duration));
    const auto total = cpu.sample();
    const auto jiffiesEnd = machineJiffies();
    const auto listed = processes.sample(1000);
    const double childEnd = processCPUSeconds(child);
    const std::uint64_t end = clock.awakeNanoseconds();
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);

    double childPercent = -1;
    if (listed) {
        for (const ProcessCPU &row : listed->top) {
            if (row.pid == child) {
                childPercent = row.cpu;
            }
        }
    }
    std::printf("cores=%g\n", activeProcessorCount());
    std::printf("interval=%.3f\n", seconds(end - start));
    std::printf("process_percent=%.2f\n", childPercent);
    std::printf("process_percent_independent=%.2f\n", (childEnd - childStart) / seconds(end - start) * 100.0);
    std::printf("cpu_total=%.2f\n", total ? total->busy : -1.0);
    std::printf("cpu_total_independent=%.2f\n",
        (jiffiesEnd.first - jiffiesStart.first) / (jiffiesEnd.second - jiffiesStart.second) * 100.0);
    std::printf("measured_all_processes=%.2f\n", listed ? listed->measuredCPU : -1.0);
    return 0;
}

int memoryMode()
{
    MemorySampler sampler(std::make_unique<LinuxMemoryCounterSource>());
    const MemoryReading reading = sampler.sample();
    // An independent reading of the same file, right after.
    std::ifstream meminfo("/proc/meminfo");
    std::map<std::string, double> fields;
    std::string key;
    double value = 0;
    std::string unit;
    while (meminfo >> key >> value) {
        std::getline(meminfo, unit);
        key.pop_back(); // the ':'
        fields[key] = value * 1024;
    }
    std::printf("mem_total=%.0f\nmeminfo_total=%.0f\n", reading.total.value_or(-1), fields["MemTotal"]);
    std::printf(
        "mem_used=%.0f\nmeminfo_used=%.0f\n", reading.used.value_or(-1), fields["MemTotal"] - fields["MemAvailable"]);
    std::printf("swap_total=%.0f\nmeminfo_swap_total=%.0f\n", reading.swapTotal.value_or(-1), fields["SwapTotal"]);
    std::printf("swap_used=%.0f\nmeminfo_swap_used=%.0f\n", reading.swapUsed.value_or(-1),
        fields["SwapTotal"] - fields["SwapFree"]);
    std::printf(
        "pressure=%.0f\nlevel=%d\n", reading.pressure.value_or(-1), reading.level ? rawValue(*reading.level) : -1);
    return 0;
}

// `netRoot` stands in for "/" for the network reader only: a veth test
// interface has no device link, so the script gives it one in a small tree
// whose other files link to the real ones.
int ratesMode(char **command, const std::string &netRoot)
{
    const Clock &clock = Clock::system();
    DiskSampler disk(std::make_unique<LinuxBlockDeviceSource>(), clock);
    NetworkSampler network(std::make_unique<LinuxNetworkInterfaceSource>(netRoot), clock);
    disk.sample();
    network.sample();
    const std::uint64_t start = clock.awakeNanoseconds();
    const pid_t child = fork();
    if (child == 0) {
        execvp(command[0], command);
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    const std::uint64_t end = clock.awakeNanoseconds();
    const auto diskRates = disk.sample();
    const auto networkRates = network.sample();
    std::printf("interval=%.3f\n", seconds(end - start));
    std::printf("command_status=%d\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    std::printf(
        "disk_read=%.0f\ndisk_write=%.0f\n", diskRates ? diskRates->read : -1.0, diskRates ? diskRates->write : -1.0);
    std::printf("net_in=%.0f\nnet_out=%.0f\n", networkRates ? networkRates->inRate : -1.0,
        networkRates ? networkRates->outRate : -1.0);
    return 0;
}

// The reading, then every input of the chips and zones as the source reads
// it once more ("input=FILE VALUE", thousandths of a degree or RPM, "-" when
// unreadable). FILE is as the user finds it, under `root`.
int sensorsMode(const std::string &root)
{
    auto *source = new LinuxSensorSource(root);
    SensorSampler sampler { std::unique_ptr<SensorSource>(source) };
    const std::optional<SensorReading> reading = sampler.read();
    const auto print = [](const std::string &file, std::optional<std::int64_t> value) {
        std::printf("input=%s %s\n", file.c_str(), value ? std::to_string(*value).c_str() : "-");
    };
    for (const auto *chips : { &source->chips(), &source->thermalZones() }) {
        for (const SensorChip &chip : *chips) {
            for (const TemperatureInput &input : chip.temperatures) {
                print(input.file, input.milliCelsius);
            }
            for (const FanInput &input : chip.fans) {
                print(input.file, input.rpm);
            }
        }
    }
    std::printf("sensors=%s\n", reading ? "present" : "absent");
    if (reading) {
        std::printf("cpu_file=%s\n", reading->cpuFile.toStdString().c_str());
        std::printf("cpu_temperature=%.3f\n", reading->cpuCelsius.value_or(-1000));
        std::printf("cpu_critical=%.3f\n", reading->cpuCriticalCelsius.value_or(-1000));
        std::printf("fan_count=%zu\nfastest_fan=%.0f\n", reading->fans.size(), reading->fastestFanRpm().value_or(-1));
        std::printf("hottest_other=%.3f\n", reading->others.empty() ? -1000 : reading->others.front().celsius);
        std::printf("unreadable=%zu\n", reading->unreadable.size());
    }
    return 0;
}

bool sendAll(int fd, const char *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t sent = send(fd, data, size, 0);
        if (sent <= 0) {
            return false;
        }
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

bool pump(int fd, std::uint64_t toSend, std::uint64_t toReceive)
{
    std::vector<char> buffer(1 << 16, 'v');
    while (toSend > 0) {
        const std::size_t chunk = std::min<std::uint64_t>(toSend, buffer.size());
        if (!sendAll(fd, buffer.data(), chunk)) {
            return false;
        }
        toSend -= chunk;
    }
    while (toReceive > 0) {
        const ssize_t got = recv(fd, buffer.data(), std::min<std::uint64_t>(toReceive, buffer.size()), 0);
        if (got <= 0) {
            return false;
        }
        toReceive -= static_cast<std::uint64_t>(got);
    }
    return true;
}

int serveMode(int port)
{
    const int server = socket(AF_INET, SOCK_STREAM, 0);
    const int yes = 1;
    setsockopt(server, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (bind(server, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || listen(server, 1) != 0) {
        std::perror("serve");
        return 1;
    }
    const int peer = accept(server, nullptr, nullptr);
    std::uint64_t header[2] = {};
    if (peer < 0 || recv(peer, header, sizeof header, MSG_WAITALL) != sizeof header) {
        return 1;
    }
    // The peer sends header[0] bytes, then expects header[1] back.
    const bool ok = pump(peer, 0, header[0]) && pump(peer, header[1], 0);
    close(peer);
    close(server);
    return ok ? 0 : 1;
}

int transferMode(const char *host, int port, std::uint64_t send, std::uint64_t receive)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    inet_pton(AF_INET, host, &address.sin_addr);
    for (int attempt = 0; connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0; ++attempt) {
        if (attempt > 50) {
            std::perror("transfer");
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const std::uint64_t header[2] = { send, receive };
    const bool ok = sendAll(fd, reinterpret_cast<const char *>(header), sizeof header) && pump(fd, send, receive);
    close(fd);
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "cpu" && argc == 3) {
        return cpuMode(std::atof(argv[2]));
    }
    if (mode == "memory") {
        return memoryMode();
    }
    if (mode == "rates" && argc > 3 && std::strcmp(argv[2], "--") == 0) {
        return ratesMode(argv + 3, "/");
    }
    if (mode == "rates" && argc > 5 && std::strcmp(argv[2], "--net-root") == 0 && std::strcmp(argv[4], "--") == 0) {
        return ratesMode(argv + 5, argv[3]);
    }
    if (mode == "sensors" && argc == 2) {
        return sensorsMode("/");
    }
    if (mode == "sensors" && argc == 4 && std::strcmp(argv[2], "--root") == 0) {
        return sensorsMode(argv[3]);
    }
    if (mode == "serve" && argc == 3) {
        return serveMode(std::atoi(argv[2]));
    }
    if (mode == "transfer" && argc == 6) {
        return transferMode(
            argv[2], std::atoi(argv[3]), std::strtoull(argv[4], nullptr, 10), std::strtoull(argv[5], nullptr, 10));
    }
    std::fprintf(stderr,
        "usage: voltmere-probe cpu SECONDS | memory | rates [--net-root DIR] -- CMD… | serve PORT | "
        "transfer HOST PORT SEND RECEIVE | sensors [--root DIR]\n");
    return 2;
}
