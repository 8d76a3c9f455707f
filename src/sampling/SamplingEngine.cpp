#include "sampling/SamplingEngine.h"

#include "sampling/PlatformReaders.h"

#include <QtGlobal>

#include <algorithm>

namespace voltmere {

SamplingEngine::SamplingEngine(Readers readers, double coreCount, const Clock &clock)
    : m_queue(QStringLiteral("voltmere.sampling"))
    , m_readers(std::move(readers))
    , m_selfUsage(clock)
    , m_coreCount(coreCount)
    , m_clock(clock)
{
}

SamplingEngine::~SamplingEngine()
{
    // Readers belong to the queue; let anything still queued finish, then
    // destroy them there (some hold objects that live on the queue's
    // thread). A stopped queue has no thread left to race with.
    m_queue.sync([this] { m_readers = Readers {}; });
}

std::unique_ptr<SamplingEngine> SamplingEngine::createForThisMachine()
{
    return std::make_unique<SamplingEngine>(makePlatformReaders(), activeProcessorCount());
}

Snapshot SamplingEngine::sample()
{
    Q_ASSERT(m_queue.isCurrent());
    const std::uint64_t now = m_clock.awakeNanoseconds();
    Snapshot snapshot;
    snapshot.date = m_clock.now();
    snapshot.awake = static_cast<double>(now) / 1e9;
    if (m_lastTick != 0) {
        // The awake clock is monotonic, but a fake or a broken clock must not
        // turn into a negative interval.
        snapshot.interval = now >= m_lastTick ? static_cast<double>(now - m_lastTick) / 1e9 : 0.0;
    }
    m_lastTick = now;

    if (m_readers.cpu) {
        if (const auto cpu = m_readers.cpu->sample()) {
            snapshot.cpuTotal = cpu->busy;
            snapshot.cpuUser = cpu->user;
            snapshot.cpuSystem = cpu->system;
        }
    }
    if (m_readers.memory) {
        const MemoryReading memory = m_readers.memory->sample();
        snapshot.memPressure = memory.pressure;
        snapshot.memLevel = memory.level;
        snapshot.memUsed = memory.used;
        snapshot.memTotal = memory.total;
        snapshot.swapUsed = memory.swapUsed;
        snapshot.swapTotal = memory.swapTotal;
    }
    if (m_readers.disk) {
        if (const auto disk = m_readers.disk->sample()) {
            snapshot.diskRead = disk->read;
            snapshot.diskWrite = disk->write;
        }
    }
    if (m_readers.network) {
        if (const auto network = m_readers.network->sample()) {
            snapshot.netIn = network->inRate;
            snapshot.netOut = network->outRate;
        }
    }
    if (m_readers.processes) {
        if (auto processes = m_readers.processes->sample(topProcessCount)) {
            snapshot.topProcesses = std::move(processes->top);
            snapshot.unreadableProcessCount = processes->unreadable;
            if (snapshot.cpuTotal) {
                // cpuTotal is a share of the whole machine, the process figures
                // are per core: scale by the core count before subtracting.
                snapshot.otherProcessesCPU =
                    std::max(0.0, *snapshot.cpuTotal * m_coreCount - processes->measuredCPU);
            }
        }
    }
    if (m_readers.battery) {
        snapshot.battery = m_readers.battery->read();
    }
    if (m_readers.sensors) {
        snapshot.sensors = m_readers.sensors->read();
    }
    if (const auto self = m_selfUsage.sample()) {
        snapshot.selfCPU = self->percent;
        snapshot.selfCPUSeconds = self->seconds;
    }
    return snapshot;
}

void SamplingEngine::resetBaselines()
{
    Q_ASSERT(m_queue.isCurrent());
    if (m_readers.cpu) {
        m_readers.cpu->resetBaseline();
    }
    if (m_readers.disk) {
        m_readers.disk->resetBaseline();
    }
    if (m_readers.network) {
        m_readers.network->resetBaseline();
    }
    if (m_readers.processes) {
        m_readers.processes->resetBaselines();
    }
    m_lastTick = 0;
}

std::optional<BatteryReading> SamplingEngine::readBattery()
{
    Q_ASSERT(m_queue.isCurrent());
    return m_readers.battery ? m_readers.battery->read() : std::nullopt;
}

} // namespace voltmere
