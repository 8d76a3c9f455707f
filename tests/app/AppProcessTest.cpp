#include "../history/DatabaseProbe.h"
#include "EventLoop.h"
#include "FakeStatusNotifierWatcher.h"
#include "history/HistoryStore.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRect>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <csignal>

namespace voltmere {
namespace {

using test::queryRows;

// Runs the real program as a user would, in a home of its own: it must take
// over the former product's settings and history, record while it runs and
// put everything on disk when it gets SIGTERM. The suite name carries "DBus"
// because the whole program runs and may own names on the test's session bus.
class AppProcessDBusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        program = QCoreApplication::applicationDirPath() + QStringLiteral("/../voltmere");
        if (!QFileInfo(program).isExecutable()) {
            GTEST_SKIP() << "build the voltmere target first: " << program.toStdString();
        }
        dataHome = home.filePath(QStringLiteral("data"));
        configHome = home.filePath(QStringLiteral("config"));
    }

    // Starts the program in its own home; `display` empty runs it offscreen.
    // Its log goes to the test's unless `keepLog`, which keeps it to read;
    // `extra` adds to its environment.
    void launch(
        QProcess &voltmere, const QString &display = {}, bool keepLog = false, const QProcessEnvironment &extra = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        env.insert("XDG_DATA_HOME", dataHome);
        env.insert("XDG_CONFIG_HOME", configHome);
        env.insert("XDG_RUNTIME_DIR", home.path());
        env.insert("VOLTMERE_SKIP_WELCOME", "1");
        if (display.isEmpty()) {
            env.insert("QT_QPA_PLATFORM", "offscreen");
        } else {
            env.insert("QT_QPA_PLATFORM", "xcb");
            env.insert("DISPLAY", display);
        }
        env.insert(extra);
        voltmere.setProcessEnvironment(env);
        voltmere.setProcessChannelMode(keepLog ? QProcess::SeparateChannels : QProcess::ForwardedErrorChannel);
        voltmere.start(program, {});
        ASSERT_TRUE(voltmere.waitForStarted(10000));
    }

    void TearDown() override
    {
        xvfb.kill();
        xvfb.waitForFinished(5000);
    }

    // A private X server, gone with the test; empty when none can be started here.
    QString startDisplay(const QString &size = QStringLiteral("800x600"))
    {
        xvfb.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
            QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
            size + QStringLiteral("x24")});
        if (!xvfb.waitForStarted(5000)) {
            return {};
        }
        QByteArray number;
        QDeadlineTimer deadline(10000);
        while (!number.contains('\n') && !deadline.hasExpired() && xvfb.waitForReadyRead(500)) {
            number += xvfb.readAllStandardOutput();
        }
        number += xvfb.readAllStandardOutput();
        return number.trimmed().isEmpty() ? QString() : QStringLiteral(":") + QString::fromLatin1(number.trimmed());
    }

    // The program's visible window titled "Voltmere" (its panel) on
    // `display`, as xdotool finds it: its geometry, or an empty rectangle
    // when there is none within `milliseconds`.
    static QRect panelOn(const QString &display, int milliseconds = 10000)
    {
        QDeadlineTimer deadline(milliseconds);
        do {
            QProcess xdotool;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("DISPLAY", display);
            xdotool.setProcessEnvironment(env);
            xdotool.start(QStringLiteral("sh"), {QStringLiteral("-c"),
                QStringLiteral("for w in $(xdotool search --onlyvisible --name '^Voltmere$'); do "
                               "xdotool getwindowgeometry --shell $w; done")});
            xdotool.waitForFinished(5000);
            QHash<QString, int> values;
            for (const QByteArray &line : xdotool.readAllStandardOutput().split('\n')) {
                const QList<QByteArray> pair = line.split('=');
                if (pair.size() == 2) {
                    values.insert(QString::fromLatin1(pair[0]), pair[1].toInt());
                }
            }
            if (values.value(QStringLiteral("WIDTH")) > 0) {
                return QRect(values.value(QStringLiteral("X")), values.value(QStringLiteral("Y")),
                             values.value(QStringLiteral("WIDTH")), values.value(QStringLiteral("HEIGHT")));
            }
            QThread::msleep(200);
        } while (!deadline.hasExpired());
        return {};
    }
    static bool hasXdotool() { return !QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty(); }

    // Ends the program as a logout does: it must stop cleanly.
    static void stopCleanly(QProcess &voltmere)
    {
        voltmere.terminate();
        ASSERT_TRUE(voltmere.waitForFinished(30000));
        EXPECT_EQ(voltmere.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(voltmere.exitCode(), 0);
    }

    std::vector<QStringList> events() const
    {
        return queryRows(dataHome + QStringLiteral("/Voltmere/history.sqlite"), "SELECT kind FROM event ORDER BY rowid");
    }
    int sampleCount() const
    {
        const auto rows = queryRows(database(), "SELECT COUNT(*) FROM sample");
        return rows.empty() ? 0 : rows[0][0].toInt();
    }
    QString database() const { return dataHome + QStringLiteral("/Voltmere/history.sqlite"); }

    QTemporaryDir home;
    QProcess xvfb;
    QString program;
    QString dataHome;
    QString configHome;
};

const std::vector<QStringList> startAndStop { { "start" }, { "stop" } };

// Logout: the session scope sends SIGTERM, then SIGHUP right behind it.
TEST_F(AppProcessDBusTest, LogoutsTwoSignalsWriteOneStopAndExitZero)
{
    QProcess voltmere;
    launch(voltmere);
    QThread::sleep(3);
    ::kill(static_cast<pid_t>(voltmere.processId()), SIGTERM);
    ::kill(static_cast<pid_t>(voltmere.processId()), SIGHUP);
    ASSERT_TRUE(voltmere.waitForFinished(30000));
    EXPECT_EQ(voltmere.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(voltmere.exitCode(), 0);
    EXPECT_EQ(events(), startAndStop);
    EXPECT_GE(sampleCount(), 1);
}

// A closed terminal: SIGHUP alone, after the log's reader went (SIGPIPE).
TEST_F(AppProcessDBusTest, AClosedTerminalEndsNormallyAndABrokenLogPipeEndsNothing)
{
    QProcess voltmere;
    launch(voltmere);
    QThread::sleep(2);
    ::kill(static_cast<pid_t>(voltmere.processId()), SIGPIPE);
    EXPECT_FALSE(voltmere.waitForFinished(1000)) << "SIGPIPE ended the program";
    ::kill(static_cast<pid_t>(voltmere.processId()), SIGHUP);
    ASSERT_TRUE(voltmere.waitForFinished(30000));
    EXPECT_EQ(voltmere.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(voltmere.exitCode(), 0);
    EXPECT_EQ(events(), startAndStop);
    EXPECT_GE(sampleCount(), 1);
}

// The X server goes away under the program (the session ended without
// signals, or the server crashed): the readings so far still reach the disk.
TEST_F(AppProcessDBusTest, LosingTheDisplayStillWritesTheReadingsAndTheStop)
{
    const QString display = startDisplay();
    if (display.isEmpty()) {
        GTEST_SKIP() << "Xvfb is not available";
    }
    QProcess voltmere;
    launch(voltmere, display);
    QThread::sleep(3);
    ASSERT_EQ(voltmere.state(), QProcess::Running);
    xvfb.kill();
    xvfb.waitForFinished(5000);
    ASSERT_TRUE(voltmere.waitForFinished(30000));
    EXPECT_EQ(voltmere.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(events(), startAndStop);
    EXPECT_GE(sampleCount(), 1);
}

// "Open at login" starts the program before the desktop's tray; the icon
// must appear once the tray does, and again after the tray restarts.
TEST_F(AppProcessDBusTest, TheIconReachesATrayThatStartsLaterAndOneThatRestarts)
{
    const QString display = startDisplay();
    if (display.isEmpty()) {
        GTEST_SKIP() << "Xvfb is not available";
    }
    test::FakeStatusNotifierWatcher tray(QStringLiteral("voltmere-test-late-tray"));
    QProcess voltmere;
    launch(voltmere, display);
    // Its item on the bus means it has looked for a tray and found none,
    // however long a busy machine took to get it there.
    const QString itemName = QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(voltmere.processId());
    ASSERT_TRUE(test::waitFor([&] {
        return QDBusConnection::sessionBus().interface()->isServiceRegistered(itemName).value();
    }, 30000));
    ASSERT_EQ(voltmere.state(), QProcess::Running);
    EXPECT_EQ(tray.registrationsOf(itemName), 0);

    ASSERT_TRUE(tray.start());
    EXPECT_TRUE(test::waitFor([&] { return tray.registrationsOf(itemName) == 1; }, 30000));

    tray.stop();
    test::settleFor(300);
    ASSERT_TRUE(tray.start());
    EXPECT_TRUE(test::waitFor([&] { return tray.registrationsOf(itemName) == 2; }, 30000));
    EXPECT_EQ(tray.items().count(itemName), 1);

    stopCleanly(voltmere);
}

// Distance from `point` to the nearest pixel of `rect`.
int distance(const QRect &rect, const QPoint &point)
{
    const int dx = std::max({rect.left() - point.x(), 0, point.x() - rect.right()});
    const int dy = std::max({rect.top() - point.y(), 0, point.y() - rect.bottom()});
    return static_cast<int>(std::ceil(std::hypot(dx, dy)));
}

// A tray clicked at the bottom-left of a 1280 x 800 screen drops the panel
// just above the click; one clicked at the top right, just below it.
TEST_F(AppProcessDBusTest, ThePanelOpensWhereTheTrayWasClicked)
{
    if (!hasXdotool()) {
        GTEST_SKIP() << "xdotool is not installed";
    }
    const QString display = startDisplay(QStringLiteral("1280x800"));
    if (display.isEmpty()) {
        GTEST_SKIP() << "Xvfb is not available";
    }
    test::FakeStatusNotifierWatcher tray(QStringLiteral("voltmere-test-clicking-tray"));
    ASSERT_TRUE(tray.start());
    QProcess voltmere;
    launch(voltmere, display);
    ASSERT_TRUE(test::waitFor([&] { return !tray.items().isEmpty(); }, 15000));
    const QString item = tray.items().constFirst();
    const auto click = [&](int x, int y) {
        const QDBusMessage answer = tray.callItem(item, QStringLiteral("/StatusNotifierItem"),
            QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Activate"), { x, y });
        EXPECT_EQ(answer.type(), QDBusMessage::ReplyMessage) << answer.errorMessage().toStdString();
    };

    click(40, 790);
    const QRect bottom = panelOn(display);
    ASSERT_FALSE(bottom.isEmpty()) << "no panel after Activate(40, 790)";
    EXPECT_LE(distance(bottom, QPoint(40, 790)), 48) << bottom.x() << "," << bottom.y();
    EXPECT_LT(bottom.bottom(), 790) << "a tray at the bottom opens the panel upwards";

    // Escape closes the drop-down; the next click is at the top right.
    QProcess::execute(QStringLiteral("env"), { QStringLiteral("DISPLAY=") + display, QStringLiteral("xdotool"),
                                                QStringLiteral("key"), QStringLiteral("Escape") });
    ASSERT_TRUE(test::waitFor([&] { return panelOn(display, 0).isEmpty(); }, 10000));
    click(1270, 10);
    const QRect top = panelOn(display);
    ASSERT_FALSE(top.isEmpty()) << "no panel after Activate(1270, 10)";
    EXPECT_LE(distance(top, QPoint(1270, 10)), 48) << top.x() << "," << top.y();
    EXPECT_GT(top.top(), 10) << "a tray at the top opens the panel below the click";

    stopCleanly(voltmere);
}

// GNOME without the AppIndicator extension has no tray: the program says
// once how to get one, and launching it again shows its panel as a window.
TEST_F(AppProcessDBusTest, WithoutATrayASecondLaunchShowsThePanelAndTheLogSaysHowToGetATray)
{
    if (!hasXdotool()) {
        GTEST_SKIP() << "xdotool is not installed";
    }
    const QString display = startDisplay();
    if (display.isEmpty()) {
        GTEST_SKIP() << "Xvfb is not available";
    }
    QProcess voltmere;
    launch(voltmere, display, true);
    QString log;
    const auto hinted = [&] {
        log += QString::fromLocal8Bit(voltmere.readAllStandardError());
        return log.contains(QStringLiteral("gnome-shell-extension-appindicator"));
    };
    ASSERT_TRUE(test::waitFor(hinted, 15000)) << log.toStdString();
    EXPECT_TRUE(panelOn(display, 0).isEmpty()) << "nothing shows before the second launch";

    QProcess again;
    again.setProcessEnvironment(voltmere.processEnvironment());
    again.start(program, {});
    ASSERT_TRUE(again.waitForFinished(15000));
    EXPECT_EQ(again.exitCode(), 0);
    EXPECT_FALSE(panelOn(display).isEmpty()) << "the second launch showed no panel";

    stopCleanly(voltmere);
    hinted();
    EXPECT_EQ(log.count(QStringLiteral("gnome-shell-extension-appindicator")), 1) << log.toStdString();
}

TEST_F(AppProcessDBusTest, RecordsWhileRunningAndWritesEverythingOnSigterm)
{
    const double now = QDateTime::currentMSecsSinceEpoch() / 1000.0;
    // The former product: one stored setting and a history from before the
    // awake column existed.
    {
        QSettings legacy(configHome + QStringLiteral("/com.ampery/Ampery.conf"), QSettings::IniFormat);
        legacy.setValue("chargeReminder.target", 90);
    }
    const QString legacyDatabase = dataHome + QStringLiteral("/Ampery/history.sqlite");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(legacyDatabase).path()));
    ASSERT_TRUE(test::execute(legacyDatabase,
        "CREATE TABLE sample(ts REAL PRIMARY KEY, cpu REAL, mem_pressure REAL, mem_level INTEGER,"
        " mem_used REAL, swap_used REAL, disk_read REAL, disk_write REAL, net_in REAL,"
        " net_out REAL, battery REAL, plugged INTEGER, charging INTEGER);"
        "INSERT INTO sample (ts, cpu) VALUES ("
            + std::to_string(now - 3600) + ", 21);"));

    QProcess voltmere;
    launch(voltmere);
    QThread::sleep(7); // the first tick comes at once, the next after 5 s

    // An export from a terminal meanwhile reads what is on disk (the
    // migrated row) and exits, without handing over to the running copy or
    // starting a second monitor: the running one still stops cleanly below.
    QProcess exporter;
    exporter.setProcessEnvironment(voltmere.processEnvironment());
    exporter.start(program, { "--export-csv", "-", "--metric", "cpu" });
    ASSERT_TRUE(exporter.waitForFinished(10000));
    EXPECT_EQ(exporter.exitCode(), 0) << exporter.readAllStandardError().toStdString();
    const QList<QByteArray> lines = exporter.readAllStandardOutput().split('\n');
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[0], "time,cpu,gap");
    EXPECT_TRUE(lines[1].contains(",21,")) << lines[1].toStdString();
    EXPECT_EQ(voltmere.state(), QProcess::Running);

    stopCleanly(voltmere);

    const QString database = dataHome + QStringLiteral("/Voltmere/history.sqlite");
    ASSERT_TRUE(QFileInfo::exists(database));
    EXPECT_FALSE(QFileInfo::exists(dataHome + QStringLiteral("/Ampery")));
    EXPECT_EQ(queryRows(database, "SELECT COUNT(*) FROM pragma_table_info('sample')"),
        (std::vector<QStringList> { { "16" } })); // with the awake clock and the two sensor columns

    // The old row came along; this run added at least two ticks.
    const auto samples = queryRows(database, "SELECT ts, cpu, awake FROM sample ORDER BY ts");
    ASSERT_GE(samples.size(), 3u);
    EXPECT_EQ(samples[0][1], "21.0");
    EXPECT_EQ(samples[0][2], "NULL");
    for (std::size_t i = 1; i < samples.size(); ++i) {
        EXPECT_NE(samples[i][2], "NULL") << "every new sample carries the awake clock";
    }

    const auto events = queryRows(database, "SELECT kind, ts FROM event ORDER BY rowid");
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0][0], "start");
    EXPECT_EQ(events[1][0], "stop");
    EXPECT_LE(events[0][1].toDouble(), samples[1][0].toDouble());
    EXPECT_GE(events[1][1].toDouble(), samples.back()[0].toDouble());

    QSettings settings(configHome + QStringLiteral("/Voltmere/Voltmere.conf"), QSettings::IniFormat);
    EXPECT_EQ(settings.value("chargeReminder.target").toInt(), 90);
}

// Two programs that do not see each other's socket (their runtime folders
// differ) still share one history: only the first may write into it, and the
// second says why it does not.
TEST_F(AppProcessDBusTest, ASecondProgramOnTheSameHistoryWritesNothingAndSaysSo)
{
    const auto launch = [this](QProcess &process, const QString &runtime) {
        ASSERT_TRUE(QDir().mkpath(runtime));
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        env.insert("XDG_DATA_HOME", dataHome);
        env.insert("XDG_CONFIG_HOME", configHome);
        env.insert("XDG_RUNTIME_DIR", runtime);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("VOLTMERE_SKIP_WELCOME", "1");
        process.setProcessEnvironment(env);
        process.start(program, {});
        ASSERT_TRUE(process.waitForStarted(10000));
    };
    QProcess first;
    QProcess second;
    launch(first, home.filePath(QStringLiteral("run1")));
    QThread::sleep(2);
    launch(second, home.filePath(QStringLiteral("run2")));
    QThread::sleep(3);
    stopCleanly(second);
    EXPECT_TRUE(second.readAllStandardError().contains("another Voltmere process is recording into this history"));
    stopCleanly(first);

    const QString database = dataHome + QStringLiteral("/Voltmere/history.sqlite");
    EXPECT_EQ(queryRows(database, "SELECT kind FROM event ORDER BY rowid"),
        (std::vector<QStringList> { { "start" }, { "stop" } }));
    // One writer: no two samples closer than a sampling period.
    EXPECT_EQ(queryRows(database, "SELECT COUNT(*) FROM sample a JOIN sample b ON b.ts > a.ts AND b.ts - a.ts < 1.5"),
        (std::vector<QStringList> { { "0" } }));
}

// Started with the clock a month ahead (a reset RTC before the network sets
// it), the program must not take three days of history for a month old.
TEST_F(AppProcessDBusTest, AClockAMonthAheadKeepsTheRecordAndSaysSo)
{
    const double now = QDateTime::currentMSecsSinceEpoch() / 1000.0;
    ASSERT_TRUE(QDir().mkpath(QFileInfo(database()).path()));
    {
        HistoryStore seed(database());
        seed.finish();
    }
    ASSERT_TRUE(test::execute(database(),
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 50000) "
        "INSERT INTO sample (ts, cpu) SELECT "
            + std::to_string(now) + " - 3 * 86400 + i * 5.18, i % 100 FROM n;"));

    QProcessEnvironment shifted;
    shifted.insert("LD_PRELOAD", QStringLiteral(VOLTMERE_CLOCK_SHIFT_LIBRARY));
    shifted.insert("VOLTMERE_CLOCK_SHIFT", QString::number(30 * 86400));
    // A sanitizer build wants its runtime first; the shim is harmless to it.
    shifted.insert("ASAN_OPTIONS", qEnvironmentVariable("ASAN_OPTIONS") + QStringLiteral(":verify_asan_link_order=0"));
    QProcess voltmere;
    launch(voltmere, {}, true, shifted);
    QThread::sleep(4);
    stopCleanly(voltmere);

    EXPECT_EQ(queryRows(database(), "SELECT COUNT(*) FROM sample WHERE ts < " + std::to_string(now + 60)),
        (std::vector<QStringList> { { "50000" } }));
    const auto recorded
        = queryRows(database(), "SELECT COUNT(*) FROM sample WHERE ts > " + std::to_string(now + 29 * 86400));
    ASSERT_EQ(recorded.size(), 1u);
    EXPECT_GE(recorded[0][0].toInt(), 1) << "what it read meanwhile is kept too";
    const QString log = QString::fromLocal8Bit(voltmere.readAllStandardError());
    EXPECT_EQ(log.count(QStringLiteral("the clock reads 30 days past the newest stored reading")), 1)
        << log.toStdString();
}

// After a clean quit, history.sqlite alone (what the file manager shows,
// what a backup copies) holds everything; and only its user can read it,
// even where an earlier version left the folder open to others.
TEST_F(AppProcessDBusTest, AfterAQuitTheDatabaseFileAloneIsTheWholeHistoryAndTheUsersAlone)
{
    const QString folder = QFileInfo(database()).path();
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_EQ(::chmod(folder.toUtf8().constData(), 0755), 0);
    QProcess voltmere;
    launch(voltmere);
    QThread::sleep(3);
    stopCleanly(voltmere);

    const auto mode = [](const QString &path) {
        struct stat info { };
        return ::stat(path.toUtf8().constData(), &info) == 0 ? info.st_mode & 07777 : 0u;
    };
    EXPECT_EQ(mode(folder), 0700u);
    EXPECT_EQ(mode(database()), 0600u);
    EXPECT_EQ(mode(database() + QStringLiteral(".lock")), 0600u);

    const QString copy = home.filePath(QStringLiteral("backup.sqlite"));
    ASSERT_TRUE(QFile::copy(database(), copy));
    EXPECT_EQ(queryRows(copy, "SELECT kind FROM event ORDER BY rowid"), startAndStop);
    const auto samples = queryRows(copy, "SELECT COUNT(*) FROM sample");
    ASSERT_EQ(samples.size(), 1u) << "the copy is not a history";
    EXPECT_GE(samples[0][0].toInt(), 1);
}

// The data folder deleted while the program runs (a clean-up script, a
// user tidying up): the program makes it again and says so once.
TEST_F(AppProcessDBusTest, ADataFolderRemovedWhileRunningIsMadeAgainAndSaidOnce)
{
    QProcess voltmere;
    launch(voltmere, {}, true);
    QThread::sleep(2);
    ASSERT_TRUE(QFileInfo::exists(database()));
    ASSERT_TRUE(QDir(QFileInfo(database()).path()).removeRecursively());
    QThread::sleep(3);
    stopCleanly(voltmere);

    EXPECT_EQ(events(), startAndStop);
    EXPECT_GE(sampleCount(), 1);
    const QString log = QString::fromLocal8Bit(voltmere.readAllStandardError());
    EXPECT_EQ(log.count(QStringLiteral("was removed while Voltmere was recording into it")), 1) << log.toStdString();
}

} // namespace
} // namespace voltmere
