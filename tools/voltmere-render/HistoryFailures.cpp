#include "Surface.h"

#include "history/HistoryStore.h"
#include "history/view/HistorySettings.h"
#include "monitor/Monitor.h"
#include "platform/SystemEvents.h"
#include "preferences/Preferences.h"
#include "sampling/SamplingEngine.h"
#include "windows/view/SettingsView.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QSettings>
#include <QTabWidget>
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

enum class Case { unavailable, deleteFailed, compactFailed, shorten };

// The History settings tab in one of its troubled states: over a history that
// cannot be stored (its folder is taken by a file, so the store reports why
// and records nothing), after a deletion that failed or could not compact
// the file, or asking before a
// shorter retention removes a week of readings.
class TroubledHistory final : public QWidget {
public:
    explicit TroubledHistory(Case which)
        : m_settings(m_dir.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat)
        , m_prefs(m_settings)
    {
        if (which == Case::unavailable) {
            QFile blocker(m_dir.filePath(QStringLiteral("Voltmere")));
            blocker.open(QIODevice::WriteOnly);
        }
        m_store = std::make_unique<HistoryStore>(m_dir.filePath(QStringLiteral("Voltmere/history.sqlite")), m_clock);
        if (which == Case::shorten) {
            for (Timestamp t = m_clock.now() - 7 * 86400.0; t <= m_clock.now(); t += 600) {
                Snapshot s;
                s.date = t;
                s.cpuTotal = 20;
                m_store->record(s);
            }
            m_store->flush(true);
        }
        m_monitor = std::make_unique<Monitor>(m_prefs, *m_store,
            std::make_unique<SamplingEngine>(SamplingEngine::Readers {}, 8.0, m_clock),
            std::make_unique<QuietSystemEvents>(), m_clock);
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(24, 24, 24, 24);
        m_tab = new HistorySettings(*m_monitor);
        m_tab->setFixedWidth(SettingsView::width);
        layout->addWidget(m_tab, 0, Qt::AlignLeft | Qt::AlignTop);
        m_shown = m_tab;
        if (which == Case::deleteFailed) {
            m_tab->showDeleted({ false, QStringLiteral("database or disk is full") });
        }
        if (which == Case::compactFailed) {
            // Two lines: in the window itself, which gives the tab the height
            // its width needs (a tab aligned to the top here is not).
            m_tab->showDeleted({ true, QStringLiteral("database or disk is full") });
            auto *window = new SettingsView(*m_monitor, m_tab);
            window->tabs()->setCurrentIndex(2);
            layout->addWidget(window);
            m_shown = window;
        }
        if (which == Case::shorten) {
            // Asked as the user asks it: "1 day" picked in the list.
            QComboBox *picker = m_tab->retentionPicker();
            const int oneDay = picker->findText(QStringLiteral("1 day"));
            picker->setCurrentIndex(oneDay);
            Q_EMIT picker->activated(oneDay);
            QElapsedTimer waited;
            waited.start();
            while (!m_tab->retentionConfirmation() && waited.elapsed() < 5000) {
                QApplication::processEvents(QEventLoop::AllEvents, 20);
            }
            // The dialog drawn in place, below the tab that asked.
            if (QMessageBox *box = m_tab->retentionConfirmation()) {
                box->setWindowFlags(Qt::Widget);
                box->setParent(this);
                layout->addWidget(box, 0, Qt::AlignLeft | Qt::AlignTop);
                box->show();
            }
        }
    }
    ~TroubledHistory() override { delete m_shown; } // before the Monitor it reads

private:
    QTemporaryDir m_dir;
    QSettings m_settings;
    Preferences m_prefs;
    FrozenClock m_clock;
    std::unique_ptr<HistoryStore> m_store;
    std::unique_ptr<Monitor> m_monitor;
    HistorySettings *m_tab = nullptr;
    QWidget *m_shown = nullptr; // the tab, or the window holding it
};

} // namespace

std::vector<Surface> historyFailureSurfaces()
{
    return {
        { QStringLiteral("settings-history-unavailable"), [] { return new TroubledHistory(Case::unavailable); },
            nullptr, QSize(SettingsView::width + 48, 260) },
        { QStringLiteral("settings-history-delete-failed"), [] { return new TroubledHistory(Case::deleteFailed); },
            nullptr, QSize(SettingsView::width + 48, 280) },
        { QStringLiteral("settings-history-compact-failed"), [] { return new TroubledHistory(Case::compactFailed); },
            nullptr, QSize(SettingsView::width + 48, SettingsView::height + 48) },
        { QStringLiteral("settings-history-shorten"), [] { return new TroubledHistory(Case::shorten); }, nullptr,
            QSize(SettingsView::width + 48, 460) },
    };
}

} // namespace voltmere::render
