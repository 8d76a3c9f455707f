#include "EventLoop.h"
#include "FakeStatusNotifierWatcher.h"
#include "TestMonitor.h"

#include "menubar/view/MenuBarIcon.h"
#include "menubar/view/MenuBarTray.h"
#include "navigation/URLRouter.h"
#include "navigation/WelcomeGate.h"
#include "navigation/WindowOpener.h"
#include "platform/linux/StatusNotifierHostWatcher.h"
#include "platform/linux/StatusNotifierItem.h"
#include "platform/linux/StatusNotifierItemAdaptor.h"
#include "platform/linux/StatusNotifierTypes.h"

#include <QDBusArgument>
#include <QDesktopServices>
#include <QSignalSpy>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>

namespace voltmere {
namespace {

using test::waitFor;

class RecordingOpener final : public WindowOpener {
public:
    void openWindow(const QString &identifier) override { opened.append(identifier); }
    QStringList opened;
};

// Takes the URLs the program hands to the desktop, so Help opens no browser.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    UrlCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "take"); }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); }
    QList<QUrl> urls;
public Q_SLOTS:
    void take(const QUrl &url) { urls.append(url); }
};

BatteryReading onBattery(int level, std::optional<double> minutesLeft = std::nullopt)
{
    BatteryReading r;
    r.level = level;
    r.state = ChargingState::onBattery;
    r.timeToEmptyMinutes = minutesLeft;
    return r;
}

// Share of the rows, top to bottom, that hold a visible pixel.
double inkHeight(const QImage &image)
{
    int first = -1;
    int last = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) > 96) {
                first = first < 0 ? y : first;
                last = y;
                break;
            }
        }
    }
    return first < 0 ? 0.0 : double(last - first + 1) / image.height();
}

// The tray as a StatusNotifier host sees it: the real item on the test's
// session bus, registered with a stand-in watcher that reads it over the bus
// as KDE Plasma or GNOME's AppIndicator extension would.
class MenuBarTrayDBusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The welcome is offered once per process; each test starts a new "process".
        WelcomeGate::setOffered(false);
        ASSERT_TRUE(host.start());
        tray = std::make_unique<MenuBarTray>(*fixture.monitor, opener, nullptr,
                                             std::make_unique<StatusNotifierHostWatcher>(QDBusConnection::sessionBus()));
        item = qobject_cast<StatusNotifierItem *>(tray->item());
        ASSERT_NE(item, nullptr);
        tray->show();
        ASSERT_TRUE(waitFor([&] { return tray->isShown(); }));
        // Programs other tests start share the bus and may register too.
        ASSERT_EQ(host.items().count(item->serviceName()), 1);
        // A tray holding the item is the label appearing: it offers the welcome.
        ASSERT_EQ(opener.opened, QStringList{QStringLiteral("welcome")});
        opener.opened.clear();
    }
    void TearDown() override
    {
        tray.reset();
        host.stop();
        WelcomeGate::setOffered(false);
        URLRouter::setOpenWindow(nullptr);
    }

    QVariant property(const QString &name) { return host.itemProperty(item->serviceName(), name); }
    QDBusMessage call(const QString &path, const QString &interface, const QString &method,
                      const QVariantList &arguments = {})
    {
        return host.callItem(item->serviceName(), path, interface, method, arguments);
    }
    QDBusMessage callMenu(const QString &method, const QVariantList &arguments = {})
    {
        return call(StatusNotifierItem::menuPath, QStringLiteral("com.canonical.dbusmenu"), method, arguments);
    }
    void ingest(const std::optional<BatteryReading> &battery, std::optional<double> cpu)
    {
        Snapshot s;
        s.date = ++now;
        s.cpuTotal = cpu;
        s.battery = battery;
        fixture.monitor->ingest(s);
        QCoreApplication::processEvents();
    }
    std::vector<QImage> iconSizes()
    {
        std::vector<QImage> images;
        for (const sni::IconPixmap &pixmap : qdbus_cast<QList<sni::IconPixmap>>(property(QStringLiteral("IconPixmap")))) {
            images.push_back(sni::toImage(pixmap));
        }
        return images;
    }

    test::TestMonitor fixture;
    RecordingOpener opener;
    test::FakeStatusNotifierWatcher host{QStringLiteral("voltmere-test-tray-host")};
    std::unique_ptr<MenuBarTray> tray;
    StatusNotifierItem *item = nullptr;
    double now = 1000;
};

TEST_F(MenuBarTrayDBusTest, DescribesItselfAsAHardwareItemWithTheSpokenDescriptionAsTooltip)
{
    ingest(onBattery(87), 12.5);
    EXPECT_EQ(property(QStringLiteral("Category")).toString(), QStringLiteral("Hardware"));
    EXPECT_EQ(property(QStringLiteral("Title")).toString(), QStringLiteral("Voltmere"));
    EXPECT_EQ(property(QStringLiteral("Status")).toString(), QStringLiteral("Active"));
    EXPECT_EQ(property(QStringLiteral("Menu")).value<QDBusObjectPath>().path(), StatusNotifierItem::menuPath);
    const auto tip = qdbus_cast<sni::ToolTip>(property(QStringLiteral("ToolTip")));
    EXPECT_EQ(tip.title, QStringLiteral("Voltmere"));
    EXPECT_EQ(tip.text, QStringLiteral("Voltmere, battery 87%, On battery, CPU 13%"));
    // Scrolling over the item changes nothing and is answered.
    EXPECT_EQ(call(StatusNotifierItem::itemPath, QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Scroll"),
                   {120, QStringLiteral("vertical")})
                  .type(),
              QDBusMessage::ReplyMessage);
}

TEST_F(MenuBarTrayDBusTest, LabelFollowsTheStyleAndTheReadings)
{
    QSignalSpy labels(item->adaptor(), &StatusNotifierItemAdaptor::XAyatanaNewLabel);
    ingest(onBattery(87), 12.5);
    EXPECT_EQ(property(QStringLiteral("XAyatanaLabel")).toString(), QStringLiteral("87%"));
    EXPECT_EQ(property(QStringLiteral("XAyatanaLabelGuide")).toString(), QStringLiteral("100%"));

    fixture.prefs.setMenuBarStyle(MenuBarStyle::cpu);
    QCoreApplication::processEvents();
    EXPECT_EQ(property(QStringLiteral("XAyatanaLabel")).toString(), QStringLiteral("13%"));
    ingest(onBattery(87), 4.2);
    EXPECT_EQ(property(QStringLiteral("XAyatanaLabel")).toString(), QStringLiteral("4%"));

    // The compact icon writes nothing beside itself.
    fixture.prefs.setMenuBarStyle(MenuBarStyle::icon);
    QCoreApplication::processEvents();
    EXPECT_EQ(property(QStringLiteral("XAyatanaLabel")).toString(), QString());
    EXPECT_EQ(labels.count(), 4);
}

TEST_F(MenuBarTrayDBusTest, IconsAreSquareAndTheFigureFillsThem)
{
    for (const auto &[style, battery, cpu] : {std::tuple{MenuBarStyle::battery, 87, 3.0},
                                              std::tuple{MenuBarStyle::cpu, 50, 48.0}}) {
        fixture.prefs.setMenuBarStyle(style);
        ingest(onBattery(battery), cpu);
        const std::vector<QImage> icons = iconSizes();
        ASSERT_GE(icons.size(), 3u);
        std::vector<int> sides;
        for (const QImage &icon : icons) {
            ASSERT_FALSE(icon.isNull());
            EXPECT_EQ(icon.width(), icon.height());
            sides.push_back(icon.width());
            // Two digits at least 60 % of the icon's height, at every size.
            EXPECT_GE(inkHeight(icon), 0.6) << icon.width() << " px";
        }
        for (int side : {16, 22, 32}) {
            EXPECT_NE(std::find(sides.begin(), sides.end(), side), sides.end()) << side;
        }
    }
}

TEST_F(MenuBarTrayDBusTest, StatusNeedsAttentionExactlyWhileTheTriangleShows)
{
    fixture.prefs.setMenuBarStyle(MenuBarStyle::icon);
    QSignalSpy statuses(item->adaptor(), &StatusNotifierItemAdaptor::NewStatus);
    ingest(onBattery(9, 15), 5);
    ASSERT_TRUE(fixture.monitor->insight().has_value());
    EXPECT_EQ(property(QStringLiteral("Status")).toString(), QStringLiteral("NeedsAttention"));
    ingest(onBattery(60, 240), 5);
    EXPECT_EQ(property(QStringLiteral("Status")).toString(), QStringLiteral("Active"));
    ASSERT_EQ(statuses.count(), 2);
    EXPECT_EQ(statuses.at(0).at(0).toString(), QStringLiteral("NeedsAttention"));

    // The other styles never show the triangle, so they never ask for attention.
    fixture.prefs.setMenuBarStyle(MenuBarStyle::battery);
    ingest(onBattery(9, 15), 5);
    EXPECT_EQ(property(QStringLiteral("Status")).toString(), QStringLiteral("Active"));
}

// An idle program answers the tray's reads and tells it nothing new.
TEST_F(MenuBarTrayDBusTest, AnUnchangedReadingRedrawsNothingAndSignalsNothing)
{
    ingest(onBattery(87), 12.5);
    QSignalSpy icons(item->adaptor(), &StatusNotifierItemAdaptor::NewIcon);
    QSignalSpy labels(item->adaptor(), &StatusNotifierItemAdaptor::XAyatanaNewLabel);
    QSignalSpy tips(item->adaptor(), &StatusNotifierItemAdaptor::NewToolTip);
    for (int i = 0; i < 3; ++i) {
        ingest(onBattery(87), 12.5);
        property(QStringLiteral("IconPixmap"));
    }
    EXPECT_EQ(icons.count(), 0);
    EXPECT_EQ(labels.count(), 0);
    EXPECT_EQ(tips.count(), 0);
    ingest(onBattery(86), 12.5);
    EXPECT_EQ(icons.count(), 1);
}

TEST_F(MenuBarTrayDBusTest, TheMenuListsTheTrayCommandsAndAClickRunsEach)
{
    const QDBusMessage reply = callMenu(QStringLiteral("GetLayout"), {0, -1, QStringList()});
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    const auto layout = qdbus_cast<sni::MenuLayoutItem>(reply.arguments().at(1));
    QStringList labels;
    QHash<QString, int> ids;
    for (const sni::MenuLayoutItem &child : layout.children) {
        const bool separator = child.properties.value(QStringLiteral("type")).toString() == QLatin1String("separator");
        labels.append(separator ? QStringLiteral("-") : child.properties.value(QStringLiteral("label")).toString());
        ids.insert(labels.back(), child.id);
    }
    EXPECT_EQ(labels, (QStringList{QStringLiteral("Open Dashboard"), QStringLiteral("Settings…"), QStringLiteral("-"),
                                   QStringLiteral("About Voltmere"), QStringLiteral("Voltmere Help"),
                                   QStringLiteral("-"), QStringLiteral("Quit Voltmere")}));

    // Hosts ask for the items' properties again before showing the menu.
    const QDBusMessage group =
        callMenu(QStringLiteral("GetGroupProperties"), {QVariant::fromValue(QList<int>{ids.value(QStringLiteral("Settings…"))}),
                                                        QStringList{QStringLiteral("label")}});
    const auto items = qdbus_cast<QList<sni::MenuItemProperties>>(group.arguments().value(0));
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items[0].properties.value(QStringLiteral("label")).toString(), QStringLiteral("Settings…"));
    EXPECT_FALSE(callMenu(QStringLiteral("AboutToShow"), {0}).arguments().value(0).toBool());

    const auto clicked = [&](const QString &label) -> QVariantList {
        return {ids.value(label), QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(QString())), 0u};
    };
    const auto click = [&](const QString &label) {
        const QDBusMessage answer = callMenu(QStringLiteral("Event"), clicked(label));
        EXPECT_EQ(answer.type(), QDBusMessage::ReplyMessage) << label.toStdString();
    };
    fixture.monitor->setOverviewAnchor(OverviewAnchor::memory);
    click(QStringLiteral("Open Dashboard"));
    click(QStringLiteral("Settings…"));
    click(QStringLiteral("About Voltmere"));
    ASSERT_TRUE(waitFor([&] { return opener.opened.size() == 3; }));
    EXPECT_EQ(opener.opened, (QStringList{QStringLiteral("dashboard"), QStringLiteral("settings"), QStringLiteral("about")}));
    EXPECT_FALSE(fixture.monitor->overviewAnchor().has_value());

    UrlCatcher browser;
    click(QStringLiteral("Voltmere Help"));
    ASSERT_TRUE(waitFor([&] { return !browser.urls.isEmpty(); }));
    EXPECT_EQ(browser.urls.constFirst().scheme(), QStringLiteral("https"));

    // Quit ends the event loop it is clicked in. The timers go with `scope`,
    // so the time limit cannot end an event loop of a later test.
    QObject scope;
    QTimer::singleShot(0, &scope, [&] {
        host.sendToItem(item->serviceName(), StatusNotifierItem::menuPath, QStringLiteral("com.canonical.dbusmenu"),
                        QStringLiteral("Event"), clicked(QStringLiteral("Quit Voltmere")));
    });
    QTimer::singleShot(5000, &scope, [] { QCoreApplication::exit(1); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
}

TEST_F(MenuBarTrayDBusTest, ActivateOpensThePanelWhereTheTrayWasClickedAndZeroMeansNowhere)
{
    const QString itemInterface = QStringLiteral("org.kde.StatusNotifierItem");
    call(StatusNotifierItem::itemPath, itemInterface, QStringLiteral("Activate"), {40, 790});
    ASSERT_TRUE(waitFor([&] { return opener.opened == QStringList{QStringLiteral("panel")}; }));
    EXPECT_EQ(tray->anchor(), QPoint(40, 790));

    // (0, 0) is a tray that knows no point: the last one stands.
    call(StatusNotifierItem::itemPath, itemInterface, QStringLiteral("Activate"), {0, 0});
    ASSERT_TRUE(waitFor([&] { return opener.opened.size() == 2; }));
    EXPECT_EQ(tray->anchor(), QPoint(40, 790));
}

// A tray that comes back after a restart gets the item again.
TEST_F(MenuBarTrayDBusTest, ARestartedTrayGetsTheItemAgain)
{
    host.stop();
    ASSERT_TRUE(waitFor([&] { return !tray->isShown(); }));
    ASSERT_TRUE(host.start());
    ASSERT_TRUE(waitFor([&] { return tray->isShown(); }));
    EXPECT_EQ(host.items().count(item->serviceName()), 1);
    EXPECT_EQ(host.registrationsOf(item->serviceName()), 2);
    EXPECT_TRUE(opener.opened.isEmpty()) << "the welcome is offered once, not at every tray restart";
}

// A tray that writes the figure beside the icon, as GNOME's does, counting
// the icons it is given.
class LabelWritingItem final : public TrayItem {
public:
    void show() override {}
    bool isShown() const override { return true; }
    bool showsLabel() const override { return true; }
    std::optional<ColorScheme> panelScheme() const override { return ColorScheme::dark; }
    void setIcon(const std::vector<QImage> &) override { ++icons; }
    void setLabel(const QString &text, const QString &) override { label = text; }
    void setToolTip(const QString &, const QString &) override {}
    void setTitle(const QString &) override {}
    void setNeedsAttention(bool) override {}
    void setMenu(std::vector<TrayMenuEntry>) override {}
    int icons = 0;
    QString label;
};

class NoTrayHost final : public TrayHostWatcher {
public:
    bool isAvailable() const override { return false; }
    bool canWatch() const override { return false; }
    bool hasWatcher() const override { return false; }
};

// The glyph beside a written figure is the same at every reading: drawing
// it again at every tick would be the idle program's largest cost.
TEST(MenuBarTrayTest, WhereTheTrayWritesTheFigureTheGlyphIsDrawnOnce)
{
    test::TestMonitor fixture;
    RecordingOpener opener;
    fixture.prefs.setMenuBarStyle(MenuBarStyle::cpu);
    auto item = std::make_unique<LabelWritingItem>();
    LabelWritingItem *tray = item.get();
    MenuBarTray menuBar(*fixture.monitor, opener, nullptr, std::make_unique<NoTrayHost>(), std::move(item));
    double now = 1000;
    for (double cpu : {12.5, 30.0, 55.0, 71.0}) {
        Snapshot s;
        s.date = ++now;
        s.cpuTotal = cpu;
        fixture.monitor->ingest(s);
    }
    EXPECT_EQ(tray->label, QStringLiteral("71%"));
    EXPECT_EQ(tray->icons, 1);
    fixture.prefs.setMenuBarStyle(MenuBarStyle::icon);
    EXPECT_EQ(tray->icons, 2) << "another glyph is drawn";
}

TEST(MenuBarIconTest, TheFaceFollowsWhatTheTrayDraws)
{
    using Face = MenuBarIcon::Face;
    const MenuBarLabel::Content charging{QStringLiteral("bolt.fill"), QStringLiteral("87%"), false};
    EXPECT_EQ(MenuBarIcon::face(charging, false), (Face{Face::Kind::number, 87, true, QString()}));
    // Where the tray writes the figure, the icon is the style's glyph alone.
    EXPECT_EQ(MenuBarIcon::face(charging, true), (Face{Face::Kind::symbol, 0, false, QStringLiteral("bolt.fill")}));
    EXPECT_EQ(MenuBarIcon::face({QString(), QStringLiteral("87%"), false}, true).symbol,
              QStringLiteral("battery.75percent"));
    EXPECT_EQ(MenuBarIcon::face({QStringLiteral("cpu"), QStringLiteral(" 100%"), false}, false),
              (Face{Face::Kind::full, 100, false, QString()}));
    EXPECT_EQ(MenuBarIcon::face({QStringLiteral("cpu"), QString(), false}, false),
              (Face{Face::Kind::symbol, 0, false, QStringLiteral("cpu")}));
    EXPECT_EQ(MenuBarIcon::labelText({QStringLiteral("cpu"), QStringLiteral(" 13%"), false}), QStringLiteral("13%"));
    EXPECT_EQ(MenuBarIcon::labelText({QStringLiteral("powerplug"), QString(), false}), QString());
}

// The bolt and the digits are told apart by where ink is: a charging icon
// has a column of ink at its left that a plain one lacks, and the ring of a
// full battery has ink all round its edge.
TEST(MenuBarIconTest, BoltDigitsAndRingAreDistinctShapes)
{
    using Face = MenuBarIcon::Face;
    const auto inkInColumns = [](const QImage &image, int from, int to) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = from; x < to; ++x) {
                count += qAlpha(image.pixel(x, y)) > 96 ? 1 : 0;
            }
        }
        return count;
    };
    const QImage plain = MenuBarIcon::render({Face::Kind::number, 7, false, QString()}, Qt::black, 22);
    const QImage charging = MenuBarIcon::render({Face::Kind::number, 7, true, QString()}, Qt::black, 22);
    EXPECT_EQ(inkInColumns(plain, 0, 5), 0);
    EXPECT_GT(inkInColumns(charging, 0, 5), 10);
    const QImage full = MenuBarIcon::render({Face::Kind::full, 100, false, QString()}, Qt::black, 22);
    EXPECT_GT(inkInColumns(full, 0, 3), 5);
    EXPECT_GT(inkInColumns(full, 19, 22), 5);
    EXPECT_GE(inkHeight(full), 0.9);
}

} // namespace
} // namespace voltmere

#include "MenuBarTrayTest.moc"
