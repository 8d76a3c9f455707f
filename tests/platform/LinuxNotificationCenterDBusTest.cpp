#include "MonitorHarness.h"

#include "platform/linux/LinuxNotificationCenter.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace voltmere {
namespace {

using test::MonitorHarness;

// A notification server as a desktop runs one, on its own connection so the
// program under test reaches it through the bus like any other client.
class FakeNotificationServer : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Received {
        QString appName;
        uint replacesId = 0;
        QString summary;
        QString body;
        QVariantMap hints;
        int timeout = 0;
        QString icon;
    };

    std::vector<Received> received;
    std::optional<QString> refusal; // answer Notify with this error text
    uint nextId = 41;

public Q_SLOTS:
    uint Notify(const QString &appName, uint replacesId, const QString &icon, const QString &summary,
        const QString &body, const QStringList &, const QVariantMap &hints, int timeout)
    {
        received.push_back({ appName, replacesId, summary, body, hints, timeout, icon });
        if (refusal) {
            sendErrorReply(QStringLiteral("org.freedesktop.Notifications.Error.Refused"), *refusal);
            return 0;
        }
        return replacesId != 0 ? replacesId : nextId++;
    }
    QStringList GetCapabilities() { return { QStringLiteral("body") }; }
    QString GetServerInformation(QString &vendor, QString &version, QString &specVersion)
    {
        vendor = QStringLiteral("voltmere-tests");
        version = QStringLiteral("1");
        specVersion = QStringLiteral("1.2");
        return QStringLiteral("fake");
    }
    void CloseNotification(uint) { }
};

// Owns org.freedesktop.Notifications on the test run's private session bus.
class NotificationServerDBusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bus.isConnected()) << "run under dbus-run-session";
        ASSERT_TRUE(bus.registerObject(
            QStringLiteral("/org/freedesktop/Notifications"), &server, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(bus.registerService(QStringLiteral("org.freedesktop.Notifications")));
    }

    void TearDown() override
    {
        bus.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        bus.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
        QDBusConnection::disconnectFromBus(connectionName);
    }

    // Posts through the centre and waits for its completion.
    std::optional<QString> add(LinuxNotificationCenter &center, const QString &id, const NotificationContent &content)
    {
        bool done = false;
        std::optional<QString> error;
        center.add(id, content, [&](std::optional<QString> e) {
            error = std::move(e);
            done = true;
        });
        EXPECT_TRUE(MonitorHarness::waitFor([&] { return done; }));
        return error;
    }

    const QString connectionName = QStringLiteral("voltmere-test-notification-server");
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName);
    FakeNotificationServer server;
};

TEST_F(NotificationServerDBusTest, TheTestNotificationArrivesSilentWithItsText)
{
    MonitorHarness h(std::make_unique<LinuxNotificationCenter>());
    h.prefs.setReminderTarget(75);
    h.monitor->sendTestNotification();
    ASSERT_TRUE(MonitorHarness::waitFor([&] { return !server.received.empty(); }));
    const auto &got = server.received.front();
    EXPECT_EQ(got.summary, QStringLiteral("Charge reminder test"));
    EXPECT_EQ(got.body, QStringLiteral("This is how Voltmere will tell you the battery reached 75%."));
    EXPECT_EQ(got.replacesId, 0u);
    EXPECT_EQ(got.timeout, -1);
    EXPECT_EQ(got.appName, QCoreApplication::applicationName());
    EXPECT_EQ(
        got.hints.value(QStringLiteral("x-voltmere-identifier")).toString(), QStringLiteral("charge-reminder-test"));
    EXPECT_TRUE(got.hints.value(QStringLiteral("suppress-sound")).toBool());
    EXPECT_FALSE(got.hints.contains(QStringLiteral("sound-name")));
}

TEST_F(NotificationServerDBusTest, TheReminderCarriesTheDefaultSound)
{
    MonitorHarness h(std::make_unique<LinuxNotificationCenter>());
    h.prefs.setReminderEnabled(true);
    h.prefs.setReminderTarget(80);
    BatteryReading reading;
    reading.isPluggedIn = true;
    reading.level = 70;
    h.monitor->applyBattery(reading);
    reading.level = 80;
    h.monitor->applyBattery(reading);
    ASSERT_TRUE(MonitorHarness::waitFor([&] { return !server.received.empty(); }));
    const auto &got = server.received.front();
    EXPECT_EQ(got.summary, QStringLiteral("Battery reached 80%"));
    EXPECT_EQ(
        got.body, QStringLiteral("Charge reminder: the battery is at 80% and still plugged in. You can unplug now."));
    EXPECT_EQ(got.hints.value(QStringLiteral("sound-name")).toString(), QStringLiteral("message-new-instant"));
    EXPECT_FALSE(got.hints.contains(QStringLiteral("suppress-sound")));
    EXPECT_EQ(got.hints.value(QStringLiteral("x-voltmere-identifier")).toString(), QStringLiteral("charge-reminder"));
    // Without these the desktop cannot tell the notification is Voltmere's.
    EXPECT_EQ(got.hints.value(QStringLiteral("desktop-entry")).toString(), QStringLiteral("voltmere"));
    EXPECT_EQ(got.icon, QStringLiteral("voltmere"));
}

TEST_F(NotificationServerDBusTest, AnIdentifierReplacesItsOwnEarlierNotificationOnly)
{
    LinuxNotificationCenter center;
    const NotificationContent content { QStringLiteral("t"), QStringLiteral("b"), NotificationContent::Sound::none };
    EXPECT_FALSE(add(center, QStringLiteral("charge-reminder-test"), content));
    EXPECT_FALSE(add(center, QStringLiteral("charge-reminder"), content));
    EXPECT_FALSE(add(center, QStringLiteral("charge-reminder-test"), content));
    ASSERT_EQ(server.received.size(), 3u);
    EXPECT_EQ(server.received[0].replacesId, 0u);
    EXPECT_EQ(server.received[1].replacesId, 0u); // a different identifier
    EXPECT_EQ(server.received[2].replacesId, 41u); // the server's id of the first
}

TEST_F(NotificationServerDBusTest, AServerThatAnswersMeansAllowed)
{
    MonitorHarness h(std::make_unique<LinuxNotificationCenter>());
    h.monitor->start();
    ASSERT_TRUE(MonitorHarness::waitFor(
        [&] { return h.monitor->notificationPermission() == NotificationPermission::allowed; }));
    // Asking succeeds when the server answers, which clears an earlier error.
    server.refusal = QStringLiteral("busy");
    h.monitor->sendTestNotification();
    ASSERT_TRUE(MonitorHarness::waitFor([&] { return h.monitor->lastNotificationError().has_value(); }));
    h.monitor->requestNotificationPermission();
    EXPECT_TRUE(MonitorHarness::waitFor([&] { return !h.monitor->lastNotificationError().has_value(); }));
    EXPECT_EQ(h.monitor->notificationPermission(), NotificationPermission::allowed);
}

TEST_F(NotificationServerDBusTest, ARefusalIsRecordedAndClearedByTheNextSuccess)
{
    MonitorHarness h(std::make_unique<LinuxNotificationCenter>());
    server.refusal = QStringLiteral("Do not disturb is on.");
    h.monitor->sendTestNotification();
    ASSERT_TRUE(MonitorHarness::waitFor([&] { return h.monitor->lastNotificationError().has_value(); }));
    EXPECT_EQ(*h.monitor->lastNotificationError(), QStringLiteral("Do not disturb is on."));
    server.refusal.reset();
    h.monitor->sendTestNotification();
    EXPECT_TRUE(MonitorHarness::waitFor([&] { return !h.monitor->lastNotificationError().has_value(); }));
}

// A bus of its own with no service directories, so that no installed
// notification server can be started on it: nobody answers.
class EmptyBus {
public:
    EmptyBus()
    {
        QFile config(m_dir.filePath(QStringLiteral("bus.conf")));
        if (!config.open(QIODevice::WriteOnly)) {
            return;
        }
        config.write(
            QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
                           "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">"
                           "<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                           "<auth>EXTERNAL</auth><policy context=\"default\">"
                           "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                           "<allow own=\"*\"/></policy></busconfig>")
                .arg(m_dir.path())
                .toUtf8());
        config.close();
        m_daemon.start(QStringLiteral("dbus-daemon"),
            { QStringLiteral("--nofork"), QStringLiteral("--print-address"),
                QStringLiteral("--config-file=") + config.fileName() });
        if (m_daemon.waitForStarted() && m_daemon.waitForReadyRead(5000)) {
            m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        }
    }
    ~EmptyBus()
    {
        QDBusConnection::disconnectFromBus(name);
        m_daemon.terminate();
        m_daemon.waitForFinished();
    }

    QDBusConnection connect() { return QDBusConnection::connectToBus(m_address, name); }

    const QString name = QStringLiteral("voltmere-test-empty-bus");

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
};

TEST(NoNotificationServerDBusTest, PostingFailsWithTheBusErrorAndThePermissionReadsOff)
{
    EmptyBus empty;
    QDBusConnection connection = empty.connect();
    ASSERT_TRUE(connection.isConnected());
    MonitorHarness h(std::make_unique<LinuxNotificationCenter>(connection));
    h.monitor->start();
    h.monitor->sendTestNotification();
    ASSERT_TRUE(MonitorHarness::waitFor([&] { return h.monitor->lastNotificationError().has_value(); }));
    EXPECT_TRUE(h.monitor->lastNotificationError()->contains(QStringLiteral("org.freedesktop.Notifications")))
        << h.monitor->lastNotificationError()->toStdString();
    EXPECT_TRUE(
        MonitorHarness::waitFor([&] { return h.monitor->notificationPermission() == NotificationPermission::off; }));
}

TEST(NoNotificationServerDBusTest, WithoutASessionBusThereIsNoIdentity)
{
    auto center = std::make_unique<LinuxNotificationCenter>(QDBusConnection(QStringLiteral("voltmere-no-such-bus")));
    EXPECT_FALSE(center->hasApplicationIdentity());
    MonitorHarness h(std::move(center));
    h.monitor->start();
    h.monitor->sendTestNotification();
    ASSERT_TRUE(MonitorHarness::waitFor([&] { return h.monitor->lastNotificationError().has_value(); }));
    EXPECT_FALSE(h.monitor->lastNotificationError()->isEmpty());
    EXPECT_EQ(h.monitor->notificationPermission(), NotificationPermission::unknown);
}

} // namespace
} // namespace voltmere

#include "LinuxNotificationCenterDBusTest.moc"
