#include "preferences/Preferences.h"

#include "history/LegacyMigration.h"

#include <QSettings>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace voltmere {

namespace {

const QString styleKey = QStringLiteral("menuBar.style");
const QString windowKey = QStringLiteral("overview.windowMinutes");
const QString retentionKey = QStringLiteral("history.retentionDays");
const QString enabledKey = QStringLiteral("chargeReminder.enabled");
const QString targetKey = QStringLiteral("chargeReminder.target");
const QString welcomeKey = QStringLiteral("welcome.completed");

// A missing or non-numeric integer reads as 0, as the platform store reports
// it; 0 is not an allowed value of any integer setting.
int readInt(const QSettings &store, const QString &key)
{
    bool ok = false;
    const int value = store.value(key).toInt(&ok);
    return ok ? value : 0;
}

// A missing or malformed Boolean reads as false. The INI store hands back
// text ("true", "1"); a number counts as true when it is not zero, as the
// platform store reads one.
bool readBool(const QSettings &store, const QString &key)
{
    const QVariant value = store.value(key);
    if (value.typeId() == QMetaType::Bool) {
        return value.toBool();
    }
    const QString text = value.toString().trimmed().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("yes")) {
        return true;
    }
    bool ok = false;
    const double number = text.toDouble(&ok);
    return ok && number != 0;
}

} // namespace

std::optional<MenuBarStyle> menuBarStyleFromRaw(std::string_view raw)
{
    for (MenuBarStyle style : allMenuBarStyles) {
        if (rawValue(style).toStdString() == raw) {
            return style;
        }
    }
    return std::nullopt;
}

QString rawValue(MenuBarStyle style)
{
    switch (style) {
    case MenuBarStyle::battery:
        return QStringLiteral("battery");
    case MenuBarStyle::cpu:
        return QStringLiteral("cpu");
    case MenuBarStyle::icon:
        return QStringLiteral("icon");
    }
    return {};
}

QString label(MenuBarStyle style)
{
    switch (style) {
    case MenuBarStyle::battery:
        return QStringLiteral("Battery percentage");
    case MenuBarStyle::cpu:
        return QStringLiteral("CPU percentage");
    case MenuBarStyle::icon:
        return QStringLiteral("Compact icon");
    }
    return {};
}

Preferences::Preferences(QSettings &store, QObject *parent)
    : QObject(parent)
    , m_store(store)
{
    m_menuBarStyle
        = menuBarStyleFromRaw(store.value(styleKey).toString().toStdString()).value_or(MenuBarStyle::battery);

    const int minutes = readInt(store, windowKey);
    m_overviewWindowMinutes = (minutes == 1 || minutes == 5 || minutes == 15 || minutes == 60) ? minutes : 5;

    // 7 is the default, so only the other two allowed values need a test.
    const int days = readInt(store, retentionKey);
    m_historyRetentionDays = (days == 1 || days == 30) ? days : 7;

    m_reminderEnabled = readBool(store, enabledKey);

    // Loading falls back rather than clamps: a stored 49 loads 80, not 50.
    const int target = readInt(store, targetKey);
    m_reminderTarget = (target >= 50 && target <= 100) ? target : 80;

    m_welcomeCompleted = readBool(store, welcomeKey);
}

Preferences::~Preferences() = default;

const QStringList &Preferences::storedKeys()
{
    static const QStringList keys { styleKey, windowKey, retentionKey, enabledKey, targetKey, welcomeKey };
    return keys;
}

Preferences &Preferences::shared()
{
    // Named explicitly rather than taken from the application object, so the
    // store is the same whenever this is first touched. Both live for the
    // process; every write is synced at once.
    static Preferences *preferences = [] {
        auto *standard = new QSettings(
            QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Voltmere"), QStringLiteral("Voltmere"));
        QSettings legacy(QSettings::NativeFormat, QSettings::UserScope, LegacyMigration::legacyOrganization,
            LegacyMigration::legacyApplication);
        // An unreadable legacy file counts as no legacy domain at all.
        QSettings *source = legacy.status() == QSettings::NoError ? &legacy : nullptr;
        LegacyMigration::migrateDefaults(source, *standard, storedKeys());
        return new Preferences(*standard);
    }();
    return *preferences;
}

void Preferences::write(const QString &key, const QVariant &value)
{
    m_store.setValue(key, value);
    m_store.sync();
}

void Preferences::setMenuBarStyle(MenuBarStyle style)
{
    if (style != m_menuBarStyle) {
        m_menuBarStyle = style;
        Q_EMIT menuBarStyleChanged();
    }
    write(styleKey, rawValue(m_menuBarStyle));
}

void Preferences::setOverviewWindowMinutes(int minutes)
{
    if (minutes != m_overviewWindowMinutes) {
        m_overviewWindowMinutes = minutes;
        Q_EMIT overviewWindowMinutesChanged();
    }
    write(windowKey, m_overviewWindowMinutes);
}

void Preferences::setHistoryRetentionDays(int days)
{
    if (days != m_historyRetentionDays) {
        m_historyRetentionDays = days;
        Q_EMIT historyRetentionDaysChanged();
    }
    write(retentionKey, m_historyRetentionDays);
}

void Preferences::setReminderEnabled(bool enabled)
{
    if (enabled != m_reminderEnabled) {
        m_reminderEnabled = enabled;
        Q_EMIT reminderEnabledChanged();
    }
    write(enabledKey, m_reminderEnabled);
}

void Preferences::setReminderTarget(int target)
{
    const int clamped = std::clamp(target, 50, 100);
    if (clamped != m_reminderTarget) {
        m_reminderTarget = clamped;
        Q_EMIT reminderTargetChanged();
    }
    write(targetKey, m_reminderTarget);
}

void Preferences::setWelcomeCompleted(bool completed)
{
    if (completed != m_welcomeCompleted) {
        m_welcomeCompleted = completed;
        Q_EMIT welcomeCompletedChanged();
    }
    write(welcomeKey, m_welcomeCompleted);
}

bool Preferences::shouldOfferWelcome() const
{
    const char *skip = std::getenv("VOLTMERE_SKIP_WELCOME");
    if (skip && std::strcmp(skip, "1") == 0) {
        return false;
    }
    return !m_welcomeCompleted;
}

} // namespace voltmere
