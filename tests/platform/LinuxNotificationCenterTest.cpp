#include "platform/linux/LinuxNotificationCenter.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace voltmere {
namespace {

using Command = LinuxNotificationCenter::Command;

std::function<QString(const QString &)> installed(QStringList programs)
{
    return [programs](const QString &name) {
        return programs.contains(name) ? QStringLiteral("/usr/bin/") + name : QString();
    };
}

TEST(LinuxNotificationCenterTest, SettingsOfTheCurrentDesktopComeFirst)
{
    const auto everything = installed({ QStringLiteral("gnome-control-center"), QStringLiteral("systemsettings"),
        QStringLiteral("xfce4-notifyd-config") });
    EXPECT_EQ(LinuxNotificationCenter::settingsCommand(QStringLiteral("KDE"), everything),
        (Command { QStringLiteral("/usr/bin/systemsettings"), { QStringLiteral("kcm_notifications") } }));
    EXPECT_EQ(LinuxNotificationCenter::settingsCommand(QStringLiteral("ubuntu:GNOME"), everything),
        (Command { QStringLiteral("/usr/bin/gnome-control-center"), { QStringLiteral("notifications") } }));
    EXPECT_EQ(LinuxNotificationCenter::settingsCommand(QStringLiteral("xfce"), everything),
        (Command { QStringLiteral("/usr/bin/xfce4-notifyd-config"), {} }));
}

TEST(LinuxNotificationCenterTest, FallsBackToAnyInstalledSettings)
{
    EXPECT_EQ(LinuxNotificationCenter::settingsCommand(
                  QStringLiteral("sway"), installed({ QStringLiteral("xfce4-notifyd-config") })),
        (Command { QStringLiteral("/usr/bin/xfce4-notifyd-config"), {} }));
    // Plasma 5 names its program differently.
    EXPECT_EQ(LinuxNotificationCenter::settingsCommand(
                  QStringLiteral("KDE"), installed({ QStringLiteral("systemsettings5") })),
        (Command { QStringLiteral("/usr/bin/systemsettings5"), { QStringLiteral("kcm_notifications") } }));
}

TEST(LinuxNotificationCenterTest, NoSettingsProgramIsAReportedFailure)
{
    EXPECT_FALSE(LinuxNotificationCenter::settingsCommand(QStringLiteral("GNOME"), installed({})));
    // On this machine no desktop is installed: opening must say so.
    if (!LinuxNotificationCenter::settingsCommand(qEnvironmentVariable("XDG_CURRENT_DESKTOP"),
            [](const QString &n) { return QStandardPaths::findExecutable(n); })) {
        LinuxNotificationCenter center;
        const auto error = center.openSettings();
        ASSERT_TRUE(error);
        EXPECT_FALSE(error->isEmpty());
    }
}

TEST(LinuxNotificationCenterTest, ServerAnswersMapOntoPermissionSettings)
{
    using A = NotificationAuthorization;
    using S = NotificationAlertSetting;
    EXPECT_EQ(
        LinuxNotificationCenter::settingsForReply(QDBusError()), (NotificationSettings { A::authorized, S::enabled }));
    const auto errorReply = [](const char *name) {
        return QDBusError(QDBusMessage::createError(QString::fromLatin1(name), QStringLiteral("x")));
    };
    EXPECT_EQ(LinuxNotificationCenter::settingsForReply(errorReply("org.freedesktop.DBus.Error.ServiceUnknown")),
        (NotificationSettings { A::denied, S::notSupported }));
    EXPECT_EQ(LinuxNotificationCenter::settingsForReply(errorReply("org.freedesktop.DBus.Error.Spawn.ChildExited")),
        (NotificationSettings { A::denied, S::notSupported }));
    EXPECT_EQ(LinuxNotificationCenter::settingsForReply(errorReply("org.freedesktop.DBus.Error.NoReply")),
        (NotificationSettings { A::notDetermined, S::notSupported }));
}

} // namespace
} // namespace voltmere
