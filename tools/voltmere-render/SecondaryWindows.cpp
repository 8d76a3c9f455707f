#include "Surface.h"
#include "app/view/Surfaces.h"

#include "history/HistoryStore.h"
#include "monitor/Monitor.h"
#include "platform/NotificationCenter.h"
#include "platform/SystemEvents.h"
#include "preferences/Preferences.h"
#include "sampling/SamplingEngine.h"
#include "windows/view/AboutContent.h"
#include "windows/view/AboutView.h"
#include "windows/view/SettingsView.h"
#include "windows/view/WelcomeView.h"

#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <functional>
#include <memory>

namespace voltmere::render {

namespace {

class StillClock final : public Clock {
public:
    Timestamp now() const override { return 1'773'325'925; }
    std::uint64_t awakeNanoseconds() const override { return 0; }
};

class NoSystemEvents final : public SystemEvents {
public:
    void start() override {}
};

// A notification service in a chosen state that answers at once.
class ScriptedNotifications final : public NotificationCenter {
public:
    NotificationSettings settings;
    std::optional<QString> addError;

    bool hasApplicationIdentity() const override { return identity; }
    void getSettings(std::function<void(NotificationSettings)> completion) override { completion(settings); }
    void requestAuthorization(ErrorCompletion completion) override { completion(std::nullopt); }
    void add(const QString &, const NotificationContent &, ErrorCompletion completion) override
    {
        completion(addError);
    }
    std::optional<QString> openSettings() override { return std::nullopt; }

    bool identity = true;
};

// A Monitor that never samples, over a real (empty) history database.
struct Fixture {
    explicit Fixture(std::unique_ptr<ScriptedNotifications> center)
        : settings(dir.filePath(QStringLiteral("prefs.ini")), QSettings::IniFormat)
        , prefs(settings)
        , history(dir.filePath(QStringLiteral("history.sqlite")), clock)
        , monitor(prefs, history, std::make_unique<SamplingEngine>(SamplingEngine::Readers{}, 8.0, clock),
                  std::make_unique<NoSystemEvents>(), std::move(center), clock)
    {
    }
    QTemporaryDir dir;
    QSettings settings;
    Preferences prefs;
    StillClock clock;
    HistoryStore history;
    Monitor monitor;
};

// Keeps the fixture alive for as long as the window it feeds.
class Host final : public QWidget {
public:
    Host(std::unique_ptr<Fixture> fixture, const std::function<QWidget *(Monitor &)> &build)
        : m_fixture(std::move(fixture))
    {
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(build(m_fixture->monitor), 0, Qt::AlignLeft | Qt::AlignTop);
    }
    ~Host() override
    {
        // The views go before the Monitor they read.
        qDeleteAll(findChildren<QWidget *>(Qt::FindDirectChildrenOnly));
    }

private:
    std::unique_ptr<Fixture> m_fixture;
};

using Setup = std::function<void(Fixture &)>;

QWidget *hosted(NotificationSettings permission, const Setup &setup, const std::function<QWidget *(Monitor &)> &build,
                std::optional<QString> addError = std::nullopt, bool identity = true)
{
    auto center = std::make_unique<ScriptedNotifications>();
    center->settings = permission;
    center->addError = std::move(addError);
    center->identity = identity;
    auto fixture = std::make_unique<Fixture>(std::move(center));
    fixture->monitor.refreshNotificationStatus();
    setup(*fixture);
    return new Host(std::move(fixture), build);
}

const NotificationSettings allowed{NotificationAuthorization::authorized, NotificationAlertSetting::enabled};
const NotificationSettings denied{NotificationAuthorization::denied, NotificationAlertSetting::disabled};

QWidget *settingsTab(int tab, NotificationSettings permission = allowed, const Setup &setup = [](Fixture &) {},
                     std::optional<QString> addError = std::nullopt, bool identity = true)
{
    return hosted(permission, setup,
                  [tab](Monitor &monitor) {
                      auto *view = new SettingsView(monitor, Surfaces::historySettings(monitor));
                      view->tabs()->setCurrentIndex(tab);
                      return view;
                  },
                  std::move(addError), identity);
}

QWidget *welcome(bool reminderOn)
{
    return hosted(allowed,
                  [reminderOn](Fixture &f) {
                      f.prefs.setReminderEnabled(reminderOn);
                      f.prefs.setReminderTarget(85);
                  },
                  [](Monitor &monitor) { return new WelcomeView(monitor); });
}

} // namespace

std::vector<Surface> secondaryWindowSurfaces()
{
    const QSize settingsSize(SettingsView::width + 48, SettingsView::height + 48);
    return {
        {QStringLiteral("settings-general"), [] { return settingsTab(0); }, nullptr, settingsSize},
        {QStringLiteral("settings-notifications-allowed-error"),
         [] {
             return settingsTab(
                 1, allowed, [](Fixture &f) { f.monitor.sendTestNotification(); },
                 QStringLiteral("The notification server refused the notification."));
         },
         nullptr, settingsSize},
        {QStringLiteral("settings-notifications-off"), [] { return settingsTab(1, denied); }, nullptr, settingsSize},
        {QStringLiteral("settings-notifications-checking"),
         [] { return settingsTab(1, allowed, [](Fixture &) {}, std::nullopt, false); }, nullptr, settingsSize},
        {QStringLiteral("settings-history"), [] { return settingsTab(2); }, nullptr, settingsSize},
        {QStringLiteral("settings-about"), [] { return settingsTab(3); }, nullptr, settingsSize},
        {QStringLiteral("welcome-reminder-off"), [] { return welcome(false); }, nullptr, {}},
        {QStringLiteral("welcome-reminder-on"), [] { return welcome(true); }, nullptr, {}},
        {QStringLiteral("about"), [] { return new AboutView; }, nullptr,
         QSize(AboutView::width + 48, AboutView::height + 48)},
        // The whole of the content, past where the window starts to scroll.
        {QStringLiteral("about-content-full"),
         [] {
             auto *content = new AboutContent(false);
             content->setFixedWidth(AboutView::width - 48);
             return content;
         },
         nullptr, {}},
    };
}

} // namespace voltmere::render
