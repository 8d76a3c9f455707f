#include "BusyGlobalPool.h"
#include "FakeTree.h"
#include "TestMonitor.h"

#include "dashboard/view/BatteryHealthCard.h"
#include "dashboard/view/BatteryHeroCard.h"
#include "dashboard/view/BatterySkeleton.h"
#include "dashboard/view/BatteryView.h"
#include "dashboard/view/ChargeHistoryCard.h"
#include "dashboard/view/LimitsCard.h"
#include "dashboard/view/PluggedStrip.h"
#include "dashboard/view/ReminderCard.h"
#include "dashboard/view/ReminderTargetSlider.h"
#include "model/Format.h"
#include "platform/linux/LinuxChargeLimitSource.h"
#include "ui/AccessibleElement.h"
#include "ui/AttentionDot.h"
#include "ui/ChargeRing.h"
#include "ui/TimeSeriesChart.h"
#include "ui/ToggleSwitch.h"
#include "ui/Unavailable.h"
#include "ui/WrappingText.h"

#include <QAccessible>
#include <QPushButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

namespace voltmere {
namespace {

BatteryReading reading(int level, ChargingState state)
{
    BatteryReading r;
    r.level = level;
    r.state = state;
    r.isPluggedIn = state != ChargingState::onBattery;
    return r;
}

HistoryBucket bucket(Timestamp start, double avg, double plugged)
{
    HistoryBucket b;
    b.start = start;
    b.avg = avg;
    b.max = avg;
    b.maxAt = start;
    b.pluggedFraction = plugged;
    return b;
}

// Never leaves a worker waiting at `gate`, whatever the test finds.
struct OpenOnExit {
    QSemaphore &gate;
    ~OpenOnExit() { gate.release(10); }
};

class NoLimits final : public ChargeLimitSource {
public:
    std::vector<BatteryChargeLimits> read() override { return {}; }
};

// Every (name, value) pair of the visible accessibility tree under `root`.
void collect(QAccessibleInterface *node, QStringList &out)
{
    if (!node || node->state().invisible) {
        return;
    }
    out.append(node->text(QAccessible::Name) + QStringLiteral(" = ") + node->text(QAccessible::Value));
    for (int i = 0; i < node->childCount(); ++i) {
        collect(node->child(i), out);
    }
}

class BatteryViewTest : public ::testing::Test {
protected:
    Monitor &monitor() { return *fixture.monitor; }

    void ingest(const std::optional<BatteryReading> &battery)
    {
        Snapshot s;
        s.date = fixture.clock.now();
        s.battery = battery;
        monitor().ingest(s);
        QCoreApplication::processEvents();
    }

    std::unique_ptr<BatteryView> page(std::shared_ptr<ChargeLimitSource> limits = std::make_shared<NoLimits>(),
                                      ChargeHistoryCard::Loader loader = nullptr)
    {
        auto view = std::make_unique<BatteryView>(monitor(), std::move(limits), std::move(loader));
        view->resize(1000, 900);
        view->show();
        // The limits are read on a worker; their answer lands on this thread.
        EXPECT_TRUE(test::waitFor([&] { return view->chargeLimitsKnown(); }));
        return view;
    }

    test::TestMonitor fixture;
};

// A page closed while its charge limits are still being read (a quick
// click through the sidebar) must not be reached by the late answer.
TEST_F(BatteryViewTest, APageClosedBeforeTheLimitsArriveIsNotReachedByThem)
{
    auto gate = std::make_shared<QSemaphore>();
    auto answered = std::make_shared<std::atomic<bool>>(false);
    class GatedLimits final : public ChargeLimitSource {
    public:
        GatedLimits(std::shared_ptr<QSemaphore> gate, std::shared_ptr<std::atomic<bool>> answered)
            : m_gate(std::move(gate))
            , m_answered(std::move(answered))
        {
        }
        std::vector<BatteryChargeLimits> read() override
        {
            m_gate->acquire();
            m_answered->store(true);
            return {};
        }

    private:
        std::shared_ptr<QSemaphore> m_gate;
        std::shared_ptr<std::atomic<bool>> m_answered;
    };
    {
        BatteryView view(monitor(), std::make_shared<GatedLimits>(gate, answered), nullptr);
        view.show();
        QCoreApplication::processEvents();
    }
    gate->release();
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    // The answer did come, after the page had gone, and nothing took it.
    EXPECT_TRUE(answered->load());
}

TEST_F(BatteryViewTest, BodyFollowsWhetherThereIsABatteryAndAReading)
{
    EXPECT_EQ(BatteryView::bodyFor(true, false), BatteryView::Body::skeleton);
    EXPECT_EQ(BatteryView::bodyFor(true, true), BatteryView::Body::battery);
    EXPECT_EQ(BatteryView::bodyFor(false, false), BatteryView::Body::desktop);

    auto view = page();
    EXPECT_EQ(view->title(), QStringLiteral("Battery"));
    EXPECT_EQ(view->shownBody(), BatteryView::Body::skeleton);
    EXPECT_TRUE(view->skeleton()->isVisibleTo(view.get()));
    EXPECT_EQ(view->copyText(), QStringLiteral("Battery: waiting for a reading."));

    ingest(reading(64, ChargingState::charging));
    EXPECT_EQ(view->shownBody(), BatteryView::Body::battery);
    EXPECT_FALSE(view->skeleton()->isVisibleTo(view.get()));
    EXPECT_EQ(view->heroCard()->ring()->level(), 64.0);

    ingest(std::nullopt);
    EXPECT_EQ(view->shownBody(), BatteryView::Body::desktop);
    EXPECT_TRUE(view->desktopCard()->isVisibleTo(view.get()));
    EXPECT_EQ(view->copyText(), QStringLiteral("This computer has no internal battery."));
    // The sentence under the title is laid out whole, never cut after its first line.
    QCoreApplication::processEvents();
    const auto *sentence = view->desktopCard()->findChild<WrappingText *>();
    ASSERT_NE(sentence, nullptr);
    EXPECT_GE(sentence->height(), sentence->heightForWidth(sentence->width()));
}

TEST_F(BatteryViewTest, ChargingWithAReminderShowsTheThreeLinesAndCopiesEverySentence)
{
    BatteryReading r = reading(80, ChargingState::charging);
    r.timeToFullMinutes = 45;
    r.adapterWatts = 96;
    using Line = BatteryHeroCard::Line;
    EXPECT_EQ(BatteryHeroCard::detailLines(r, 85),
              (std::vector<Line>{{QStringLiteral("Power adapter · 96 W")},
                                 {QStringLiteral("45 min until full")},
                                 {QStringLiteral("Charge reminder at 85%, marked on the ring")}}));
    // Holding the charge is explained in this platform's words; power saving is amber.
    BatteryReading held = reading(70, ChargingState::pluggedNotCharging);
    held.lowPowerMode = true;
    const auto heldLines = BatteryHeroCard::detailLines(held, std::nullopt);
    ASSERT_EQ(heldLines.size(), 3u);
    EXPECT_FALSE(heldLines[1].text.contains(QStringLiteral("macOS")));
    EXPECT_EQ(heldLines[2], (Line{QStringLiteral("Power saver mode is on"), true}));

    r.healthCondition = QStringLiteral("Good");
    r.designCapacity = 5000;
    r.fullChargeCapacity = 4500;
    r.cycleCount = 312;
    EXPECT_EQ(BatteryView::copyText(r, true, ChargeReminderLogic::Status::off(), 85, 0,
                                    std::vector<BatteryChargeLimits>{}),
              QStringLiteral("Battery 80%. Charging. Power adapter, 96 W. 45 min until full. Health: Normal. "
                             "Capacity 90%. Cycle count 312. Off. Charge reminder notifies once and does not stop "
                             "charging. The kernel exposes no charge limit for this battery, and Voltmere does not "
                             "offer one."));
}

TEST_F(BatteryViewTest, CapacityTextAndTheNoteAboutNewBatteries)
{
    BatteryReading r = reading(50, ChargingState::onBattery);
    r.designCapacity = 5000;
    r.fullChargeCapacity = 5200;
    EXPECT_EQ(BatteryHealthCard::capacityText(r), QStringLiteral("104% (5200 of 5000 mAh)"));
    EXPECT_TRUE(BatteryHealthCard::holdsMoreThanDesign(r));
    r.fullChargeCapacity = 4500;
    EXPECT_EQ(BatteryHealthCard::capacityText(r), QStringLiteral("90% (4500 of 5000 mAh)"));
    EXPECT_FALSE(BatteryHealthCard::holdsMoreThanDesign(r));
    r.fullChargeCapacity = 5000;
    EXPECT_FALSE(BatteryHealthCard::holdsMoreThanDesign(r)) << "exactly 100% is not above design";
    r.designCapacity = 0;
    EXPECT_EQ(BatteryHealthCard::capacityText(r), std::nullopt);
    EXPECT_FALSE(BatteryHealthCard::holdsMoreThanDesign(r));
    EXPECT_EQ(BatteryHealthCard::conditionWord(QStringLiteral("Good")), QStringLiteral("Normal"));
    EXPECT_EQ(BatteryHealthCard::conditionWord(QStringLiteral("Overheat")), QStringLiteral("Overheat"));

    r.designCapacity = 5000;
    r.fullChargeCapacity = 5200;
    r.cycleCount = 40;
    r.designCycleCount = 1000;
    BatteryHealthCard card;
    card.set(r);
    const QString spoken = QAccessible::queryAccessibleInterface(&card)->text(QAccessible::Value);
    EXPECT_TRUE(spoken.contains(QStringLiteral("Capacity 104% (5200 of 5000 mAh)"))) << spoken.toStdString();
    EXPECT_TRUE(spoken.contains(QStringLiteral("Cycle count 40 of 1000 rated")));
    EXPECT_TRUE(spoken.contains(QStringLiteral("Temperature Unavailable. The battery doesn't report temp.")));
    EXPECT_TRUE(spoken.contains(QStringLiteral("New batteries often hold more")));
}

TEST_F(BatteryViewTest, SummaryAndStripCountOnlyBucketsPluggedInForHalfTheirTime)
{
    const Timestamp now = 1'800'000'000;
    EXPECT_EQ(ChargeHistoryCard::summary({}, {}, now),
              QStringLiteral("No charge history yet. Voltmere records the level every few seconds while it runs."));

    const std::vector<HistoryBucket> buckets{bucket(now - 1080, 40, 0.49), bucket(now - 720, 70, 0.5),
                                             bucket(now - 360, 70, 1.0)};
    EXPECT_EQ(ChargeHistoryCard::pluggedShare(buckets), 66) << "2 of 3 in whole numbers, rounded down";
    EXPECT_EQ(ChargeHistoryCard::pluggedShare({bucket(now, 50, 0.49)}), 0);
    EXPECT_EQ(ChargeHistoryCard::pluggedShare({}), 0);

    HistorySeries series;
    series.buckets = buckets;
    series.bucketSeconds = 360;
    const auto points = ChargeHistoryCard::chartPoints(series);
    const QString sentence = ChargeHistoryCard::summary(points, buckets, now);
    // The first of two equal highs is the one named.
    EXPECT_EQ(sentence, QStringLiteral("Ranged from 40% at ") + Format::timestamp(now - 1080, now) +
                            QStringLiteral(" to 70% at ") + Format::timestamp(now - 720, now) +
                            QStringLiteral(". Plugged in for about 66% of the recorded time."));

    using Span = std::pair<Timestamp, Timestamp>;
    EXPECT_EQ(PluggedStrip::marks(buckets, 360), (std::vector<Span>{{now - 720, now - 360}, {now - 360, now}}));
}

TEST_F(BatteryViewTest, SwitchingTheReminderOnAsksAndArmsOffDoesNotAsk)
{
    ingest(reading(60, ChargingState::charging));
    ReminderCard card(monitor());
    ASSERT_EQ(monitor().reminder().status, ChargeReminderLogic::Status::off());
    EXPECT_FALSE(card.slider()->isEnabled() && card.slider()->isEnabledTo(&card));

    QTest::mouseClick(card.reminderSwitch(), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_TRUE(fixture.prefs.reminderEnabled());
    EXPECT_EQ(fixture.notifications->authorizationRequests, 1);
    EXPECT_EQ(monitor().reminder().status, ChargeReminderLogic::Status::armed());
    EXPECT_TRUE(card.slider()->isEnabledTo(&card));
    EXPECT_TRUE(card.statusText()->text().startsWith(QStringLiteral("Plugged in and charging toward 80%")));

    QTest::mouseClick(card.reminderSwitch(), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_FALSE(fixture.prefs.reminderEnabled());
    EXPECT_EQ(fixture.notifications->authorizationRequests, 1);
    EXPECT_EQ(monitor().reminder().status, ChargeReminderLogic::Status::off());
    EXPECT_FALSE(card.slider()->isEnabledTo(&card));
}

TEST_F(BatteryViewTest, TheSliderWritesWholeStepsOfFiveAndReEvaluates)
{
    fixture.prefs.setReminderEnabled(true);
    ingest(reading(82, ChargingState::charging));
    ReminderCard card(monitor());
    EXPECT_EQ(card.slider()->value(), 80);
    ASSERT_EQ(monitor().reminder().status, ChargeReminderLogic::Status::aboveTargetAtPlugIn());

    card.slider()->setValue(83); // between steps, as a drag can leave it
    EXPECT_EQ(card.slider()->value(), 85);
    EXPECT_EQ(fixture.prefs.reminderTarget(), 85);
    // A new target clears the flags and re-evaluates at once.
    EXPECT_EQ(monitor().reminder().status, ChargeReminderLogic::Status::armed());

    card.slider()->setValue(card.slider()->minimum());
    EXPECT_EQ(fixture.prefs.reminderTarget(), 50);
    QTest::keyClick(card.slider(), Qt::Key_Right);
    EXPECT_EQ(fixture.prefs.reminderTarget(), 55);

    // A target set elsewhere moves the slider without writing back.
    fixture.prefs.setReminderTarget(95);
    QCoreApplication::processEvents();
    EXPECT_EQ(card.slider()->value(), 95);
    auto *slider = QAccessible::queryAccessibleInterface(card.slider());
    EXPECT_EQ(slider->text(QAccessible::Name), QStringLiteral("Charge reminder target"));
    EXPECT_EQ(slider->text(QAccessible::Value), QStringLiteral("95 percent"));
}

TEST_F(BatteryViewTest, PermissionRowOffersTheButtonForEachState)
{
    ReminderCard card(monitor());
    EXPECT_EQ(card.permissionText(), QStringLiteral("Checking notification permission…"));
    EXPECT_EQ(card.permissionButton(), nullptr);

    fixture.notifications->settings = {NotificationAuthorization::authorized, NotificationAlertSetting::enabled};
    monitor().refreshNotificationStatus();
    QCoreApplication::processEvents();
    ASSERT_EQ(monitor().notificationPermission(), NotificationPermission::allowed);
    ASSERT_NE(card.permissionButton(), nullptr);
    EXPECT_EQ(card.permissionButton()->text(), QStringLiteral("Send test notification"));
    QTest::mouseClick(card.permissionButton(), Qt::LeftButton);
    ASSERT_EQ(fixture.notifications->added.size(), 1u);
    EXPECT_EQ(fixture.notifications->added[0].identifier, Monitor::chargeReminderTestId);

    fixture.notifications->settings = {NotificationAuthorization::denied, NotificationAlertSetting::disabled};
    fixture.notifications->openSettingsError = QStringLiteral("No settings program is installed.");
    monitor().refreshNotificationStatus();
    QCoreApplication::processEvents();
    EXPECT_EQ(card.permissionText(), QStringLiteral("Notifications are off for Voltmere."));
    QTest::mouseClick(card.permissionButton(), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(fixture.notifications->settingsOpened, 1);
    // A failure to open the settings is said on the card, not swallowed.
    EXPECT_TRUE(card.errorText()->isVisibleTo(&card));
    EXPECT_TRUE(card.errorText()->text().contains(QStringLiteral("No settings program")));
}

TEST_F(BatteryViewTest, ChargeHistoryLoadsOffTheMainThreadPerRangeAndRefreshesAtMostOnceAMinute)
{
    struct Call {
        Timestamp from, to;
        int buckets;
    };
    std::mutex lock;
    std::vector<Call> calls;
    const Timestamp now = fixture.clock.now();
    const Qt::HANDLE mainThread = QThread::currentThreadId();
    std::atomic<bool> offMain = true;
    QSemaphore gate; // the first query waits until the test has looked
    auto loader = [&](Timestamp from, Timestamp to, int buckets) {
        offMain = offMain && QThread::currentThreadId() != mainThread;
        gate.acquire();
        gate.release();
        std::lock_guard guard(lock);
        calls.push_back({from, to, buckets});
        HistorySeries series;
        series.bucketSeconds = (to - from) / buckets;
        series.buckets = {bucket(to - 600, 55, 1.0)};
        return series;
    };
    ChargeHistoryCard card(loader, fixture.clock);
    // Until the first answer the card says it is loading, not that there is no history.
    EXPECT_EQ(card.summaryText()->text(), QStringLiteral("Loading charge history…"));
    gate.release();
    ASSERT_TRUE(test::waitFor([&] { return !card.isLoading(); }));
    EXPECT_TRUE(offMain);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].to - calls[0].from, 24 * 3600.0);
    EXPECT_EQ(card.chart()->series()[0].points.size(), 1u);
    EXPECT_TRUE(card.summaryText()->text().startsWith(QStringLiteral("Ranged from 55%")));

    QTest::mouseClick(card.rangeButton(168), Qt::LeftButton);
    ASSERT_TRUE(test::waitFor([&] { return !card.isLoading(); }));
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].to - calls[1].from, 168 * 3600.0);
    EXPECT_EQ(calls[1].buckets, 240);
    EXPECT_EQ(card.chart()->xDomain().length(), 168 * 3600.0);

    // New readings within a minute of the last load do not query again.
    fixture.clock.advance(30);
    card.setRefreshKey(now + 30);
    test::settleFor(50);
    EXPECT_EQ(calls.size(), 2u);
    fixture.clock.advance(31);
    card.setRefreshKey(now + 61);
    ASSERT_TRUE(test::waitFor([&] { return calls.size() == 3u && !card.isLoading(); }));
}

TEST_F(BatteryViewTest, LimitsCardFromAFakeSysTreeWithAndWithoutThresholds)
{
    ingest(reading(80, ChargingState::fullyCharged));
    test::FakeTree tree;
    tree.write("sys/class/power_supply/BAT0/type", "Battery\n");
    {
        auto view = page(std::make_shared<LinuxChargeLimitSource>(tree.root()));
        EXPECT_EQ(view->limitsCard()->enforced().status, QStringLiteral("Not exposed by the kernel"));
        EXPECT_TRUE(view->copyText().endsWith(
            QStringLiteral("The kernel exposes no charge limit for this battery, and Voltmere does not offer one.")));
    }
    tree.write("sys/class/power_supply/BAT0/charge_control_end_threshold", "80\n");
    auto view = page(std::make_shared<LinuxChargeLimitSource>(tree.root()));
    EXPECT_EQ(view->limitsCard()->enforced().status, QStringLiteral("Stops at 80%"));
    EXPECT_TRUE(view->copyText().endsWith(
        QStringLiteral("The firmware limits charging to 80%; Voltmere only reads that limit.")));
    // A reminder the battery can never reach says so.
    ReminderCard *card = view->reminderCard();
    EXPECT_FALSE(card->limitText()->isVisibleTo(card));
    card->setReminderOn(true);
    card->slider()->setValue(85);
    EXPECT_TRUE(card->limitText()->isVisibleTo(card));
    EXPECT_EQ(card->limitText()->text(),
              QStringLiteral("The firmware stops charging at 80%, so the battery won't reach this target."));
    card->slider()->setValue(80);
    EXPECT_FALSE(card->limitText()->isVisibleTo(card));
}

// Reads that wait for the test. Each one looks at the limit first, as the
// real files are read, so a change made while it waits is not in its answer.
class HeldLimits final : public ChargeLimitSource {
public:
    std::vector<BatteryChargeLimits> read() override
    {
        const int end = limit.load();
        ++started;
        gate.acquire();
        return {{QStringLiteral("BAT0"), end > 0 ? std::optional(end) : std::nullopt, std::nullopt, std::nullopt}};
    }
    QSemaphore gate;
    std::atomic<int> started = 0;
    std::atomic<int> limit = 0;
};

TEST_F(BatteryViewTest, LimitsSayCheckingUntilReadAndEveryChangeAskedForIsReadInTheEnd)
{
    fixture.battery->reading = reading(70, ChargingState::charging);
    ingest(fixture.battery->reading);
    auto limits = std::make_shared<HeldLimits>();
    const OpenOnExit release{limits->gate};
    BatteryView view(monitor(), limits, nullptr);
    view.resize(1000, 900);
    view.show();
    ASSERT_TRUE(test::waitFor([&] { return limits->started == 1; }));

    // Before the first answer nothing is claimed, on screen or in the copy.
    EXPECT_EQ(view.limitsCard()->enforced().status, QStringLiteral("Checking…"));
    EXPECT_FALSE(view.copyText().contains(QStringLiteral("limit"))) << view.copyText().toStdString();

    limits->gate.release();
    ASSERT_TRUE(test::waitFor([&] { return view.chargeLimitsKnown(); }));
    EXPECT_EQ(view.limitsCard()->enforced().status, QStringLiteral("Not exposed by the kernel"));
    EXPECT_TRUE(view.copyText().endsWith(QStringLiteral("Voltmere does not offer one.")));

    // Readings every tick do not read the firmware's files again.
    for (int i = 0; i < 3; ++i) {
        fixture.clock.advance(2);
        BatteryReading next = reading(71 + i, ChargingState::charging);
        ingest(next);
    }
    test::settleFor(50);
    EXPECT_EQ(limits->started, 1);

    // A power-supply event starts a read; the limit changes while it runs and
    // more events come: they make one more read, after it.
    monitor().start();
    Q_EMIT fixture.events->powerSourceChanged();
    ASSERT_TRUE(test::waitFor([&] { return limits->started == 2; }));
    limits->limit = 80;
    Q_EMIT fixture.events->powerSourceChanged();
    Q_EMIT fixture.events->powerSourceChanged();
    limits->gate.release(2);
    ASSERT_TRUE(test::waitFor([&] { return view.limitsCard()->enforced().status == QStringLiteral("Stops at 80%"); }))
        << view.limitsCard()->enforced().status.toStdString();
    test::settleFor(50);
    EXPECT_EQ(limits->started, 3);
    EXPECT_TRUE(view.copyText().endsWith(QStringLiteral("The firmware limits charging to 80%; Voltmere only reads that limit.")));

    // Showing the page again looks again.
    view.hide();
    view.show();
    limits->gate.release();
    EXPECT_TRUE(test::waitFor([&] { return limits->started == 4; }));
    monitor().stop();
}

// With no source there is nothing to check: the page says at once, on
// screen and in the copy, that the kernel exposes no limit.
TEST_F(BatteryViewTest, APageWithoutALimitSourceSaysAtOnceThatNoneIsExposed)
{
    ingest(reading(70, ChargingState::charging));
    BatteryView view(monitor(), nullptr, nullptr);
    EXPECT_TRUE(view.chargeLimitsKnown());
    EXPECT_EQ(view.limitsCard()->enforced().status, QStringLiteral("Not exposed by the kernel"));
    EXPECT_TRUE(view.copyText().endsWith(QStringLiteral("Voltmere does not offer one."))) << view.copyText().toStdString();
}

TEST_F(BatteryViewTest, EveryReadingOnThePageIsInTheAccessibilityTree)
{
    fixture.prefs.setReminderEnabled(true);
    fixture.prefs.setReminderTarget(85);
    BatteryReading r = reading(80, ChargingState::charging);
    r.timeToFullMinutes = 45;
    r.healthCondition = QStringLiteral("Good");
    r.designCapacity = 5000;
    r.fullChargeCapacity = 4500;
    r.temperatureC = 30.12;
    ingest(r);
    auto view = page();
    QStringList tree;
    collect(QAccessible::queryAccessibleInterface(view.get()), tree);
    const QString all = tree.join(QLatin1Char('\n'));
    for (const QString &expected :
         {QStringLiteral("Charge level = 80 percent"), QStringLiteral("Charging state = Charging. Power adapter. 45 min until full."),
          QStringLiteral("Capacity 90% (4500 of 5000 mAh)"), QStringLiteral("Temperature 30.1 °C"),
          QStringLiteral("Battery level, percent = "), QStringLiteral("Plugged in = About 0% of the recorded time"),
          QStringLiteral("Charge reminder = "), QStringLiteral("Charge reminder target = 85 percent"),
          QStringLiteral("Plugged in and charging toward 85%"), QStringLiteral("Enforced charge limit = "),
          QStringLiteral("Charge to full = Not needed."), QStringLiteral("Checking notification permission…")}) {
        EXPECT_TRUE(all.contains(expected)) << expected.toStdString() << "\n--- tree:\n" << all.toStdString();
    }
    // The skeleton's bars are behind the page, not read out.
    EXPECT_FALSE(all.contains(QStringLiteral("Loading battery")));
}

TEST_F(BatteryViewTest, MissingFiguresShowUnavailableWithTheSourceThatFailed)
{
    BatteryReading r;
    r.isPluggedIn = false; // no level, no state, nothing else
    BatteryHeroCard hero;
    hero.set(r, std::nullopt);
    EXPECT_EQ(hero.ring()->level(), std::nullopt);
    EXPECT_EQ(AccessibleElement::value(hero.ringElement()), QStringLiteral("Unavailable"));
    EXPECT_EQ(AccessibleElement::value(hero.stateElement()),
              QStringLiteral("Unavailable. The battery doesn't report status."));
    const auto reasons = hero.findChildren<Unavailable *>();
    ASSERT_EQ(reasons.size(), 2u);
    EXPECT_EQ(reasons[0]->reason(), QStringLiteral("The battery doesn't report capacity."));

    // Any condition but "Good" is shown as reported, in amber beside a dot.
    BatteryHealthCard health;
    health.resize(320, 200);
    health.show();
    r.healthCondition = QStringLiteral("Overheat");
    health.set(r);
    auto *dot = health.findChild<AttentionDot *>();
    ASSERT_NE(dot, nullptr);
    EXPECT_TRUE(dot->isVisibleTo(&health));
    EXPECT_TRUE(AccessibleElement::value(&health).startsWith(QStringLiteral("Condition Overheat.")));
    r.healthCondition = QStringLiteral("Good");
    health.set(r);
    EXPECT_FALSE(dot->isVisibleTo(&health));
    EXPECT_TRUE(AccessibleElement::value(&health).startsWith(QStringLiteral("Condition Normal.")));
}

// Qt's global pool is the painter's; the charge history waits on the store
// and must not sit behind it, nor hold it.
TEST_F(BatteryViewTest, ChargeHistoryLoadsWhileTheGlobalPoolIsBusy)
{
    test::BusyGlobalPool busy;
    ASSERT_TRUE(test::waitFor([&] { return busy.allBusy(); }));
    ChargeHistoryCard card(
        [](Timestamp, Timestamp to, int) {
            HistorySeries series;
            series.bucketSeconds = 360;
            series.buckets = { bucket(to - 600, 55, 1.0) };
            return series;
        },
        fixture.clock);
    EXPECT_TRUE(test::waitFor([&] { return !card.isLoading(); }, 2000));
}

TEST_F(BatteryViewTest, AnAnswerForAnEarlierRangeArrivingLateIsDropped)
{
    // The 24-hour query is held until the 6-hour one has been answered.
    QSemaphore held;
    const OpenOnExit release{held};
    std::atomic<int> started = 0;
    auto loader = [&](Timestamp from, Timestamp to, int) {
        const bool day = to - from > 12 * 3600.0;
        ++started;
        if (day) {
            held.acquire();
        }
        HistorySeries series;
        series.bucketSeconds = 90;
        series.buckets = {bucket(to - 300, day ? 20 : 60, 0)};
        return series;
    };
    ChargeHistoryCard card(loader, fixture.clock);
    ASSERT_TRUE(test::waitFor([&] { return started == 1; }));
    card.setHours(6);
    ASSERT_TRUE(test::waitFor([&] { return !card.isLoading(); }));
    held.release();
    test::settleFor(100);
    ASSERT_EQ(card.chart()->series()[0].points.size(), 1u);
    EXPECT_EQ(card.chart()->series()[0].points[0].value, 60);
    EXPECT_EQ(card.chart()->xDomain().length(), 6 * 3600.0);
}

TEST_F(BatteryViewTest, ANewRangeShowsLoadingNotTheOldRangesLineUntilItsSeriesArrives)
{
    QSemaphore held;
    const OpenOnExit release{held};
    auto loader = [&](Timestamp from, Timestamp to, int) {
        const bool week = to - from > 100 * 3600.0;
        if (week) {
            held.acquire();
        }
        HistorySeries series;
        series.bucketSeconds = 360;
        series.buckets = {bucket(to - 3600, week ? 30 : 60, 1.0)};
        return series;
    };
    ChargeHistoryCard card(loader, fixture.clock);
    ASSERT_TRUE(test::waitFor([&] { return !card.isLoading(); }));
    ASSERT_EQ(card.chart()->series()[0].points.size(), 1u);

    QTest::mouseClick(card.rangeButton(168), Qt::LeftButton);
    EXPECT_TRUE(card.chart()->series()[0].points.empty());
    EXPECT_TRUE(card.strip()->shownMarks().empty());
    EXPECT_EQ(card.summaryText()->text(), QStringLiteral("Loading charge history…"));
    EXPECT_EQ(AccessibleElement::value(card.strip()), QStringLiteral("Loading charge history…"));

    held.release();
    ASSERT_TRUE(test::waitFor([&] { return !card.isLoading(); }));
    ASSERT_EQ(card.chart()->series()[0].points.size(), 1u);
    EXPECT_EQ(card.chart()->series()[0].points[0].value, 30);
    EXPECT_TRUE(card.summaryText()->text().startsWith(QStringLiteral("Ranged from 30%")));

    // A refresh of the same range keeps the line on screen while it loads.
    fixture.clock.advance(61);
    card.setRefreshKey(fixture.clock.now());
    EXPECT_TRUE(card.isLoading());
    EXPECT_EQ(card.chart()->series()[0].points.size(), 1u);
    held.release();
    ASSERT_TRUE(test::waitFor([&] { return !card.isLoading(); }));
}

// A card handed its series (renders), or with no store, has no answer to
// wait for: a new range is drawn at once, its series kept.
TEST_F(BatteryViewTest, ACardWithNothingToLoadRedrawsANewRangeAtOnce)
{
    HistorySeries given;
    given.bucketSeconds = 360;
    given.buckets = {bucket(fixture.clock.now() - 3600, 42, 1.0)};
    ChargeHistoryCard preloaded(nullptr, fixture.clock, given);
    ChargeHistoryCard storeless(nullptr, fixture.clock);
    for (ChargeHistoryCard *card : {&preloaded, &storeless}) {
        card->setHours(6);
        EXPECT_EQ(card->chart()->xDomain().length(), 6 * 3600.0);
        EXPECT_EQ(card->chart()->xDomain().upper, fixture.clock.now());
        EXPECT_FALSE(card->isLoading());
    }
    ASSERT_EQ(preloaded.chart()->series()[0].points.size(), 1u);
    EXPECT_EQ(preloaded.chart()->series()[0].points[0].value, 42);
    EXPECT_TRUE(preloaded.summaryText()->text().startsWith(QStringLiteral("Ranged from 42%")));
}

TEST_F(BatteryViewTest, OnlyThePageShownIsReadOut)
{
    auto view = page();
    QStringList tree;
    collect(QAccessible::queryAccessibleInterface(view.get()), tree);
    // Before the first reading: one element for the placeholders, no bars.
    EXPECT_TRUE(tree.contains(QStringLiteral("Loading battery = "))) << tree.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(QAccessible::queryAccessibleInterface(view->skeleton())->childCount(), 0);
    EXPECT_FALSE(tree.join(QLatin1Char('\n')).contains(QStringLiteral("Charge reminder")));

    ingest(std::nullopt);
    tree.clear();
    collect(QAccessible::queryAccessibleInterface(view.get()), tree);
    const QString all = tree.join(QLatin1Char('\n'));
    EXPECT_TRUE(all.contains(QStringLiteral("No internal battery"))) << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("This computer runs from a power adapter only")));
    EXPECT_FALSE(all.contains(QStringLiteral("Loading battery")));
}

TEST(ReminderTargetSliderTest, SettlesOnTheNearestStepInsideTheRange)
{
    EXPECT_EQ(ReminderTargetSlider::snapped(52), 50);
    EXPECT_EQ(ReminderTargetSlider::snapped(53), 55);
    EXPECT_EQ(ReminderTargetSlider::snapped(47), 50);
    EXPECT_EQ(ReminderTargetSlider::snapped(101), 100);
    ReminderTargetSlider slider;
    QSignalSpy chosen(&slider, &ReminderTargetSlider::targetChosen);
    slider.setValue(77);
    // One settled value is reported, never the value between steps.
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.at(0).at(0).toInt(), 75);
}

} // namespace
} // namespace voltmere
