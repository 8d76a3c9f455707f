#pragma once

#include "sampling/Readers.h"

#include <deque>
#include <string>
#include <vector>

namespace voltmere::test {

// Readers that return scripted results and log the order they were called in.
struct ReaderLog {
    std::vector<std::string> calls;
};

class FakeCPU final : public CPULoadReader {
public:
    explicit FakeCPU(ReaderLog *log = nullptr) : m_log(log) {}
    std::optional<CPUReading> sample() override
    {
        if (m_log) m_log->calls.push_back("cpu");
        if (!hasBaseline) {
            hasBaseline = true;
            return std::nullopt;
        }
        return reading;
    }
    void resetBaseline() override { hasBaseline = false; ++resets; }

    std::optional<CPUReading> reading = CPUReading{50, 40, 10};
    bool hasBaseline = false;
    int resets = 0;

private:
    ReaderLog *m_log;
};

class FakeMemory final : public MemoryStatusReader {
public:
    explicit FakeMemory(ReaderLog *log = nullptr) : m_log(log) {}
    MemoryReading sample() override
    {
        if (m_log) m_log->calls.push_back("memory");
        return reading;
    }
    MemoryReading reading{25.0, MemoryPressureLevel::normal, 4e9, 16e9, 1e9, 2e9};

private:
    ReaderLog *m_log;
};

class FakeDisk final : public DiskThroughputReader {
public:
    explicit FakeDisk(ReaderLog *log = nullptr) : m_log(log) {}
    std::optional<DiskReading> sample() override
    {
        if (m_log) m_log->calls.push_back("disk");
        if (!hasBaseline) {
            hasBaseline = true;
            return std::nullopt;
        }
        return DiskReading{100, 200};
    }
    void resetBaseline() override { hasBaseline = false; }
    bool hasBaseline = false;

private:
    ReaderLog *m_log;
};

class FakeNetwork final : public NetworkThroughputReader {
public:
    explicit FakeNetwork(ReaderLog *log = nullptr) : m_log(log) {}
    std::optional<NetworkReading> sample() override
    {
        if (m_log) m_log->calls.push_back("network");
        if (!hasBaseline) {
            hasBaseline = true;
            return std::nullopt;
        }
        return NetworkReading{300, 400};
    }
    void resetBaseline() override { hasBaseline = false; }
    bool hasBaseline = false;

private:
    ReaderLog *m_log;
};

class FakeProcesses final : public ProcessListReader {
public:
    explicit FakeProcesses(ReaderLog *log = nullptr) : m_log(log) {}
    std::optional<ProcessReading> sample(int top) override
    {
        if (m_log) m_log->calls.push_back("processes");
        lastTop = top;
        if (!hasBaseline) {
            hasBaseline = true;
            return std::nullopt;
        }
        return reading;
    }
    void resetBaselines() override { hasBaseline = false; }

    ProcessReading reading{{{42, QStringLiteral("busy"), 80.0}}, 90.0, 1};
    bool hasBaseline = false;
    int lastTop = 0;

private:
    ReaderLog *m_log;
};

class FakeBattery final : public BatteryStatusReader {
public:
    explicit FakeBattery(ReaderLog *log = nullptr) : m_log(log) {}
    std::optional<BatteryReading> read() override
    {
        if (m_log) m_log->calls.push_back("battery");
        ++reads;
        return reading;
    }
    std::optional<BatteryReading> reading;
    int reads = 0;

private:
    ReaderLog *m_log;
};

class FakeSensors final : public SensorReader {
public:
    explicit FakeSensors(ReaderLog *log = nullptr) : m_log(log) {}
    std::optional<SensorReading> read() override
    {
        if (m_log) m_log->calls.push_back("sensors");
        return reading;
    }
    std::optional<SensorReading> reading;

private:
    ReaderLog *m_log;
};

} // namespace voltmere::test
