#include "EventLoop.h"

#include "platform/MotionPreference.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace voltmere {
namespace {

const QString gnome = QStringLiteral("org.gnome.desktop.interface");
const QString kde = QStringLiteral("org.kde.kdeglobals.KDE");
const QString appearance = QStringLiteral("org.freedesktop.appearance");

TEST(MotionPreferenceTest, EachDesktopSaysItInItsOwnWords)
{
    using P = MotionPreference;
    EXPECT_EQ(P::reducesMotion(gnome, QStringLiteral("enable-animations"), false), true);
    EXPECT_EQ(P::reducesMotion(gnome, QStringLiteral("enable-animations"), true), false);
    // KDE keeps the factor as text; 0 switches animations off, anything else scales them.
    EXPECT_EQ(P::reducesMotion(kde, QStringLiteral("AnimationDurationFactor"), QStringLiteral("0")), true);
    EXPECT_EQ(P::reducesMotion(kde, QStringLiteral("AnimationDurationFactor"), 0.5), false);
    EXPECT_EQ(P::reducesMotion(appearance, QStringLiteral("reduced-motion"), 1u), true);
    EXPECT_EQ(P::reducesMotion(appearance, QStringLiteral("reduced-motion"), 0u), false);
    // Other settings, and values of the wrong kind, say nothing.
    EXPECT_EQ(P::reducesMotion(gnome, QStringLiteral("color-scheme"), QStringLiteral("prefer-dark")), std::nullopt);
    EXPECT_EQ(P::reducesMotion(gnome, QStringLiteral("enable-animations"), QStringLiteral("yes")), std::nullopt);
    EXPECT_EQ(P::reducesMotion(kde, QStringLiteral("AnimationDurationFactor"), QStringLiteral("fast")), std::nullopt);
}

TEST(MotionPreferenceTest, AnyDesktopAskingIsEnoughAndEveryChangeIsAnnouncedOnce)
{
    MotionPreference preference;
    QSignalSpy changed(&preference, &MotionPreference::reduceMotionChanged);
    preference.apply(gnome, QStringLiteral("enable-animations"), true);
    EXPECT_FALSE(preference.reduceMotion());
    EXPECT_EQ(changed.count(), 0);

    preference.apply(kde, QStringLiteral("AnimationDurationFactor"), QStringLiteral("0"));
    EXPECT_TRUE(preference.reduceMotion());
    EXPECT_EQ(changed.count(), 1);
    // GNOME still animating does not undo what KDE asked.
    preference.apply(gnome, QStringLiteral("enable-animations"), true);
    EXPECT_TRUE(preference.reduceMotion());
    EXPECT_EQ(changed.count(), 1);

    preference.apply(kde, QStringLiteral("AnimationDurationFactor"), QStringLiteral("1"));
    EXPECT_FALSE(preference.reduceMotion());
    EXPECT_EQ(changed.count(), 2);
    preference.apply(gnome, QStringLiteral("color-scheme"), QStringLiteral("prefer-dark"));
    EXPECT_EQ(changed.count(), 2);
}

} // namespace
} // namespace voltmere

// ------------------------------------------------- the settings portal, faked

namespace voltmere {
namespace {

// Answers Settings.Read like the desktop portal: GNOME has animations off.
class FakeSettingsPortal final : public QDBusVirtualObject {
public:
    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        if (message.member() != QLatin1String("Read")) {
            return false;
        }
        const QStringList args{message.arguments().at(0).toString(), message.arguments().at(1).toString()};
        QDBusMessage reply;
        if (args == QStringList{QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("enable-animations")}) {
            // The portal's first version wraps the value twice.
            reply = message.createReply(
                QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusVariant(false)))));
        } else {
            reply = message.createErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"),
                                             QStringLiteral("Requested setting not found"));
        }
        connection.send(reply);
        return true;
    }
};

TEST(MotionPreferenceDBusTest, TheSharedPreferenceFollowsTheSettingsPortal)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.isConnected());
    const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
    const QString path = QStringLiteral("/org/freedesktop/portal/desktop");
    FakeSettingsPortal portal;
    ASSERT_TRUE(bus.registerVirtualObject(path, &portal));
    ASSERT_TRUE(bus.registerService(service));

    MotionPreference &shared = MotionPreference::shared();
    EXPECT_TRUE(test::waitFor([&] { return shared.reduceMotion(); })) << "GNOME's animations are off";

    // The desktop switches them back on; the portal is another process, so
    // the signal comes from a connection of its own.
    QDBusConnection desktop = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("desktop"));
    QDBusMessage changed = QDBusMessage::createSignal(path, QStringLiteral("org.freedesktop.portal.Settings"),
                                                      QStringLiteral("SettingChanged"));
    changed << QStringLiteral("org.gnome.desktop.interface") << QStringLiteral("enable-animations")
            << QVariant::fromValue(QDBusVariant(true));
    desktop.send(changed);
    EXPECT_TRUE(test::waitFor([&] { return !shared.reduceMotion(); }));
    QDBusConnection::disconnectFromBus(QStringLiteral("desktop"));

    bus.unregisterService(service);
    bus.unregisterObject(path);
}

} // namespace
} // namespace voltmere
