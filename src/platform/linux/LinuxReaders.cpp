#include "platform/linux/LinuxReaders.h"
#include "sampling/PlatformReaders.h"

#include "platform/linux/LinuxBlockDeviceSource.h"
#include "platform/linux/LinuxCPUTickSource.h"
#include "platform/linux/LinuxMemoryCounterSource.h"
#include "platform/linux/LinuxNetworkInterfaceSource.h"
#include "platform/linux/LinuxPowerSupplySource.h"
#include "platform/linux/LinuxProcessTableSource.h"
#include "platform/linux/LinuxSensorSource.h"
#include "sampling/BatteryReader.h"
#include "sampling/CPUSampler.h"
#include "sampling/DiskSampler.h"
#include "sampling/MemorySampler.h"
#include "sampling/NetworkSampler.h"
#include "sampling/ProcessSampler.h"
#include "sampling/SensorSampler.h"

#include <unistd.h>

namespace voltmere {

SamplingEngine::Readers makeLinuxReaders(const std::string &root, const Clock &clock, const QDBusConnection &bus)
{
    SamplingEngine::Readers readers;
    readers.cpu = std::make_unique<CPUSampler>(std::make_unique<LinuxCPUTickSource>(root));
    readers.memory = std::make_unique<MemorySampler>(std::make_unique<LinuxMemoryCounterSource>(root));
    readers.disk = std::make_unique<DiskSampler>(std::make_unique<LinuxBlockDeviceSource>(root), clock);
    readers.network = std::make_unique<NetworkSampler>(std::make_unique<LinuxNetworkInterfaceSource>(root), clock);
    readers.processes = std::make_unique<ProcessSampler>(std::make_unique<LinuxProcessTableSource>(root), clock);
    readers.battery = std::make_unique<BatteryReader>(std::make_unique<LinuxPowerSupplySource>(root, bus), clock);
    readers.sensors = std::make_unique<SensorSampler>(
        std::make_unique<LinuxSensorSource>(root, LinuxSensorSource::Files::automatic, clock));
    return readers;
}

SamplingEngine::Readers makePlatformReaders()
{
    return makeLinuxReaders("/", Clock::system(), QDBusConnection::systemBus());
}

double activeProcessorCount()
{
    const long online = sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? static_cast<double>(online) : 1.0;
}

} // namespace voltmere
