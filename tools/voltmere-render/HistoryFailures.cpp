#include "Surface.h"

#include "history/HistoryStore.h"
#include "history/view/HistorySettings.h"
#include "monitor/Monitor.h"
#include "platform/SystemEvents.h"
#include "preferences/Preferences.h"
#include "sampling/SamplingEngine.h"
#include "windows/view/SettingsView.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <memory>

namespace voltmere::render {

namespace {

class FrozenClock final : public Clock {
public:
    Timestamp now() const override { return 1'773'325'925; }
    std::uint64_t awakeNanoseconds() const override { return 0; }
};

class QuietSystemEvents final : public SystemEvents {
public:
    void start() override { }
};

// The History settings tab over a history that cannot be stored: its folder
// is taken by a file, so the store reports why and records nothing.
class UnavailableHistory final : public QWidget {
public:
    UnavailableHistory()
        : m_settings(m_dir.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat)
        , m_prefs(m_settings)
    {
        QFile blocker(m_dir.filePath(QStringLiteral("Voltmere")));
        blocker.open(QIODevice::WriteOnly);
        m_store = std::make_unique<HistoryStore>(m_dir.filePath(QStringLiteral("Voltmere/history.sqlite")), m_clock);
        m_monitor = std::make_unique<Monitor>(m_prefs, *m_store,
            std::make_unique<SamplingEngine>(SamplingEngine::Readers {}, 8.0, m_clock),
            std::make_unique<QuietSystemEvents>(), m_clock);
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(24, 24, 24, 24);
        m_tab = new HistorySettings(*m_monitor);
        m_tab->setFixedWidth(SettingsView::width);
        layout->addWidget(m_tab, 0, Qt::AlignLeft | Qt::AlignTop);
    }
    ~UnavailableHistory() override { delete m_tab; } // before the Monitor it reads

private:
    QTemporaryDir m_dir;
    QSettings m_settings;
    Preferences m_prefs;
    FrozenClock m_clock;
    std::unique_ptr<HistoryStore> m_store;
    std::unique_ptr<Monitor> m_monitor;
    HistorySettings *m_tab = nullptr;
};

} // namespace

std::vector<Surface> historyFailureSurfaces()
{
    return {
        { QStringLiteral("settings-history-unavailable"), [] { return new UnavailableHistory; }, nullptr,
            QSize(SettingsView::width + 48, 260) },
    };
}

} // namespace voltmere::render
