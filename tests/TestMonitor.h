#pragma once

#include "FakeHistoryRecorder.h"
#include "FakeReaders.h"
#include "FakeSystemEvents.h"

#include "app/Preferences.h"
#include "monitor/Monitor.h"
#include "sampling/SamplingEngine.h"

#include <QSettings>
#include <QTemporaryDir>

#include <memory>

namespace voltmere::test {

// A Monitor over fake readers, a fake history and preferences in a
// temporary INI file: for tests of what sits on top of the Monitor.
// Not started unless a test starts it.
class TestMonitor {
public:
    TestMonitor()
        : settings(dir.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat)
        , prefs(settings)
    {
        SamplingEngine::Readers readers{std::make_unique<FakeCPU>(),     std::make_unique<FakeMemory>(),
                                        std::make_unique<FakeDisk>(),    std::make_unique<FakeNetwork>(),
                                        std::make_unique<FakeProcesses>(), std::make_unique<FakeBattery>()};
        monitor = std::make_unique<Monitor>(prefs, history, std::make_unique<SamplingEngine>(std::move(readers), 4.0),
                                            std::make_unique<FakeSystemEvents>());
    }

    QTemporaryDir dir;
    QSettings settings;
    Preferences prefs;
    FakeHistoryRecorder history;
    std::unique_ptr<Monitor> monitor;
};

} // namespace voltmere::test
